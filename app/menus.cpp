#include "app/menus.h"

#include <array>

#include "app/launcher.h"
#include "app/league_table.h"
#include "app/messages.h"
#include "app/round_info.h"
#include "console/console.h"
#include "console/menu_selector.h"
#include "platform/paths.h"
#include "speech/speech.h"

namespace {

// Placement of the menus: column, row, width, background. The heights are
// one less than the number of options, so that the last option of a short
// menu stays on the screen below the box once the menu closes.
constexpr int kMenuColumn = 1;
constexpr int kMenuRow = 10;
constexpr int kMenuWidth = 20;
constexpr int kListWidth = 40;
constexpr int kMenuBackground = 5;
constexpr int kMainMenuHeight = 5;
constexpr int kSeriesMenuHeight = 2;

enum MainChoice { kChoiceEsc = 0, kChoiceManual = 4, kChoiceEnd = 5 };
enum SeriesChoice { kSeriesBack = 3, kSeriesTable = 1, kSeriesRound = 2 };

constexpr int kFarewellPollMs = 10;

// Asks "Confirma fim?" and reads one key, which is said back. Only S and s
// confirm; an extended key's code byte stays queued for the next menu.
bool ConfirmEnd() {
  SayMessage("LFCONFIM", 1);
  const uint8_t key = ReadKeySpoken();
  if (key == 'S' || key == 's') return true;
  SayMessage("LFCANCEL", 1);
  return false;
}

void OpenManual() {
  if (!platform::FileExists(kEditorFile) || !platform::FileExists(kManualFile)) return;
  LaunchProgram(kEditorFile, "", kManualFile, kShowNormal);
  WaitForProgramReturn();
}

// Case-insensitive (A-Z only) replacement of every occurrence, scanning on
// after each replacement so the new text is never searched again.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view by,
                       bool ignoreCase) {
  auto same = [ignoreCase](char a, char b) {
    if (!ignoreCase) return a == b;
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return fold(a) == fold(b);
  };
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool match = i + find.size() <= text.size();
    for (std::size_t k = 0; match && k < find.size(); ++k) match = same(text[i + k], find[k]);
    if (match) {
      out += by;
      i += find.size();
    } else {
      out += text[i];
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string_view RoundPagePath(int series) {
  switch (series) {
    case 1:
      return "/futebol/brasileirao-serie-a/";
    case 2:
      return "/futebol/brasileirao-serie-b/";
    case 3:
      return "/futebol/brasileirao-serie-c/";
    default:
      return "";
  }
}

void AddMessageOption(std::string_view key) {
  const std::string recording = "som\\ligafala\\" + std::string(key);
  const bool recorded = platform::FileExists(recording + ".wav");
  MenuAddOption(recorded ? std::string_view(recording) : std::string_view(), MessageText(key));
}

void MainMenu() {
  for (;;) {
    SayMessage("LFMENUPRIN", 1);
    SayMessage("LFDESSETAS", 1);
    MenuBegin(kMenuColumn, kMenuRow, kMenuWidth, kMainMenuHeight, kMenuBackground);
    for (std::string_view key : {"LFTABA", "LFTABB", "LFTABC", "LFMANUAL", "LFFINAL"}) {
      AddMessageOption(key);
    }
    const int choice = MenuRun();
    if (choice == kChoiceEsc || choice == kChoiceEnd) {
      if (ConfirmEnd()) break;
    } else if (choice >= 1 && choice <= 3) {
      SeriesMenu(choice);
    } else if (choice == kChoiceManual) {
      OpenManual();
    }
  }
  SayMessage("LFFIM", 1);
  // A key pressed meanwhile stops the farewell.
  while (SpeechBusy()) ConsoleDelay(kFarewellPollMs);
}

void SeriesMenu(int series) {
  for (;;) {
    SayMessage("LFDESSETAS", 1);
    MenuBegin(kMenuColumn, kMenuRow, kMenuWidth, kSeriesMenuHeight, kMenuBackground);
    for (std::string_view key : {"LFVERTAB", "LFVERROD", "LFVOLTAR"}) AddMessageOption(key);
    const int choice = MenuRun();
    if (choice == 0 || choice == kSeriesBack) return;
    if (choice == kSeriesTable) ShowLeagueTable(series);
    if (choice == kSeriesRound) ShowRoundInfo(series);
  }
}

void BrowseListLines(const std::vector<std::string>& lines) {
  const int n = static_cast<int>(lines.size());
  do {
    SayMessage("LFDESSETAS", 1);
    MenuBegin(kMenuColumn, kMenuRow, kListWidth, n - 1, kMenuBackground);
    for (const std::string& line : lines) MenuAddOption("", CleanListLine(line));
  } while (MenuRun() != 0);
}

void ShowLeagueTable(int series) {
  std::vector<std::string> lines;
  if (!FetchLeagueTable(series, lines)) return;
  BrowseListLines(lines);
}

void ShowRoundInfo(int series) {
  std::vector<std::string> lines;
  if (!FetchRoundInfo(RoundPagePath(series), lines)) return;
  BrowseListLines(lines);
}

std::string CleanListLine(std::string_view line) {
  struct Step {
    std::string_view find;
    std::string_view by;
    bool ignoreCase;
  };
  static constexpr std::array<Step, 10> kSteps = {{
      {"-al", "", true},
      {"-ma", "", true},
      {"-pe", "", true},
      {"-mt", "", true},
      {"-Ce", "", true},
      {"-Pa", "", true},
      {"-Sp", "", true},
      {"brasill", "Brasil de Pel\xF3tas", true},
      {"-Se", "", true},
      {"SER ", "", false},
  }};
  std::string text(line);
  for (const Step& step : kSteps) text = ReplaceAll(text, step.find, step.by, step.ignoreCase);
  return text;
}
