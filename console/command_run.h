// Running one console command line through the command interpreter, output captured.
#pragma once

#include <string>

namespace console {

// "cmd.exe /d /v:off /c " on the Windows NT family (platform id 2), "command.com /c " otherwise.
std::wstring InterpreterPrefix(unsigned long platformId);

// Runs the interpreter prefix followed by `command` with its console hidden and returns every
// byte it wrote to standard output and standard error, in order. Blocks until the child has
// ended, keeping the calling thread's message queue serviced. Empty when nothing was read or
// the child could not be started (a command line longer than Windows starts is not tried).
std::string RunCapturedCommand(const std::wstring& command);

// The text, bytes of the code page, in UTF-16. With MB_ERR_INVALID_CHARS as `flags`, a text
// that is not valid in the code page gives the empty text; without, such bytes become U+FFFD
// or the code page's default character.
std::wstring TextFromCodePage(const std::string& text, unsigned codePage, unsigned long flags = 0);

// The interpreter writes its messages to a pipe in the console's code page (OEM), whatever the
// windows show: 437 on an English Windows, 936 on a Chinese one.
std::wstring ConsoleText(const std::string& text);

}  // namespace console
