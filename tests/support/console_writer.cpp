// A child for the captured command run's tests: writes exactly what its arguments say.
//   out TEXT    TEXT to standard output in one write
//   err TEXT    TEXT to standard error in one write
//   zero A B    A, a zero byte and B to standard output in one write
//   fill N      N bytes of a known pattern to standard output, in 4096-byte writes
//   pause MS    sleeps MS milliseconds, so the next write comes as a piece of its own
//   exit N      ends with exit code N
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void Write(HANDLE to, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(to, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  int exitCode = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string op = argv[i];
    const char* arg = i + 1 < argc ? argv[i + 1] : "";
    if (op == "out") {
      Write(out, arg), ++i;
    } else if (op == "err") {
      Write(err, arg), ++i;
    } else if (op == "zero") {
      const char* after = i + 2 < argc ? argv[i + 2] : "";
      Write(out, std::string(arg) + '\0' + after), i += 2;
    } else if (op == "fill") {
      const long total = std::atol(arg);
      ++i;
      std::string chunk;
      for (long n = 0; n < total; ++n) {
        chunk += static_cast<char>('a' + n % 26);
        if (chunk.size() == 4096) Write(out, chunk), chunk.clear();
      }
      if (!chunk.empty()) Write(out, chunk);
    } else if (op == "pause") {
      Sleep(static_cast<DWORD>(std::atol(arg))), ++i;
    } else if (op == "exit") {
      exitCode = std::atoi(arg), ++i;
    }
  }
  return exitCode;
}
