// Folder and file tests of the shell's path library, folder creation, and what the system makes
// of a path: its full form and its volume.
#pragma once

#include <string>
#include <vector>

#include "console/scoped_handle.h"

namespace link {

// True when the path names an existing folder.
bool FolderExists(const std::wstring& path);

// True when the path names an existing file or folder.
bool FileExists(const std::wstring& path);

// True when the path's last entry exists, a link there included, whether or not it leads to
// anything.
bool EntryExists(const std::wstring& path);

// True when the name, opened through whatever link stands there, is the Steam item itself: the
// same volume and file index. Where either cannot be opened (a link to a Steam item that is
// missing now), true when the name is a symbolic link or junction whose target is the item's path.
bool LeadsToSameItem(const std::wstring& name, const std::wstring& steamItem);

// True when a reparse point's target, as the system stores it (with or without its "\??\"
// prefix), names `path`: compared without regard to case or a trailing backslash.
bool ReparseTargetNames(const std::wstring& target, const std::wstring& path);

// The system's own words for an error code, without the line break at their end; empty when the
// system has none.
std::wstring SystemErrorText(unsigned long code);

// Opens the folder entry itself, never a folder that a link there leads to, and holds it open
// sharing reading and writing but not deletion, so that nobody can rename or delete it, or put a
// link in its place, while the handle lives. The handle is valid only when the entry is a plain
// folder: one that exists and is not a junction, symbolic link or other reparse point.
console::ScopedHandle HoldPlainFolder(const std::wstring& path);

// Creates the last folder of the path. Returns 0 when it was made or a folder is there already,
// otherwise the system's error code (a missing parent, a drive or a guard that refuses it).
unsigned long CreateFolder(const std::wstring& path);

// The full path the system makes of `path` (GetFullPathNameW); the path itself when it cannot.
std::wstring FullPath(const std::wstring& path);

// What the system tells of the volume that holds a path; each fact it cannot tell stays as here.
struct VolumeFacts {
  bool remote = false;      // its root is a network drive
  std::wstring fileSystem;  // the file system's name, such as "NTFS"
};
VolumeFacts VolumeOf(const std::wstring& path);

// The file system's name of the volume where the folder really is, asked of the folder itself
// opened through any link on the way; empty when the system cannot tell.
std::wstring FileSystemWhereFolderIs(const std::wstring& path);

// What a file or folder is, whatever path reaches it: its volume and its index there.
struct FileIdentity {
  unsigned long volume = 0;
  unsigned long indexHigh = 0;
  unsigned long indexLow = 0;
};
bool operator==(const FileIdentity& a, const FileIdentity& b);

// The path where the folder really is, through any link or drive letter on the way, in the
// system's long form ("\\?\C:\..."); empty when the system cannot tell.
std::wstring RealPath(const std::wstring& path);

// The folder the path leads to, through any link, a drive letter made for a folder or a short
// name on the way, and every folder above it where it really is, nearest first; empty when the
// folder cannot be opened.
std::vector<FileIdentity> RealFolderChain(const std::wstring& path);

// What the system tells of a folder entry itself, not following a link there: its attributes and
// its reparse tag (0 when it is no reparse point); nothing when the entry cannot be read.
struct EntryFacts {
  unsigned long attributes = 0;
  unsigned long reparseTag = 0;
};
bool ReadEntryFacts(const std::wstring& path, EntryFacts& facts);

// The folder the path names and every folder above it, by the path as written, nearest first; each
// without a trailing backslash but a root (C:\ or a share's).
std::vector<std::wstring> FoldersOnTheWay(const std::wstring& path);

}  // namespace link
