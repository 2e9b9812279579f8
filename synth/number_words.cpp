#include "synth/number_words.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "platform/paths.h"
#include "speech/speech.h"
#include "speech/wave_header.h"
#include "synth/diphone_synth.h"
#include "platform/window.h"

namespace {

constexpr std::array<const char*, 10> kOnes = {"zero", "um",   "dois", "tres", "quatro",
                                               "cinco", "seis", "sete", "oito", "nove"};
constexpr std::array<const char*, 10> kTeens = {"dez",    "onze",      "doze",      "treze",
                                                "quatorze", "quinze",  "dezesseis", "dezessete",
                                                "dezoito", "dezenove"};
constexpr std::array<const char*, 10> kTens = {"",         "",        "vinte",   "trinta",
                                               "quarenta", "cinquenta", "sessenta", "setenta",
                                               "oitenta",  "noventa"};
constexpr std::array<const char*, 10> kHundreds = {
    "cem",       "cento",      "duzentos",  "trezentos",  "quatrocentos",
    "quinhentos", "seiscentos", "setecentos", "oitocentos", "novecentos"};
// Scale names of the trillions, billions, millions and thousands groups,
// each with its trailing blank (8-bit text: ã is E3, õ is F5).
constexpr std::array<const char*, 4> kScaleSingular = {"trilh\xE3o ", "bilh\xE3o ", "milh\xE3o ",
                                                       "mil "};
constexpr std::array<const char*, 4> kScalePlural = {"trilh\xF5" "es ", "bilh\xF5" "es ",
                                                     "milh\xF5" "es ", "mil "};
constexpr std::size_t kMaxFileNameChars = 8;
constexpr int64_t kLargestSaid = 999999999999999;

std::size_t Digit(char c) { return static_cast<std::size_t>(c - '0'); }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The samples gathered for one call, with room for the header in front.
struct PlayBuffer {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kWaveHeaderSize + kNumberPlayBufferSize);
  std::size_t fill = 0;

  void Play() {
    if (fill == 0) return;
    BuildWaveHeader(bytes.data(), static_cast<uint32_t>(fill), 11025, 8, 1);
    SynthPlayImage(bytes.data(), kWaveHeaderSize + fill);
    while (SpeechBusy()) platform::WaitMessage();
    fill = 0;
  }
};

// Adds one recording's samples, playing what is gathered first when they
// would not fit. A recording longer than the whole buffer goes in pieces.
void AddRecording(PlayBuffer& buffer, std::FILE* file, std::size_t samples) {
  if (buffer.fill + samples > kNumberPlayBufferSize) buffer.Play();
  while (samples > 0) {
    const std::size_t room = kNumberPlayBufferSize - buffer.fill;
    const std::size_t take = std::min(samples, room);
    const std::size_t got =
        std::fread(buffer.bytes.data() + kWaveHeaderSize + buffer.fill, 1, take, file);
    buffer.fill += got;
    if (got < take) return;
    samples -= take;
    if (samples > 0) buffer.Play();
  }
}

}  // namespace

std::string GroupWords(std::string_view d) {
  if (d.size() != 3) return {};
  if (d == "000") return {};
  if (d == "100") return "cem";
  const std::size_t h = Digit(d[0]);
  const std::size_t t = Digit(d[1]);
  const std::size_t u = Digit(d[2]);
  std::string text;
  if (h != 0) {
    text = kHundreds[h];
    if (t == 0 && u == 0) return text;
    text += " e ";
  }
  if (t == 1) return text + kTeens[u];
  if (t != 0) {
    text += kTens[t];
    if (u == 0) return text;
    text += " e ";
  }
  if (u != 0) text += kOnes[u];
  return text;
}

std::string GroupWithScale(std::string_view s, int index) {
  const std::size_t from = static_cast<std::size_t>(index) * 3;
  if (index < 0 || index > 4 || s.size() < from + 3) return {};
  const std::string_view group = s.substr(from, 3);
  std::string text = GroupWords(group);
  if (index <= 3 && group != "000") {
    text += ' ';
    text += group == "001" ? kScaleSingular[static_cast<std::size_t>(index)]
                           : kScalePlural[static_cast<std::size_t>(index)];
  }
  return text;
}

std::string NumberToWords(int64_t v) {
  if (v == 0) return "zero";
  if (v < 0) {
    // Only reached by callers other than the speech core, which spells a
    // run with a hyphen; the magnitude is said after "menos".
    const int64_t magnitude = v == INT64_MIN ? INT64_MAX : -v;
    return "menos " + NumberToWords(magnitude);
  }
  if (v > kLargestSaid) {
    // Fifteen digits are all the scale names cover: larger values are
    // said digit by digit rather than with their top digits lost.
    std::string words;
    for (char c : std::to_string(v)) {
      if (!words.empty()) words += ' ';
      words += kOnes[Digit(c)];
    }
    return words;
  }
  std::string digits = std::string(14, '0') + std::to_string(v);
  digits = digits.substr(digits.size() - 15);
  std::array<std::string, 5> groups;
  int last = 0;
  for (int i = 0; i < 5; ++i) {
    groups[static_cast<std::size_t>(i)] = GroupWithScale(digits, i);
    if (!groups[static_cast<std::size_t>(i)].empty()) last = i;
  }
  std::string result;
  std::string separator;
  for (int i = 0; i <= last; ++i) {
    const std::string& text = groups[static_cast<std::size_t>(i)];
    if (i == last && !text.empty()) result += separator;
    result += text;
    if (!text.empty()) separator = "e ";
  }
  if (result.rfind("um mil", 0) == 0 && result.rfind("um milh", 0) != 0) result.erase(0, 3);
  return result;
}

std::string NumberWordFileName(std::string_view word) {
  std::string name = "_";
  if (word == "dezessete") {
    name += "dezeset";
  } else {
    for (char c : word) {
      if (c == '\xE3') c = 'a';
      if (c == '\xF5') c = 'o';
      name += c;
    }
  }
  if (name.size() > kMaxFileNameChars) name.resize(kMaxFileNameChars);
  return name;
}

void SpeakNumberWords(std::string_view words, bool feminine) {
  PlayBuffer buffer;
  std::vector<std::string_view> list;
  std::size_t at = 0;
  while (at < words.size()) {
    while (at < words.size() && words[at] == ' ') ++at;
    std::size_t end = at;
    while (end < words.size() && words[end] != ' ') ++end;
    if (end > at) list.push_back(words.substr(at, end - at));
    at = end;
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    std::string name = NumberWordFileName(list[i]);
    if (feminine && i + 1 == list.size()) {
      if (name == "_um") name = "_uma";
      if (name == "_dois") name = "_duas";
    }
    const std::optional<std::string> host =
        platform::HostPath(SynthLettersFolder() + name + ".wav");
    if (!host) continue;
    File file(std::fopen(host->c_str(), "rb"));
    if (!file) continue;
    // The recordings have the canonical 44-byte header; a file shorter
    // than that has no samples to give.
    if (std::fseek(file.get(), 0, SEEK_END) != 0) continue;
    const long size = std::ftell(file.get());
    if (size <= kWaveHeaderSize || std::fseek(file.get(), kWaveHeaderSize, SEEK_SET) != 0) continue;
    AddRecording(buffer, file.get(), static_cast<std::size_t>(size - kWaveHeaderSize));
  }
  buffer.Play();
}
