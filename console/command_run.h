// Running one console command line through the command interpreter, output captured.
#pragma once

#include <string>

namespace console {

// "cmd.exe /d /v:off /c " on the Windows NT family (platform id 2), "command.com /c " otherwise.
std::string InterpreterPrefix(unsigned long platformId);

// Runs the interpreter prefix followed by `command` with its console hidden and returns every
// byte it wrote to standard output and standard error, in order. Blocks until the child has
// ended, keeping the calling thread's message queue serviced. Empty when nothing was read or
// the child could not be started.
std::string RunCapturedCommand(const std::string& command);

// The interpreter writes its messages in the console's code page (OEM), which need not be the
// ANSI code page the windows show: 437 against 1252 on an English Windows, for example.
std::string ConsoleTextToAnsi(const std::string& text);

}  // namespace console
