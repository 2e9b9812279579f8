// The talking text reader: opens the text file named by its one parameter
// in its own console window and reads it line by line. The arrows,
// Home/End and PgUp/PgDn move and say the current line, Right spells it,
// first letters find lines, and Esc ends. The installation puts it where
// the family's editor is expected, so the program's manual opens here.
#include <fstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "console/console.h"
#include "console/menu_selector.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "speech/speech.h"

namespace {

constexpr std::string_view kReaderTitle = "Leitor de textos - ";
constexpr std::string_view kNoFileMessage = "Nenhum arquivo para ler";
constexpr std::string_view kCannotOpenMessage = "N\xE3o foi poss\xEDvel abrir o arquivo ";
// Lines fill the window but for its last column, so that writing a line
// never wraps onto the next row.
constexpr int kLineWidth = 79;
constexpr int kBackground = 1;  // blue
constexpr int kTabWidth = 8;
// A reader of manuals: longer files are read up to this size.
constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

// Breaks a line longer than the window at its last blank that fits, or
// hard at the width when a word is longer than that.
void AppendWrapped(std::string line, std::vector<std::string>& lines) {
  while (line.size() > static_cast<std::size_t>(kLineWidth)) {
    std::size_t cut = line.rfind(' ', static_cast<std::size_t>(kLineWidth));
    if (cut == std::string::npos || cut == 0) cut = static_cast<std::size_t>(kLineWidth);
    lines.push_back(line.substr(0, cut));
    std::size_t next = cut;
    while (next < line.size() && line[next] == ' ') ++next;
    line.erase(0, next);
  }
  lines.push_back(line);
}

// The file's lines as screen lines: CR LF, LF and CR all end a line, tabs
// become blanks up to the next tab stop, other control bytes become blanks,
// and trailing blanks go.
bool LoadLines(const std::string& hostPath, std::vector<std::string>& lines) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return false;
  std::string bytes(kMaxFileBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  std::string line;
  auto finish = [&lines, &line]() {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    AppendWrapped(line, lines);
    line.clear();
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<uint8_t>(bytes[i]);
    if (c == '\r' || c == '\n') {
      finish();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else if (c == '\t') {
      line.append(static_cast<std::size_t>(kTabWidth) - line.size() % kTabWidth, ' ');
    } else {
      line += c < ' ' ? ' ' : static_cast<char>(c);
    }
  }
  if (!line.empty()) finish();
  return true;
}

[[noreturn]] void EndReader(int status) {
  SpeechDone();
  platform::Halt(status);
}

}  // namespace

int main(int argc, char** argv) {
  StartModules();
  ConsoleClearScreen();
  const std::string name = argc >= 2 ? platform::Utf8ToCp1252(argv[1]) : std::string();
  ConsoleSetTitle(std::string(kReaderTitle) + name);
  SpeechInit(0, "");
  if (name.empty()) {
    WriteLineAndSpeak(kNoFileMessage);
    EndReader(1);
  }
  std::vector<std::string> lines;
  const std::optional<std::string> hostPath = platform::HostPath(name);
  if (!hostPath || !LoadLines(*hostPath, lines)) {
    WriteLineAndSpeak(std::string(kCannotOpenMessage) + name);
    EndReader(1);
  }
  // Enter keeps the reader on its line; only Esc leaves.
  int line = 1;
  for (;;) {
    MenuBegin(1, 1, kLineWidth, kConsoleRows, kBackground);
    for (const std::string& text : lines) MenuAddOption("", text);
    const int chosen = MenuRunFrom(line);
    if (MenuEndedByEsc()) break;
    if (chosen != 0) line = chosen;
  }
  EndReader(0);
}
