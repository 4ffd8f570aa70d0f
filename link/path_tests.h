// Folder and file tests of the shell's path library, and folder creation.
#pragma once

#include <string>

namespace link {

// True when the path names an existing folder.
bool FolderExists(const std::string& path);

// True when the path names an existing file or folder.
bool FileExists(const std::string& path);

// Creates the last folder of the path; an existing folder or a missing parent passes silently.
void CreateFolder(const std::string& path);

}  // namespace link
