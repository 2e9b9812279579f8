// Throughput of the MBROLA engine's front end (text to MBROLA lines), in
// words per second, beside that of espeak-ng's own Portuguese front end
// (`espeak-ng -q -x -v pt-br`) on the same text, measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "mbrola_tts/front_end.h"
#include "mbrola_tts/prosody.h"
#include "platform/cp1252.h"

#ifndef TAVINE_SOURCE_DIR
#define TAVINE_SOURCE_DIR "."
#endif

namespace {

using Clock = std::chrono::steady_clock;

void IgnoreMessage(std::string_view) {}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
  const std::string source = TAVINE_SOURCE_DIR;
  std::ifstream in(source + "/data/corpus/tavine_text.txt");
  if (!in) {
    std::cerr << "tavine_bench: cannot read data/corpus/tavine_text.txt\n";
    return 1;
  }
  std::vector<std::string> paragraphs;
  std::string line;
  std::size_t wordsOnce = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream words(line);
    std::string word;
    while (words >> word) ++wordsOnce;
    paragraphs.push_back(line);
  }

  SetProsodyMessageSink(IgnoreMessage);
  std::string failure;
  if (!LoadFrontEndData(source + "/data/tavine", &failure)) {
    std::cerr << "tavine_bench: cannot read the " << failure << '\n';
    return 1;
  }

  // The text, repeated, as one file for espeak-ng and as lines for us; the
  // engine speaks one text (a paragraph) at a time.
  const char* tmp = std::getenv("TMPDIR");
  const std::string textFile = std::string(tmp ? tmp : "/tmp") + "/tavine_bench_text.txt";
  {
    std::ofstream out(textFile);
    for (int r = 0; r < repeats; ++r) {
      for (const std::string& p : paragraphs) out << p << '\n';
    }
  }
  const double words = static_cast<double>(wordsOnce) * repeats;

  std::vector<std::string> texts;
  for (const std::string& p : paragraphs) texts.push_back(platform::Utf8ToCp1252(p));
  std::size_t lines = 0;
  const auto start = Clock::now();
  for (int r = 0; r < repeats; ++r) {
    for (const std::string& text : texts) lines += TextToMbrolaLines(text, 1.0, 1.0).size();
  }
  const double ours = Seconds(start);
  std::printf("text: %.0f words (%d repeats of %zu words), %zu MBROLA lines\n", words, repeats,
              wordsOnce, lines);
  std::printf("tavine front end : %8.3f s  %10.0f words/s\n", ours, words / ours);

  const std::string command = "espeak-ng -q -x -v pt-br -f " + textFile + " > /dev/null 2>&1";
  if (std::system("command -v espeak-ng > /dev/null 2>&1") != 0) {
    std::printf("espeak-ng        : not installed (apt-get install espeak-ng)\n");
    std::remove(textFile.c_str());
    return 0;
  }
  const auto espeakStart = Clock::now();
  const int status = std::system(command.c_str());
  const double espeak = Seconds(espeakStart);
  std::remove(textFile.c_str());
  if (status != 0) {
    std::printf("espeak-ng        : failed (status %d)\n", status);
    return 0;
  }
  std::printf("espeak-ng -x     : %8.3f s  %10.0f words/s\n", espeak, words / espeak);
  std::printf("ratio            : %.2f (tavine words/s over espeak-ng words/s)\n", espeak / ours);
  return 0;
}
