// tavine-text: prints what the MBROLA engine's front end makes of each line
// of UTF-8 text read on standard input, stage by stage. It is how the golden
// files of the tests are written and refreshed.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "mbrola_tts/front_end.h"
#include "mbrola_tts/letters.h"
#include "mbrola_tts/prosody.h"
#include "platform/cp1252.h"

#ifndef TAVINE_DATA_DIR
#define TAVINE_DATA_DIR "data/tavine"
#endif

namespace {

void Usage() {
  std::cerr << "usage: tavine-text MODE [--golden] [--data DIR] < text\n"
               "MODE: --normalize   the normalised text\n"
               "      --stress      the stress position of each word\n"
               "      --tokens      the classified token list\n"
               "      --phonemes    the phoneme list\n"
               "      --lines       the MBROLA lines\n"
               "      --check-phonemes  every input word (one a line) whose phonemes are not\n"
               "                        all names of the voice br4, with those phonemes\n"
               "--golden writes each input line with its output on one line, as the\n"
               "golden files of the tests hold them.\n";
}

void PrintMessage(std::string_view message) {
  std::cerr << platform::Cp1252ToUtf8(message) << '\n';
}

std::string Utf8(std::string_view text) { return platform::Cp1252ToUtf8(text); }

}  // namespace

int main(int argc, char** argv) {
  std::string mode;
  std::string dataFolder = TAVINE_DATA_DIR;
  bool golden = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      dataFolder = argv[++i];
    } else if (arg == "--golden") {
      golden = true;
    } else if (arg == "--normalize" || arg == "--stress" || arg == "--tokens" ||
               arg == "--phonemes" || arg == "--lines" || arg == "--check-phonemes") {
      mode = arg;
    } else {
      Usage();
      return 2;
    }
  }
  if (mode.empty()) {
    Usage();
    return 2;
  }
  if (!dataFolder.empty() && dataFolder.front() != '/') {
    // Relative folders are taken from the folder the tool was started in.
    const char* pwd = std::getenv("PWD");
    if (pwd != nullptr) dataFolder = std::string(pwd) + "/" + dataFolder;
  }

  SetProsodyMessageSink(PrintMessage);
  std::string failure;
  if (!LoadFrontEndData(dataFolder, &failure)) {
    std::cerr << "tavine-text: cannot read the " << failure << " in " << dataFolder << '\n';
    return 1;
  }

  FrontEndStage stage = FrontEndStage::kLines;
  if (mode == "--normalize") stage = FrontEndStage::kNormalize;
  if (mode == "--stress") stage = FrontEndStage::kStress;
  if (mode == "--tokens") stage = FrontEndStage::kTokens;
  if (mode == "--phonemes") stage = FrontEndStage::kPhonemes;

  int foreignWords = 0;
  std::string utf8Line;
  while (std::getline(std::cin, utf8Line)) {
    if (!utf8Line.empty() && utf8Line.back() == '\r') utf8Line.pop_back();
    const std::string line = platform::Utf8ToCp1252(utf8Line);
    if (mode == "--check-phonemes") {
      // Every word of the line (club names have several) is checked alone.
      std::size_t i = 0;
      while (i < line.size()) {
        while (i < line.size() && !tavine::IsTextLetter(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && tavine::IsTextLetter(line[i])) ++i;
        if (i == start) break;
        const std::string word = line.substr(start, i - start);
        std::string foreign;
        for (const std::string& name : WordPhonemeNames(word)) {
          if (!IsVoicePhoneme(name)) foreign += " " + name;
        }
        if (!foreign.empty()) {
          std::cout << Utf8(word) << ":" << Utf8(foreign) << '\n';
          ++foreignWords;
        }
      }
      continue;
    }
    const std::vector<std::string> items = RunFrontEndStage(stage, line);
    if (golden) {
      std::cout << Utf8(GoldenLine(line, items)) << '\n';
    } else {
      for (const std::string& item : items) std::cout << Utf8(item) << '\n';
    }
  }
  return foreignWords == 0 ? 0 : 1;
}
