// Folder and file tests of the shell's path library, and folder creation.
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

}  // namespace link
