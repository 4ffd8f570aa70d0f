#include "link/path_tests.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace link {
namespace {

using PathTest = BOOL(WINAPI*)(LPCWSTR);

// shlwapi.dll, bound by name at first use from whichever thread comes first.
struct PathLibrary {
  HMODULE module = nullptr;
  PathTest isDirectory = nullptr;
  PathTest fileExists = nullptr;

  PathLibrary() {
    module = LoadLibraryW(L"shlwapi.dll");
    if (!module) return;
    isDirectory = reinterpret_cast<PathTest>(
        reinterpret_cast<void*>(GetProcAddress(module, "PathIsDirectoryW")));
    fileExists = reinterpret_cast<PathTest>(
        reinterpret_cast<void*>(GetProcAddress(module, "PathFileExistsW")));
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
std::wstring EntryOf(const std::wstring& path) {
  if (path.empty() || path.back() != L'\\' || path.size() < 2 || path[path.size() - 2] == L':') {
    return path;
  }
  return path.substr(0, path.size() - 1);
}

}  // namespace

bool FolderExists(const std::wstring& path) {
  PathTest test = Library().isDirectory;
  return test && test(path.c_str()) == FILE_ATTRIBUTE_DIRECTORY;
}

bool FileExists(const std::wstring& path) {
  PathTest test = Library().fileExists;
  return test && test(path.c_str()) == 1;
}

bool EntryExists(const std::wstring& path) {
  return GetFileAttributesW(EntryOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// A file or folder opened through any link on the way, for its identity only.
console::ScopedHandle OpenForIdentity(const std::wstring& path) {
  return console::ScopedHandle(CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The reparse data of symbolic links and junctions, as the system stores it.
struct ReparseData {
  ULONG tag;
  USHORT dataLength;
  USHORT reserved;
  USHORT substituteNameOffset;
  USHORT substituteNameLength;
  USHORT printNameOffset;
  USHORT printNameLength;
};
constexpr size_t kSymbolicLinkFlagsSize = sizeof(ULONG);  // symbolic links carry flags first

// The target that the link at `name` stores; empty when it is no symbolic link or junction.
std::wstring StoredLinkTarget(const std::wstring& name) {
  console::ScopedHandle entry(
      CreateFileW(EntryOf(name).c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!entry.Valid()) return std::wstring();
  std::vector<unsigned char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD got = 0;
  if (!DeviceIoControl(entry.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &got, nullptr) ||
      got < sizeof(ReparseData)) {
    return std::wstring();
  }
  ReparseData data;
  std::memcpy(&data, buffer.data(), sizeof data);
  size_t pathStart = sizeof data;
  if (data.tag == IO_REPARSE_TAG_SYMLINK) {
    pathStart += kSymbolicLinkFlagsSize;
  } else if (data.tag != IO_REPARSE_TAG_MOUNT_POINT) {
    return std::wstring();
  }
  const size_t start = pathStart + data.substituteNameOffset;
  if (start + data.substituteNameLength > got) return std::wstring();
  std::wstring target(data.substituteNameLength / sizeof(wchar_t), L'\0');
  std::memcpy(&target[0], buffer.data() + start, target.size() * sizeof(wchar_t));
  return target;
}

std::wstring UpperWide(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
  while (!text.empty() && text.back() == L'\\') text.pop_back();
  return text;
}

}  // namespace

bool LeadsToSameItem(const std::wstring& name, const std::wstring& steamItem) {
  console::ScopedHandle atName = OpenForIdentity(name);
  console::ScopedHandle item = OpenForIdentity(steamItem);
  BY_HANDLE_FILE_INFORMATION nameFacts;
  BY_HANDLE_FILE_INFORMATION itemFacts;
  if (atName.Valid() && item.Valid() && GetFileInformationByHandle(atName.Get(), &nameFacts) &&
      GetFileInformationByHandle(item.Get(), &itemFacts)) {
    return SameIdentity(nameFacts, itemFacts);
  }
  const std::wstring target = StoredLinkTarget(name);
  return !target.empty() && ReparseTargetNames(target, steamItem);
}

bool ReparseTargetNames(const std::wstring& target, const std::wstring& path) {
  std::wstring stored = target;
  if (stored.compare(0, 4, L"\\??\\") == 0) stored.erase(0, 4);
  return !path.empty() && UpperWide(stored) == UpperWide(path);
}

std::wstring SystemErrorText(unsigned long code) {
  wchar_t* words = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
  std::wstring text = length && words ? std::wstring(words, length) : std::wstring();
  if (words) LocalFree(words);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return text;
}

console::ScopedHandle HoldPlainFolder(const std::wstring& path) {
  const std::wstring entry = EntryOf(path);
  // Listing access, so that the sharing this handle denies binds every later open.
  console::ScopedHandle folder(CreateFileW(
      entry.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder.Valid()) return {};
  // Both looks come after the open, when the entry can no longer be swapped. Windows shows a
  // link in the handle's attributes; Wine shows a link to a Unix folder only in the path's.
  BY_HANDLE_FILE_INFORMATION opened;
  if (!GetFileInformationByHandle(folder.Get(), &opened) ||
      !IsPlainFolderAttributes(opened.dwFileAttributes) ||
      !IsPlainFolderAttributes(GetFileAttributesW(entry.c_str()))) {
    return {};
  }
  return folder;
}

unsigned long CreateFolder(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS && FolderExists(path) ? 0 : error;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

VolumeFacts VolumeOf(const std::wstring& path) {
  VolumeFacts facts;
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH + 1)) return facts;
  facts.remote = GetDriveTypeW(root) == DRIVE_REMOTE;
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                            MAX_PATH + 1)) {
    facts.fileSystem = fileSystem;
  }
  return facts;
}

std::wstring FileSystemWhereFolderIs(const std::wstring& path) {
  console::ScopedHandle folder = OpenForIdentity(path);
  wchar_t name[MAX_PATH + 1] = {};
  if (!folder.Valid() || !GetVolumeInformationByHandleW(folder.Get(), nullptr, 0, nullptr, nullptr,
                                                        nullptr, name, MAX_PATH + 1)) {
    return std::wstring();
  }
  return name;
}

bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

namespace {

bool IdentityOf(HANDLE opened, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION facts;
  if (!GetFileInformationByHandle(opened, &facts)) return false;
  identity = {facts.dwVolumeSerialNumber, facts.nFileIndexHigh, facts.nFileIndexLow};
  return true;
}

// Where the root of a path ends: after "C:\", "\\?\C:\", "\\server\share\" or
// "\\?\UNC\server\share\"; 0 when the path has no root of these kinds.
size_t RootLength(const std::wstring& path) {
  size_t start = 0;
  bool unc = false;
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    start = 8;
    unc = true;
  } else if (path.compare(0, 4, L"\\\\?\\") == 0) {
    start = 4;
  } else if (path.compare(0, 2, L"\\\\") == 0) {
    start = 2;
    unc = true;
  }
  if (!unc) return path.size() >= start + 3 && path[start + 1] == L':' ? start + 3 : 0;
  const size_t server = path.find(L'\\', start);
  if (server == std::wstring::npos) return 0;
  const size_t share = path.find(L'\\', server + 1);
  return share == std::wstring::npos ? path.size() : share + 1;
}

}  // namespace

namespace {

std::wstring RealPathOf(HANDLE opened) {
  wchar_t real[4 * MAX_PATH] = {};
  const DWORD size = 4 * MAX_PATH;
  const DWORD length = GetFinalPathNameByHandleW(opened, real, size, FILE_NAME_NORMALIZED);
  return length == 0 || length >= size ? std::wstring() : std::wstring(real, length);
}

}  // namespace

std::wstring RealPath(const std::wstring& path) {
  console::ScopedHandle folder = OpenForIdentity(path);
  return folder.Valid() ? RealPathOf(folder.Get()) : std::wstring();
}

std::vector<FileIdentity> RealFolderChain(const std::wstring& path) {
  std::vector<FileIdentity> chain;
  console::ScopedHandle folder = OpenForIdentity(path);
  FileIdentity identity;
  if (!folder.Valid() || !IdentityOf(folder.Get(), identity)) return chain;
  chain.push_back(identity);
  // Every folder above the real one, by its real path, which holds no link any more.
  const std::vector<std::wstring> above = FoldersOnTheWay(RealPathOf(folder.Get()));
  for (size_t i = 1; i < above.size(); ++i) {
    console::ScopedHandle parent = OpenForIdentity(above[i]);
    if (parent.Valid() && IdentityOf(parent.Get(), identity)) chain.push_back(identity);
  }
  return chain;
}

bool ReadEntryFacts(const std::wstring& path, EntryFacts& facts) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(EntryOf(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // A root is no entry of a folder; its attributes still tell.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    facts = {attributes, 0};
    return true;
  }
  FindClose(search);
  const bool reparse = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts = {found.dwFileAttributes, reparse ? found.dwReserved0 : 0};
  return true;
}

std::vector<std::wstring> FoldersOnTheWay(const std::wstring& path) {
  std::vector<std::wstring> folders;
  const size_t root = RootLength(path);
  if (root == 0) return folders;
  std::wstring folder = path;
  while (folder.size() > root && folder.back() == L'\\') folder.pop_back();
  for (;;) {
    folders.push_back(folder);
    if (folder.size() <= root) break;
    // Back to the separator before the last folder's name.
    size_t keep = folder.size();
    while (keep > root && folder[keep - 1] != L'\\') --keep;
    folder = folder.substr(0, keep > root ? keep - 1 : root);
  }
  return folders;
}

}  // namespace link
