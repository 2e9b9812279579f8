// Builds the built-in synthesizer's installation data with espeak-ng's
// Brazilian Portuguese voice:
//   voice_builder database OUTDIR NAME RULES EXCEPTIONS CORPUS...
//     the voice database NAME.IND / NAME.DIF holding every segment the
//     rules ask for on the corpus, and the usual syllables besides;
//   voice_builder recordings LETTERSDIR MESSAGESDIR
//     the letter, number-word and message recordings.
// Everything is 8-bit unsigned mono at 11025 Hz, resampled with libsoxr.
#include <soxr.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/messages.h"
#include "platform/cp1252.h"
#include "speech/wave_header.h"
#include "synth/diphone_synth.h"
#include "synth/number_words.h"
#include "synth/translator.h"

namespace {

constexpr int kRate = 11025;

// Speaks `input` with espeak-ng and returns its 16-bit samples and rate.
std::vector<int16_t> Espeak(const std::string& input, int speed, int* rate) {
  const std::string file = "/tmp/voice_builder_input." + std::to_string(getpid());
  {
    std::ofstream out(file, std::ios::binary);
    out << input;
  }
  const std::string command =
      "espeak-ng -v pt-br -s " + std::to_string(speed) + " --stdout -f " + file;
  std::FILE* pipe = popen(command.c_str(), "r");
  std::vector<uint8_t> bytes;
  if (pipe != nullptr) {
    uint8_t block[8192];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0) bytes.insert(bytes.end(), block, block + got);
    pclose(pipe);
  }
  std::remove(file.c_str());
  std::vector<int16_t> samples;
  *rate = 22050;
  if (bytes.size() < 44) return samples;
  *rate = bytes[24] | (bytes[25] << 8) | (bytes[26] << 16) | (bytes[27] << 24);
  for (std::size_t i = 44; i + 1 < bytes.size(); i += 2) {
    samples.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return samples;
}

// Resamples to 11025 Hz and makes 8-bit unsigned samples, without the
// silence at either end.
std::string To8Bit(const std::vector<int16_t>& in, int rate, bool trim) {
  if (in.empty() || rate <= 0) return {};
  const double ratio = static_cast<double>(kRate) / rate;
  std::vector<float> out(static_cast<std::size_t>(static_cast<double>(in.size()) * ratio) + 16);
  std::vector<float> source(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) source[i] = in[i] / 32768.0f;
  std::size_t done = 0;
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_oneshot(rate, kRate, 1, source.data(), source.size(), nullptr, out.data(), out.size(),
               &done, nullptr, &quality, nullptr);
  out.resize(done);
  std::size_t first = 0, last = out.size();
  if (trim) {
    const float threshold = 0.02f;
    while (first < last && std::abs(out[first]) < threshold) ++first;
    while (last > first && std::abs(out[last - 1]) < threshold) --last;
  }
  std::string samples;
  for (std::size_t i = first; i < last; ++i) {
    const float v = std::clamp(out[i], -1.0f, 0.999f);
    samples.push_back(static_cast<char>(static_cast<int>(v * 128.0f) + 128));
  }
  return samples;
}

bool WriteWave(const std::string& path, const std::string& samples) {
  uint8_t header[kWaveHeaderSize];
  BuildWaveHeader(header, static_cast<uint32_t>(samples.size()), kRate, 8, 1);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), kWaveHeaderSize);
  out << samples;
  return static_cast<bool>(out);
}

// ---- Segment names to espeak-ng phonemes ----

const std::map<std::string, std::string> kConsonants = {
    {"tch", "tS"}, {"dj", "dZ"}, {"nh", "n^"}, {"lh", "lj"}, {"rr", "x"}, {"kw", "kw"},
    {"gw", "gw"},  {"p", "p"},   {"b", "b"},   {"t", "t"},   {"d", "d"},  {"k", "k"},
    {"g", "g"},    {"f", "f"},   {"v", "v"},   {"s", "s"},   {"z", "z"},  {"m", "m"},
    {"n", "n"},    {"l", "l"},   {"r", "r"},   {"x", "S"},   {"j", "Z"},  {"c", "k"},
    {"q", "k"},    {"h", ""}};

bool IsVowelLetter(char c) { return std::strchr("aeiou", c) != nullptr && c != '\0'; }

// "$KWA", "$NACIRC", "$AWTIL" to the phonemes espeak-ng says them with,
// stressed so that the syllable is whole.
std::string NameToPhonemes(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!name.empty() && name[0] == '$') name.erase(0, 1);
  std::string form;
  for (const char* suffix : {"circ", "til"}) {
    const std::string s = suffix;
    if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) {
      form = s;
      name.resize(name.size() - s.size());
    }
  }
  std::string out;
  bool stressed = false;
  std::size_t lastVowel = std::string::npos;
  for (std::size_t i = 0; i < name.size();) {
    const char c = name[i];
    if (IsVowelLetter(c)) {
      if (!stressed) {
        out += '\'';
        stressed = true;
      }
      lastVowel = out.size();
      out += c;
      ++i;
      continue;
    }
    if ((c == 'y' || c == 'w') && lastVowel != std::string::npos) {
      out += c == 'y' ? "j" : "w";
      ++i;
      continue;
    }
    if (c == 'y' || c == 'w') {
      out += c == 'y' ? "i" : "u";
      ++i;
      continue;
    }
    bool matched = false;
    for (std::size_t len = 3; len >= 1 && !matched; --len) {
      if (i + len > name.size()) continue;
      const auto found = kConsonants.find(name.substr(i, len));
      if (found != kConsonants.end()) {
        out += found->second;
        i += len;
        matched = true;
      }
    }
    if (!matched) ++i;
  }
  // A consonant alone is said with the short, unstressed i that Brazilian
  // speakers put after it anyway; a stop alone would be all but silent.
  if (lastVowel == std::string::npos && form.empty() && !out.empty()) out += 'y';
  if (lastVowel != std::string::npos && !form.empty()) {
    const char v = out[lastVowel];
    std::string vowel(1, v);
    std::string glide = out.substr(lastVowel + 1);
    if (form == "circ") {
      if (v == 'a') vowel = "&";
      out = out.substr(0, lastVowel) + vowel + glide;
    } else {
      if (v == 'a' && glide == "w") {
        out = out.substr(0, lastVowel) + "&U~";
      } else {
        vowel = (v == 'a' ? std::string("&") : vowel) + "~";
        out = out.substr(0, lastVowel) + vowel + glide;
      }
    }
  }
  return out;
}

// ---- Which segments the rules ask for ----

std::set<std::string>& Wanted() {
  static std::set<std::string> names;
  return names;
}

void Collect(std::string_view name, int, SegmentOutcome, std::size_t) {
  if (name.empty() || name[0] != '$' || name.size() > 8) return;
  Wanted().insert(std::string(name));
}
void Discard(const uint8_t*, std::size_t) {}

bool IsWordByte(unsigned char c) {
  return c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
}

// Runs one line of text through the translator and the chunk splitting as
// the speech core would for its word runs.
void SpeakLineDry(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsWordByte(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) ++end;
    SpeakPhonemes(TranslateToPhonemes(text.substr(i, std::min<std::size_t>(end - i, 999))), false);
    i = end;
  }
}

int BuildDatabase(int argc, char** argv) {
  if (argc < 7) return 2;
  const std::string folder = argv[2], name = argv[3];
  if (!LoadRules(argv[4]) || !LoadExceptions(argv[5])) {
    std::cerr << "voice_builder: cannot read the rules or the exceptions\n";
    return 1;
  }
  SynthUseOutput(Discard);
  SynthObserveSegments(Collect);
  for (int a = 6; a < argc; ++a) {
    std::ifstream in(argv[a]);
    std::string line;
    while (std::getline(in, line)) SpeakLineDry(platform::Utf8ToCp1252(line));
  }
  // The usual syllables, whatever the corpus holds.
  const char* onsets[] = {"", "p", "b", "t", "d", "k", "g", "f", "v", "s", "z", "x", "j",
                          "m", "n", "l", "r", "rr", "nh", "lh", "tch", "dj", "kw", "gw"};
  for (const char* onset : onsets) {
    for (const char* vowel : {"a", "e", "i", "o", "u"}) {
      const std::string base = std::string("$") + onset + vowel;
      for (const std::string& form : {std::string(), std::string("CIRC"), std::string("TIL")}) {
        std::string n = base + form;
        for (char& c : n) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (n.size() <= 8) Wanted().insert(n);
      }
    }
    std::string single = std::string("$") + onset;
    for (char& c : single) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (single.size() > 1) Wanted().insert(single);
  }
  for (const char* extra : {"$NN", "$AY", "$AW", "$EY", "$EW", "$OY", "$OW", "$UY", "$IW",
                            "$AWTIL", "$AYTIL", "$OYTIL", "$EYTIL", "$UYTIL", "$W", "$Y"}) {
    Wanted().insert(extra);
  }
  std::string index, data;
  std::size_t count = 0;
  for (const std::string& segment : Wanted()) {
    std::string phonemes = NameToPhonemes(segment);
    if (segment == "$NN") phonemes = "n";
    if (phonemes.empty()) continue;
    int rate = 0;
    const std::vector<int16_t> raw = Espeak("[[" + phonemes + "]]", 160, &rate);
    std::string samples = To8Bit(raw, rate, true);
    if (samples.empty() || samples.size() > 65535 || data.size() + samples.size() > 0xFFFFFFFFu) continue;
    index += VoiceIndexRecord(segment, static_cast<uint32_t>(samples.size()),
                              static_cast<uint32_t>(data.size()));
    data += samples;
    ++count;
  }
  std::ofstream(folder + "/" + name + ".IND", std::ios::binary) << index;
  std::ofstream(folder + "/" + name + ".DIF", std::ios::binary) << data;
  std::cout << "voice_builder: " << count << " segments, " << data.size() << " bytes\n";
  return 0;
}

// ---- Recordings ----

// The names said for characters that have one, by code (UTF-8).
const std::map<int, std::string>& CharacterNames() {
  static const std::map<int, std::string> names = [] {
    std::map<int, std::string> n = {
        {' ', "espaço"}, {'!', "exclamação"}, {'"', "aspas"}, {'#', "cerquilha"},
        {'$', "cifrão"}, {'%', "por cento"}, {'&', "e comercial"}, {'\'', "apóstrofo"},
        {'(', "abre parêntese"}, {')', "fecha parêntese"}, {'*', "asterisco"}, {'+', "mais"},
        {',', "vírgula"}, {'-', "hífen"}, {'.', "ponto"}, {'/', "barra"}, {':', "dois pontos"},
        {';', "ponto e vírgula"}, {'<', "menor"}, {'=', "igual"}, {'>', "maior"},
        {'?', "interrogação"}, {'@', "arroba"}, {'[', "abre colchete"},
        {'\\', "barra invertida"}, {']', "fecha colchete"}, {'^', "circunflexo"},
        {'_', "sublinhado"}, {'`', "crase"}, {'{', "abre chave"}, {'|', "barra vertical"},
        {'}', "fecha chave"}, {'~', "til"}, {0xAA, "ordinal feminino"},
        {0xBA, "ordinal masculino"}, {0xA7, "parágrafo"}, {0xB0, "grau"}, {1, "símbolo"}};
    const char* digits[] = {"zero", "um", "dois", "três", "quatro",
                            "cinco", "seis", "sete", "oito", "nove"};
    for (int d = 0; d < 10; ++d) n['0' + d] = digits[d];
    const char* letters[] = {"á", "bê", "cê", "dê", "é", "éfe", "gê", "agá", "í",
                             "jota", "cá", "éle", "ême", "êne", "ó", "pê", "quê", "érre",
                             "ésse", "tê", "ú", "vê", "dáblio", "xis", "ípsilon", "zê"};
    for (int l = 0; l < 26; ++l) {
      n['a' + l] = letters[l];
      n['A' + l] = letters[l];
    }
    const std::pair<int, const char*> accented[] = {
        {0xE1, "á agudo"}, {0xE0, "á crase"}, {0xE2, "á circunflexo"}, {0xE3, "á til"},
        {0xE9, "é agudo"}, {0xEA, "ê circunflexo"}, {0xED, "í agudo"}, {0xF3, "ó agudo"},
        {0xF4, "ô circunflexo"}, {0xF5, "ó til"}, {0xFA, "ú agudo"}, {0xFC, "u trema"},
        {0xE7, "cê cedilha"}, {0xF1, "êne til"}};
    for (const auto& [code, text] : accented) {
      n[code] = text;
      n[code - 0x20] = text;
    }
    return n;
  }();
  return names;
}

int BuildRecordings(int argc, char** argv) {
  if (argc < 4) return 2;
  const std::string letters = argv[2], messages = argv[3];
  std::size_t count = 0;
  const auto record = [&count](const std::string& path, const std::string& text) {
    int rate = 0;
    const std::vector<int16_t> raw = Espeak(text, 165, &rate);
    const std::string samples = To8Bit(raw, rate, true);
    if (!samples.empty() && WriteWave(path, samples)) ++count;
  };
  for (const auto& [code, text] : CharacterNames()) {
    record(letters + "/_" + std::to_string(code) + ".wav", text);
  }
  std::set<std::string> words = {"zero", "um", "uma", "dois", "duas", "e", "cem", "mil",
                                 "milh\xE3o", "milh\xF5" "es", "bilh\xE3o", "bilh\xF5" "es",
                                 "trilh\xE3o", "trilh\xF5" "es"};
  for (const int v : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 30,
                      40, 50, 60, 70, 80, 90, 101, 200, 300, 400, 500, 600, 700, 800, 900}) {
    std::string all = NumberToWords(v);
    std::size_t at = 0;
    while (at < all.size()) {
      const std::size_t end = std::min(all.find(' ', at), all.size());
      if (end > at) words.insert(all.substr(at, end - at));
      at = end + 1;
    }
  }
  for (const std::string& word : words) {
    // The spelling "tres" has no accent in the tables; say it as written
    // with its accent.
    const std::string said = word == "tres" ? "três" : platform::Cp1252ToUtf8(word);
    record(letters + "/" + NumberWordFileName(word) + ".wav", said);
  }
  record(letters + "/_MENOS.wav", "menos");
  record(letters + "/_zero.wav", "zero");
  for (const char* key : {"LFINIC", "LFMENUPRIN", "LFDESSETAS", "LFTABA", "LFTABB", "LFTABC",
                          "LFMANUAL", "LFFINAL", "LFSOCKERR", "LFCONERR", "LFSERVERR",
                          "LFTABERR", "LFCONFIM", "LFCANCEL", "LFVERTAB", "LFVERROD",
                          "LFVOLTAR", "LFRDERR", "LFFIM"}) {
    const std::string text = MessageText(key);
    if (!text.empty()) record(messages + "/" + key + ".wav", platform::Cp1252ToUtf8(text));
  }
  std::cout << "voice_builder: " << count << " recordings\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  int result = 2;
  if (what == "database") result = BuildDatabase(argc, argv);
  if (what == "recordings") result = BuildRecordings(argc, argv);
  if (what == "phonemes" && argc > 2) {
    int rate = 0;
    const auto raw = Espeak("[[" + NameToPhonemes(argv[2]) + "]]", 160, &rate);
    std::cout << NameToPhonemes(argv[2]) << " " << raw.size() << " samples at " << rate << ", "
              << To8Bit(raw, rate, true).size() << " kept\n";
    result = 0;
  }
  if (result == 2) {
    std::cerr << "usage: voice_builder database OUTDIR NAME RULES EXCEPTIONS CORPUS...\n"
                 "       voice_builder recordings LETTERSDIR MESSAGESDIR\n";
  }
  return result;
}
