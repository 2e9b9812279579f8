// Looks inside the built-in synthesizer's translator. Reads UTF-8 text on
// standard input and prints, in UTF-8:
//   --phonemes     the phoneme string of each line;
//   --segments     the segments each line asks of the voice database, each
//                  marked found, fallback (replaced by the ">" lines after
//                  it), noise or silent;
//   --coverage     only the shares of segment requests over all lines that
//                  the database answers directly, through fall-backs, and
//                  with noise or silence, and the names that missed;
//   --number N     the words of the number N.
// --rules FILE, --exceptions FILE and --database DIR/NAME use other files
// than the installed ones (host paths or Windows paths).
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "platform/cp1252.h"
#include "speech/settings.h"
#include "synth/diphone_synth.h"
#include "synth/number_words.h"
#include "synth/translator.h"

namespace {

struct Report {
  std::string line;
  std::size_t requests = 0, direct = 0, fallBack = 0, missed = 0;
  bool groupMissed = false, groupOpen = false, groupFellBack = false;
  std::map<std::string, int> misses;
  std::string currentGroup;
};
Report report;

void CloseGroup() {
  if (!report.groupOpen) return;
  ++report.requests;
  if (report.groupMissed) {
    ++report.missed;
    ++report.misses[report.currentGroup];
  } else if (report.groupFellBack) {
    ++report.fallBack;
  } else {
    ++report.direct;
  }
  report.groupOpen = false;
}

void Observe(std::string_view name, int depth, SegmentOutcome outcome, std::size_t) {
  static const char* const kWords[] = {"found", "fallback", "noise", "silent"};
  if (depth == 0) {
    CloseGroup();
    report.groupOpen = true;
    report.groupMissed = false;
    report.groupFellBack = false;
    report.currentGroup = std::string(name);
  }
  if (outcome == SegmentOutcome::kFallBack) report.groupFellBack = true;
  if (outcome == SegmentOutcome::kNoise || outcome == SegmentOutcome::kSilent) {
    report.groupMissed = true;
  }
  if (!report.line.empty()) report.line += ' ';
  report.line += std::string(static_cast<std::size_t>(depth), '>') + std::string(name) + "=" +
                 kWords[static_cast<int>(outcome)];
}

void Discard(const uint8_t*, std::size_t) {}

bool IsWordByte(unsigned char c) {
  return c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
}

// The word runs of a line, as the speech core cuts them.
std::vector<std::string> WordRuns(const std::string& text) {
  std::vector<std::string> runs;
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsWordByte(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) ++end;
    runs.push_back(text.substr(i, std::min<std::size_t>(end - i, 999)));
    i = end;
  }
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode, rules, exceptions, database;
  long long number = 0;
  for (int a = 1; a < argc; ++a) {
    const std::string arg = argv[a];
    const auto next = [&]() -> std::string { return a + 1 < argc ? argv[++a] : ""; };
    if (arg == "--phonemes" || arg == "--segments" || arg == "--coverage") {
      mode = arg;
    } else if (arg == "--number") {
      mode = arg;
      number = std::atoll(next().c_str());
    } else if (arg == "--rules") {
      rules = next();
    } else if (arg == "--exceptions") {
      exceptions = next();
    } else if (arg == "--database") {
      database = next();
    } else {
      std::cerr << "usage: synth-text --phonemes|--segments|--coverage|--number N "
                   "[--rules FILE] [--exceptions FILE] [--database DIR/NAME]\n";
      return 2;
    }
  }
  if (mode == "--number") {
    std::cout << platform::Cp1252ToUtf8(NumberToWords(number)) << "\n";
    return 0;
  }
  if (mode.empty()) mode = "--phonemes";
  // The installed synthesizer first; files named on the command line
  // take the place of its own.
  SettingsStart();
  SynthStart();
  ReadSynthSettings(3);
  const int started = SynthInit();
  if (!rules.empty() && !LoadRules(rules)) {
    std::cerr << "synth-text: cannot read " << rules << "\n";
    return 1;
  }
  if ((!rules.empty() || !exceptions.empty()) && started != 0 && exceptions.empty()) {
    exceptions = "/dev/null";
  }
  if (!exceptions.empty() && !LoadExceptions(exceptions)) {
    std::cerr << "synth-text: cannot read " << exceptions << "\n";
    return 1;
  }
  if (!rules.empty() && exceptions.empty()) {
    LoadExceptions(SynthDiphonesFolder() + "portug.exc");
  }
  if (!database.empty() && !SynthOpenDatabaseAt(database)) {
    std::cerr << "synth-text: cannot open the database " << database << "\n";
    return 1;
  }
  if (started != 0 && (rules.empty() || (database.empty() && mode != "--phonemes"))) {
    std::cerr << "synth-text: the installed synthesizer does not start (" << started << ")\n";
    return 1;
  }
  SynthUseOutput(Discard);
  SynthObserveSegments(Observe);
  std::string line;
  while (std::getline(std::cin, line)) {
    const std::string text = platform::Utf8ToCp1252(line);
    if (mode == "--phonemes") {
      std::cout << platform::Cp1252ToUtf8(TranslateToPhonemes(text)) << "\n";
      continue;
    }
    report.line.clear();
    for (const std::string& run : WordRuns(text)) SpeakPhonemes(TranslateToPhonemes(run), false);
    CloseGroup();
    if (mode == "--segments") std::cout << report.line << "\n";
  }
  if (mode == "--coverage") {
    const auto share = [](std::size_t part) {
      return report.requests == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(report.requests);
    };
    std::cout << "segment requests: " << report.requests << "\n"
              << "answered directly: " << share(report.direct) << "%\n"
              << "through fall-backs: " << share(report.fallBack) << "%\n"
              << "ending in noise or silence: " << share(report.missed) << "%\n";
    for (const auto& [name, count] : report.misses) std::cout << "  missed " << name << " x" << count << "\n";
  }
  return 0;
}
