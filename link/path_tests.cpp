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

bool IsPlainFolderAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The path without its trailing backslash: with one, the system would resolve a link there and
// name what it leads to. A drive's root keeps its backslash.
std::string EntryOf(const std::string& path) {
  if (path.empty()) return path;
  const char* last = CharPrevA(path.c_str(), path.c_str() + path.size());
  const bool endsInBackslash = last == path.c_str() + path.size() - 1 && *last == '\\';
  if (!endsInBackslash || path.size() < 2 || path[path.size() - 2] == ':') return path;
  return path.substr(0, path.size() - 1);
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

bool EntryExists(const std::string& path) {
  return GetFileAttributesA(EntryOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

console::ScopedHandle HoldPlainFolder(const std::string& path) {
  const std::string entry = EntryOf(path);
  // Listing access, so that the sharing this handle denies binds every later open.
  console::ScopedHandle folder(CreateFileA(
      entry.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder.Valid()) return {};
  // Both looks come after the open, when the entry can no longer be swapped. Windows shows a
  // link in the handle's attributes; Wine shows a link to a Unix folder only in the path's.
  BY_HANDLE_FILE_INFORMATION opened;
  if (!GetFileInformationByHandle(folder.Get(), &opened) ||
      !IsPlainFolderAttributes(opened.dwFileAttributes) ||
      !IsPlainFolderAttributes(GetFileAttributesA(entry.c_str()))) {
    return {};
  }
  return folder;
}

void CreateFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

std::string FullPath(const std::string& path) {
  const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::string full(size, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

VolumeFacts VolumeOf(const std::string& path) {
  VolumeFacts facts;
  char root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameA(path.c_str(), root, sizeof root)) return facts;
  facts.remote = GetDriveTypeA(root) == DRIVE_REMOTE;
  char fileSystem[MAX_PATH + 1] = {};
  if (GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                            sizeof fileSystem)) {
    facts.fileSystem = fileSystem;
  }
  return facts;
}

}  // namespace link
