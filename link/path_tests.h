// Folder and file tests of the shell's path library, folder creation, and what the system makes
// of a path: its full form and its volume.
#pragma once

#include <string>

#include "console/scoped_handle.h"

namespace link {

// True when the path names an existing folder.
bool FolderExists(const std::string& path);

// True when the path names an existing file or folder.
bool FileExists(const std::string& path);

// True when the path's last entry exists, a link there included, whether or not it leads to
// anything.
bool EntryExists(const std::string& path);

// Opens the folder entry itself, never a folder that a link there leads to, and holds it open
// sharing reading and writing but not deletion, so that nobody can rename or delete it, or put a
// link in its place, while the handle lives. The handle is valid only when the entry is a plain
// folder: one that exists and is not a junction, symbolic link or other reparse point.
console::ScopedHandle HoldPlainFolder(const std::string& path);

// Creates the last folder of the path; an existing folder or a missing parent passes silently.
void CreateFolder(const std::string& path);

// The full path the system makes of `path` (GetFullPathNameA); the path itself when it cannot.
std::string FullPath(const std::string& path);

// What the system tells of the volume that holds a path; each fact it cannot tell stays as here.
struct VolumeFacts {
  bool remote = false;     // its root is a network drive
  std::string fileSystem;  // the file system's name, such as "NTFS"
};
VolumeFacts VolumeOf(const std::string& path);

}  // namespace link
