#include "link/path_tests.h"

#include <windows.h>

namespace link {
namespace {

using PathTest = BOOL(WINAPI*)(LPCSTR);

// shlwapi.dll, bound by name at first use from whichever thread comes first.
struct PathLibrary {
  HMODULE module = nullptr;
  PathTest isDirectory = nullptr;
  PathTest fileExists = nullptr;

  PathLibrary() {
    module = LoadLibraryA("shlwapi.dll");
    if (!module) return;
    isDirectory = reinterpret_cast<PathTest>(
        reinterpret_cast<void*>(GetProcAddress(module, "PathIsDirectoryA")));
    fileExists = reinterpret_cast<PathTest>(
        reinterpret_cast<void*>(GetProcAddress(module, "PathFileExistsA")));
  }
};

// Stays loaded until the process ends: the link job may be inside it when the process ends.
PathLibrary& Library() {
  static PathLibrary library;
  return library;
}

}  // namespace

bool FolderExists(const std::string& path) {
  PathTest test = Library().isDirectory;
  return test && test(path.c_str()) == FILE_ATTRIBUTE_DIRECTORY;
}

bool FileExists(const std::string& path) {
  PathTest test = Library().fileExists;
  return test && test(path.c_str()) == 1;
}

void CreateFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

}  // namespace link
