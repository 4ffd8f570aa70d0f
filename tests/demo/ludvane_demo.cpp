// The demo conversion: drives ludvane.exe through a whole conversion as a user would, saves a
// picture of each step and prints what was done.
//
//   ludvane_demo.exe LUDVANE_EXE EPIC_FOLDER PICTURE_FOLDER
//
// The system's cmd.exe is the stand-in interpreter; its log (cmd-log.txt, beside LUDVANE_EXE,
// where STANDIN_CMD_FOLDER points it) names the command lines that were run. The Steam field is
// filled from the registry. Pictures are 32-bit BMP files of the screen around each window:
// 1-main-window, 2-confirmation, 3-progress, 4-final-message.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/texts.h"
#include "tests/ui/ui_driver.h"

namespace {

using ui_driver::milliseconds;

constexpr char kMainWindowClass[] = "LudvaneMainWindow";
constexpr char kProgressWindowClass[] = "LudvaneProgressWindow";
constexpr int kEpicBrowseButton = 2;
constexpr int kStartButton = 3;
constexpr int kSteamLocationField = 13;
constexpr int kEpicLocationField = 14;
constexpr int kProgressBar = 3;

// Saves the screen around `window` (its outer rectangle and a margin) as a 32-bit BMP.
bool SavePicture(HWND window, const std::string& path) {
  RECT area = ui_driver::OuterRect(window);
  InflateRect(&area, 12, 12);
  const std::vector<uint32_t> pixels = ui_driver::ScreenPixels(area);
  if (pixels.empty()) return false;

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = area.right - area.left;
  header.biHeight = -(area.bottom - area.top);  // top row first, as the pixels come
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const DWORD pixelBytes = static_cast<DWORD>(pixels.size() * sizeof(pixels[0]));
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + pixelBytes;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof(file), 1, out);
  std::fwrite(&header, sizeof(header), 1, out);
  std::fwrite(pixels.data(), 1, pixelBytes, out);
  std::fclose(out);
  return true;
}

// Lets the window finish painting before its picture is taken.
void Settle(HWND window) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &ignored);
  const DWORD start = GetTickCount();
  ui_driver::WaitUntil([&] { return GetTickCount() - start >= 300; }, milliseconds(1000));
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return bytes;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, got);
  std::fclose(in);
  return bytes;
}

// Prints every folder and file under `folder`, each with what it is.
void ListTree(const std::string& folder, const std::string& relative) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // The stand-in makes a junction as a plain folder.
      const bool junction = path == "x64\\audio" || path == "update\\x64\\dlcpacks";
      std::printf("  %-9s%s\\\n", junction ? "junction" : "folder", path.c_str());
      if (!junction) ListTree(folder, path + "\\");
    } else {
      // The stand-in makes a file link as a small file that names its target.
      std::string target = ReadAll(folder + path);
      if (target.rfind("link to ", 0) == 0) target.erase(0, 8);
      std::printf("  %-9s%s -> %s\n", "link", path.c_str(), target.c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

int Fail(const char* step) {
  std::printf("demo: failed at: %s\n", step);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: ludvane_demo LUDVANE_EXE EPIC_FOLDER PICTURE_FOLDER\n");
    return 2;
  }
  const std::string exe = argv[1];
  std::string epic = argv[2];
  // The picker selects a folder by its path without a trailing backslash.
  if (epic.size() > 3 && epic.back() == '\\') epic.pop_back();
  const std::string pictures = std::string(argv[3]) + "\\";
  const std::string appFolder = exe.substr(0, exe.find_last_of('\\') + 1);
  DeleteFileA((appFolder + "cmd-log.txt").c_str());

  ui_driver::Process ludvane(exe, appFolder);
  if (!ludvane.Started()) return Fail("starting ludvane.exe");
  // The first start in a fresh Wine prefix can take long.
  HWND main =
      ui_driver::WaitForTopLevelWindow(ludvane.Id(), kMainWindowClass, true, milliseconds(60000));
  if (!main) return Fail("waiting for the main window");
  std::printf("Steam location read from the registry: %s\n",
              ui_driver::TextOf(ui_driver::ChildById(main, kSteamLocationField)).c_str());

  ui_driver::ClickButton(ui_driver::ChildById(main, kEpicBrowseButton));
  HWND picker = ui_driver::WaitForFolderPicker(ludvane.Id());
  if (!picker || !ui_driver::AnswerFolderPicker(ludvane, picker, epic)) {
    return Fail("picking the Epic location");
  }
  HWND epicField = ui_driver::ChildById(main, kEpicLocationField);
  if (!ui_driver::WaitUntil([&] { return !ui_driver::TextOf(epicField).empty(); })) {
    return Fail("waiting for the Epic location");
  }
  const std::string destination = ui_driver::TextOf(epicField) + "GTAV\\";
  std::printf("Epic location picked: %s\n", ui_driver::TextOf(epicField).c_str());
  Settle(main);
  SavePicture(main, pictures + "1-main-window.bmp");

  ui_driver::ClickButton(ui_driver::ChildById(main, kStartButton));
  ui_driver::MessageBoxFacts confirm = ui_driver::WaitForMessageBox(ludvane.Id());
  if (!confirm.window || confirm.text != texts::kConfirmText) return Fail("the confirmation");
  Settle(confirm.window);
  SavePicture(confirm.window, pictures + "2-confirmation.bmp");
  ui_driver::AnswerMessageBox(confirm.window, IDYES);

  HWND progress = ui_driver::WaitForTopLevelWindow(ludvane.Id(), kProgressWindowClass);
  if (!progress) return Fail("waiting for the progress window");
  HWND bar = ui_driver::ChildById(progress, kProgressBar);
  auto position = [&] {
    DWORD_PTR value = 0;
    SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_BLOCK, 1000, &value);
    return static_cast<int>(value);
  };
  if (ui_driver::WaitUntil([&] { return position() >= 12; }, milliseconds(60000))) {
    SavePicture(progress, pictures + "3-progress.bmp");
  }

  ui_driver::MessageBoxFacts finished =
      ui_driver::WaitForMessageBox(ludvane.Id(), milliseconds(120000));
  if (!finished.window || finished.text != texts::kFinishedText) {
    return Fail("waiting for the final message");
  }
  Settle(finished.window);
  SavePicture(finished.window, pictures + "4-final-message.bmp");
  std::printf("Final message: %s\n", finished.text.c_str());
  ui_driver::AnswerMessageBox(finished.window, IDOK);
  if (!ludvane.WaitForExit()) return Fail("waiting for ludvane.exe to end");
  std::printf("ludvane.exe ended with exit code %lu\n",
              static_cast<unsigned long>(ludvane.ExitCode()));

  const std::string log = ReadAll(appFolder + "cmd-log.txt");
  size_t lines = 0;
  for (char c : log) lines += c == '\n';
  std::printf("\nCommand lines run (%zu), as the stand-in interpreter received them:\n%s", lines,
              log.c_str());
  std::printf("\nWhat is now in %s:\n", destination.c_str());
  ListTree(destination, "");
  return ludvane.ExitCode() == 0 ? 0 : 1;
}
