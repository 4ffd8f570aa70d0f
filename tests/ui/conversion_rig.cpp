#include "tests/ui/conversion_rig.h"

#include "app/texts.h"

namespace conversion_rig {
namespace {

constexpr int kEpicBrowseButton = 2;
constexpr int kStartButton = 3;
constexpr int kSteamLocationField = 13;
constexpr int kEpicLocationField = 14;

std::string TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

void Snap(const std::string& root, const std::string& relative,
          std::map<std::string, std::string>& tree) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[relative + name + "\\"] = "<folder>";
      Snap(root, relative + name + "\\", tree);
    } else {
      tree[relative + name] = ReadFileBytes(root + relative + name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

const std::vector<PlanItem>& PlanItems() {
  static const std::vector<PlanItem> items = [] {
    std::vector<PlanItem> plan = {{"update\\update.rpf", false}};
    for (const char* name :
         {"common.rpf", "installscript.vdf", "GFSDK_ShadowLib.win64.dll", "GFSDK_TXAA.win64.dll",
          "GFSDK_TXAA_AlphaResolve.win64.dll", "GTAVLanguageSelect.exe", "GTAVLauncher.exe",
          "bink2w64.dll", "d3dcompiler_46.dll", "d3dcsx_46.dll"}) {
      plan.push_back({name, false});
    }
    for (char letter = 'a'; letter <= 'w'; ++letter) {
      plan.push_back({std::string("x64") + letter + ".rpf", false});
    }
    plan.push_back({"x64\\audio\\", true});
    plan.push_back({"update\\x64\\dlcpacks\\", true});
    return plan;
  }();
  return items;
}

std::string LoggedCommandFor(const PlanItem& item, const std::string& destination,
                             const std::string& steam) {
  return std::string("/d /v:off /c mklink ") + (item.junction ? "/J " : "") + "\"" + destination +
         item.name + "\" \"" + steam + item.name + "\"";
}

std::vector<std::string> PlanCommands(const std::string& destination, const std::string& steam) {
  std::vector<std::string> commands;
  for (const PlanItem& item : PlanItems()) {
    commands.push_back(LoggedCommandFor(item, destination, steam));
  }
  return commands;
}

std::map<std::string, std::string> TreeSnapshot(const std::string& folder) {
  std::map<std::string, std::string> tree;
  Snap(folder, "", tree);
  return tree;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

Rig::Rig(const std::string& name, const std::string& epicName)
    : scratch_(name, TempFolder()),
      appFolder_(scratch_.Path() + "app\\"),
      steam_(scratch_.Path() + "steam\\"),
      epic_(epicName.empty() ? scratch_.Path().substr(0, scratch_.Path().size() - 1)
                             : scratch_.Path() + epicName) {
  ready_ = CreateDirectoryA(appFolder_.c_str(), nullptr) &&
           CreateDirectoryA(steam_.c_str(), nullptr) &&
           (epicName.empty() || CreateDirectoryA(epic_.c_str(), nullptr)) &&
           CopyFileA(ui_driver::FindLudvaneExe().c_str(), LudvaneExe().c_str(), FALSE) &&
           ui_driver::KeepStandInFilesIn(Folder());
  // The sample Steam folder: each file names itself; each linked folder holds one file.
  for (const char* folder : {"update\\", "x64\\", "update\\x64\\"}) {
    ready_ = ready_ && CreateDirectoryA((steam_ + folder).c_str(), nullptr);
  }
  for (const PlanItem& item : PlanItems()) {
    if (item.junction) {
      ready_ = ready_ && CreateDirectoryA((steam_ + item.name).c_str(), nullptr) &&
               WriteFileBytes(steam_ + item.name + "content.rpf", "content of " + item.name);
    } else {
      ready_ = ready_ && WriteFileBytes(steam_ + item.name, "content of " + item.name);
    }
  }
}

void Rig::SetStandInDelay(int milliseconds) const {
  WriteFileBytes(Folder() + "cmd-delay-ms.txt", std::to_string(milliseconds));
}

void Rig::SetStandInRefusals(const std::string& lines) const {
  WriteFileBytes(Folder() + "cmd-refuse.txt", lines);
}

std::vector<std::string> Rig::LoggedCommands() const {
  std::vector<std::string> lines;
  const std::string log = ReadFileBytes(Folder() + "cmd-log.txt");
  size_t start = 0;
  for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(log.substr(start, end - start));
  }
  return lines;
}

void Rig::ClearLog() const { DeleteFileA((Folder() + "cmd-log.txt").c_str()); }

bool PointRegistryAtSteam(const Rig& rig) {
  // The program drops the value's last four bytes (the GTAV of the real value).
  return ui_driver::SetSteamInstallText(rig.Steam() + "GTAV");
}

HWND PressStart(const ui_driver::Process& ludvane, const Rig& rig, std::string* failure) {
  using namespace ui_driver;
  HWND main = WaitForTopLevelWindow(ludvane.Id(), "LudvaneMainWindow");
  if (!main) return *failure = "no main window", nullptr;
  const std::string steamShown = TextOf(ChildById(main, kSteamLocationField));
  if (steamShown != rig.Steam()) return *failure = "Steam field shows " + steamShown, nullptr;

  ClickButton(ChildById(main, kEpicBrowseButton));
  HWND picker = WaitForFolderPicker(ludvane.Id());
  if (!picker || !AnswerFolderPicker(ludvane, picker, rig.Epic())) {
    return *failure = "the folder picker could not be answered", nullptr;
  }
  HWND epicField = ChildById(main, kEpicLocationField);
  if (!WaitUntil([&] { return TextOf(epicField) == rig.Epic() + "\\"; })) {
    return *failure = "Epic field shows " + TextOf(epicField), nullptr;
  }

  ClickButton(ChildById(main, kStartButton));
  const MessageBoxFacts confirm = WaitForMessageText(ludvane.Id(), texts::kConfirmText);
  if (!confirm.window) return *failure = "no confirmation asked", nullptr;
  return confirm.window;
}

ui_driver::MessageBoxFacts WaitForMessageText(DWORD processId, const std::string& text,
                                              ui_driver::milliseconds timeout,
                                              ui_driver::milliseconds pollInterval) {
  ui_driver::MessageBoxFacts found;
  ui_driver::WaitUntil(
      [&] {
        for (const auto& box : ui_driver::MessageBoxes(processId)) {
          if (box.wideText == texts::Wide(text.c_str()) && IsWindowVisible(box.window)) {
            found = box;
            return true;
          }
        }
        return false;
      },
      timeout, pollInterval);
  return found;
}

}  // namespace conversion_rig
