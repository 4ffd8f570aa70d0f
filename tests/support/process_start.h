// Starting a process from the test side. Under Wine a busy machine now and then fails a start
// with ERROR_INTERNAL_ERROR before the new process ran any of its own code; such a start is
// tried again, as the program does for its interpreter.
#pragma once

#include <windows.h>

#include <string>

// CreateProcessA with these arguments, tried up to four times while it fails that way. 0 once
// started, else the last start's error (and `info` zeroed).
inline DWORD StartProcess(const std::string& application, const std::string& commandLine,
                          BOOL inheritHandles, const char* currentFolder, STARTUPINFOA& startup,
                          PROCESS_INFORMATION& info) {
  for (int attempt = 1;; ++attempt) {
    std::string line = commandLine;  // CreateProcessA may write into it
    if (CreateProcessA(application.c_str(), &line[0], nullptr, nullptr, inheritHandles, 0, nullptr,
                       currentFolder, &startup, &info)) {
      return 0;
    }
    const DWORD error = GetLastError();
    info = {};
    if (error != ERROR_INTERNAL_ERROR || attempt == 4) return error;
    Sleep(10);
  }
}
