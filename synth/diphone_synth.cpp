#include "synth/diphone_synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "console/console.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "speech/speech.h"
#include "speech/wave_header.h"
#include "synth/translator.h"

namespace {

constexpr std::size_t kMaxDatabaseNameChars = 8;
constexpr std::size_t kMaxFolderChars = 79;
constexpr std::size_t kIndexRecordSize = 15;
constexpr std::size_t kMaxSegmentNameChars = 8;
constexpr std::size_t kMaxChunkChars = 40;
// A "/" ends a chunk once the chunk holds more than this many characters.
constexpr std::size_t kChunkSoftLimit = 8;
constexpr std::size_t kMaxGroupChars = 12;
constexpr std::size_t kMaxNameChars = 12;
constexpr std::size_t kSilenceStep = 100;
constexpr std::size_t kNoiseSamples = 300;
constexpr int kNoiseLow = 88;
constexpr int kNoiseHigh = 167;
constexpr uint8_t kSilence = 128;
constexpr uint32_t kSampleRate = 11025;
constexpr double kFallBackFactor = 0.9;
constexpr double kGlideFactor = 0.6;
constexpr double kPluralFactor = 0.7;

constexpr char kDefaultLettersFolder[] = "c:\\talmar\\som\\letras";
constexpr char kDefaultDiphonesFolder[] = "c:\\talmar\\som\\difones";
constexpr char kSettingsFile[] = "SONTRA.INI";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct IndexRecord {
  std::string name;
  uint16_t size = 0;
  uint32_t offset = 0;
};

struct SynthState {
  std::string databaseName = "DIFONES2";
  int cutting = 400;
  int overlap = 0;
  int wordGap = 100;
  std::string lettersFolder;
  std::string diphonesFolder;
  std::vector<IndexRecord> index;
  File data;
  std::vector<uint8_t> buffer;
  std::size_t fill = kWaveHeaderSize;
  // 1 at the start of each word, 2 while a stressed group plays, 0 after.
  int mode = 1;
  // A key stopped the utterance: the rest of it is dropped.
  bool stopped = false;
  SynthOutput output = nullptr;
  SegmentObserver observer = nullptr;
  std::minstd_rand noise{12345};
};
SynthState synth;

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

File OpenFile(std::string_view path) {
  const std::optional<std::string> host = platform::HostPath(path);
  if (!host) return nullptr;
  return File(std::fopen(host->c_str(), "rb"));
}

// ---- The utterance buffer ----

void EnsureBuffer() {
  if (synth.buffer.size() != kUtteranceBufferSize) synth.buffer.assign(kUtteranceBufferSize, 0);
}

void FlushUtterance() {
  if (synth.fill == kWaveHeaderSize) return;
  BuildWaveHeader(synth.buffer.data(), static_cast<uint32_t>(synth.fill - kWaveHeaderSize),
                  kSampleRate, 8, 1);
  SynthPlayImage(synth.buffer.data(), synth.fill);
  synth.fill = kWaveHeaderSize;
  // Only the real sound device is stopped by keys; a key waiting after it
  // played ends the utterance.
  if (synth.output == nullptr && ConsoleKeyPressed()) synth.stopped = true;
}

void EnsureRoom(std::size_t n) {
  if (synth.fill + n >= kUtteranceBufferSize) {
    FlushUtterance();
    if (synth.output == nullptr) {
      while (SpeechBusy()) platform::WaitMessage();
    }
  }
}

// Appends samples; a run longer than the buffer's room after a flush is
// played in as many buffers as it needs.
void AppendSamples(const uint8_t* samples, std::size_t n) {
  while (n > 0 && !synth.stopped) {
    const std::size_t most = kUtteranceBufferSize - 1 - kWaveHeaderSize;
    const std::size_t take = std::min(n, most);
    EnsureRoom(take);
    if (synth.stopped) return;
    std::memcpy(synth.buffer.data() + synth.fill, samples, take);
    synth.fill += take;
    samples += take;
    n -= take;
  }
}

void AppendSilence(int samples) {
  if (samples <= 0) return;
  uint8_t silence[kSilenceStep];
  std::memset(silence, kSilence, sizeof silence);
  for (int i = 0; i < samples / static_cast<int>(kSilenceStep) && !synth.stopped; ++i) {
    AppendSamples(silence, kSilenceStep);
  }
}

void AppendNoise() {
  uint8_t noise[kNoiseSamples];
  std::uniform_int_distribution<int> value(kNoiseLow, kNoiseHigh);
  for (uint8_t& sample : noise) sample = static_cast<uint8_t>(value(synth.noise));
  AppendSamples(noise, kNoiseSamples);
}

// ---- Voice database and recordings ----

bool LoadIndex(std::FILE* file) {
  synth.index.clear();
  uint8_t record[kIndexRecordSize];
  while (std::fread(record, 1, kIndexRecordSize, file) == kIndexRecordSize) {
    IndexRecord entry;
    const std::size_t length = std::min<std::size_t>(record[0], kMaxSegmentNameChars);
    entry.name.assign(reinterpret_cast<const char*>(record + 1), length);
    entry.size = static_cast<uint16_t>(record[9] | (record[10] << 8));
    entry.offset = static_cast<uint32_t>(record[11]) | (static_cast<uint32_t>(record[12]) << 8) |
                   (static_cast<uint32_t>(record[13]) << 16) |
                   (static_cast<uint32_t>(record[14]) << 24);
    synth.index.push_back(std::move(entry));
  }
  return true;
}

bool OpenDatabaseFiles(const std::string& base) {
  File index = OpenFile(base + ".IND");
  if (!index) return false;
  LoadIndex(index.get());
  synth.data = OpenFile(base + ".DIF");
  return synth.data != nullptr;
}

// Makes `folder` current, first its drive and then the folder itself,
// remembering the folder that was current on that drive.
bool EnterFolder(const std::string& folder, std::vector<std::string>& driveFolders) {
  if (folder.size() >= 2 && folder[1] == ':') {
    if (!platform::SetCurrentFolder(folder.substr(0, 2))) return false;
    driveFolders.push_back(platform::CurrentFolder());
  }
  return platform::SetCurrentFolder(folder);
}

bool OpenVoiceDatabase() {
  const std::string before = platform::CurrentFolder();
  std::vector<std::string> driveFolders;
  bool ok = false;
  do {
    const std::string letters = platform::GetProfileString(
        "TRADUTOR", "dirLetras", kDefaultLettersFolder, kMaxFolderChars, kSettingsFile);
    if (!EnterFolder(letters, driveFolders)) break;
    synth.lettersFolder = WithBackslash(letters);
    const std::string diphones = platform::GetProfileString(
        "TRADUTOR", "DIRDIFONES", kDefaultDiphonesFolder, kMaxFolderChars, kSettingsFile);
    if (!EnterFolder(diphones, driveFolders)) break;
    synth.diphonesFolder = WithBackslash(diphones);
    ok = OpenDatabaseFiles(synth.diphonesFolder + synth.databaseName);
  } while (false);
  for (auto it = driveFolders.rbegin(); it != driveFolders.rend(); ++it) {
    platform::SetCurrentFolder(*it);
  }
  platform::SetCurrentFolder(before);
  return ok;
}

const IndexRecord* FindSegment(const std::string& key) {
  const auto found = std::lower_bound(
      synth.index.begin(), synth.index.end(), key,
      [](const IndexRecord& record, const std::string& k) { return record.name < k; });
  if (found == synth.index.end() || found->name != key) return nullptr;
  return &*found;
}

// Plays a database segment; false when the index has no such name.
bool PlayFromDatabase(const std::string& name, int mode, double factor, std::size_t& samples) {
  std::string key = name;
  for (char& c : key) c = Upper(c);
  const IndexRecord* record = FindSegment(key);
  if (record == nullptr || !synth.data) return false;
  long kept = record->size;
  if (mode < 2 && key.size() > 2) {
    // A negative cut would lengthen the segment past its own end.
    kept = record->size - std::max(synth.cutting, 0);
    if (kept < synth.overlap) kept = std::min<long>(record->size, synth.overlap);
  }
  kept = std::max(kept, 0L);
  const auto bytes = static_cast<std::size_t>(std::trunc(static_cast<double>(kept) * factor));
  std::vector<uint8_t> segment(std::min<std::size_t>(bytes, record->size));
  std::size_t got = 0;
  if (!segment.empty() && std::fseek(synth.data.get(), static_cast<long>(record->offset), SEEK_SET) == 0) {
    got = std::fread(segment.data(), 1, segment.size(), synth.data.get());
  }
  AppendSamples(segment.data(), got);
  samples = got;
  return true;
}

bool SameIdentifier(const uint8_t* bytes, const char* id) {
  for (int i = 0; i < 4; ++i) {
    if (Upper(static_cast<char>(bytes[i])) != id[i]) return false;
  }
  return true;
}

uint32_t Little32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

// Positions the file at the samples of its "data" chunk and returns their
// length; 0 when the file is not RIFF WAVE with "fmt " first.
uint32_t FindDataChunk(std::FILE* file) {
  uint8_t header[12];
  if (std::fread(header, 1, 12, file) != 12 || !SameIdentifier(header, "RIFF")) return 0;
  uint8_t chunk[8];
  if (std::fread(chunk, 1, 8, file) != 8 || !SameIdentifier(chunk, "FMT ")) return 0;
  if (std::fseek(file, static_cast<long>(Little32(chunk + 4)), SEEK_CUR) != 0) return 0;
  while (std::fread(chunk, 1, 8, file) == 8) {
    if (SameIdentifier(chunk, "DATA")) return Little32(chunk + 4);
    if (std::fseek(file, static_cast<long>(Little32(chunk + 4)), SEEK_CUR) != 0) return 0;
  }
  return 0;
}

// Plays a recording of the letters folder whole; false when it is missing
// or holds no samples. The data length is taken in full (not cut to 16
// bits) but never past the end of the file.
bool PlayRecording(const std::string& name, std::size_t& samples) {
  File file = OpenFile(synth.lettersFolder + name + ".wav");
  if (!file) return false;
  const uint32_t length = FindDataChunk(file.get());
  if (length == 0) return false;
  std::vector<uint8_t> bytes(std::min<uint32_t>(length, 16u * 1024 * 1024));
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (got == 0) return false;
  AppendSamples(bytes.data(), got);
  samples = got;
  return true;
}

bool IsNameVowel(char c) { return std::strchr("AEIOUaeiouwy", c) != nullptr && c != '\0'; }

// Reports a request by its key, the name as the database sees it.
void Observe(const std::string& name, int depth, SegmentOutcome outcome, std::size_t samples) {
  if (synth.observer == nullptr) return;
  std::string key = name;
  for (char& c : key) c = Upper(c);
  synth.observer(key, depth, outcome, samples);
}

void PlayDiphone(std::string name, int mode, double factor, int depth) {
  if (name.size() > kMaxNameChars) name.resize(kMaxNameChars);
  std::size_t samples = 0;
  const bool found = !name.empty() && name[0] == '_' ? PlayRecording(name, samples)
                                                     : PlayFromDatabase(name, mode, factor, samples);
  if (found) {
    Observe(name, depth, SegmentOutcome::kFound, samples);
    return;
  }
  const auto ends = [&name](std::string_view tail) {
    return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (name.size() <= 2) {
    Observe(name, depth, SegmentOutcome::kNoise, kNoiseSamples);
    AppendNoise();
  } else if (IsNameVowel(name.back())) {
    Observe(name, depth, SegmentOutcome::kFallBack, 0);
    PlayDiphone(name.substr(0, name.size() - 1), mode, factor * kFallBackFactor, depth + 1);
    PlayDiphone(std::string("$") + name.back(), mode, factor, depth + 1);
  } else if (ends("CIRC") && name.size() > 6) {
    Observe(name, depth, SegmentOutcome::kFallBack, 0);
    PlayDiphone(name.substr(0, name.size() - 5), mode, factor * kFallBackFactor, depth + 1);
    PlayDiphone("$" + name.substr(name.size() - 5), mode, factor, depth + 1);
  } else if (ends("TIL")) {
    Observe(name, depth, SegmentOutcome::kFallBack, 0);
    const std::string m = name.substr(0, name.size() - 3);
    const char v = m.empty() ? '\0' : Upper(m.back());
    if (v == 'I' || v == 'U') {
      PlayDiphone(m, mode, factor * kFallBackFactor, depth + 1);
    } else {
      PlayDiphone(m + "CIRC", 2, factor * kFallBackFactor, depth + 1);
    }
    PlayDiphone("$nn", 1, kFallBackFactor, depth + 1);
  } else {
    Observe(name, depth, SegmentOutcome::kSilent, 0);
  }
}

void PlayGroup(std::string g, double factor) {
  if (g.size() > kMaxGroupChars) g.resize(kMaxGroupChars);
  if (g.empty()) return;
  if (g[0] == '_') {
    // A lone "_" names no character; there is nothing to say for it.
    if (g.size() < 2) return;
    PlayDiphone("_" + std::to_string(static_cast<unsigned char>(g[1])), synth.mode, factor, 0);
    return;
  }
  std::string name = "$";
  bool stressed = false;
  for (char c : g) {
    if (c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U') {
      synth.mode = 2;
      stressed = true;
    }
    if (c == '^') {
      PlayDiphone(name + "CIRC", synth.mode, factor, 0);
      name = "$";
    } else if (c == '~') {
      PlayDiphone(name + "TIL", synth.mode, factor, 0);
      name = "$";
    } else if (name.size() < kMaxNameChars) {
      name += c;
    }
  }
  if (name != "$") PlayDiphone(name, synth.mode, factor, 0);
  if (stressed) synth.mode = 0;
}

bool IsChunkConsonant(char c) { return c != '\0' && std::strchr("bcdfgjklmnpqrstvxz", c) != nullptr; }
bool IsChunkVowel(char c) { return c != '\0' && std::strchr("AEIOUaeiouwy", c) != nullptr; }

void SplitChunk(const std::string& u, double factor) {
  const std::size_t n = u.size();
  if (n == 0) return;
  if (n == 1) {
    PlayGroup(u, factor);
    return;
  }
  const auto begins = [&u](std::string_view head) { return u.rfind(head, 0) == 0; };
  const char last = u[n - 1];
  const char before = u[n - 2];
  if (n > 2 && IsChunkConsonant(u[0]) && IsChunkConsonant(u[1]) && !begins("dj") &&
      !begins("nh") && !begins("rr") && !begins("ks") && !begins("tch")) {
    PlayGroup(u.substr(0, 1), 1.0);
    SplitChunk(u.substr(1), factor);
    return;
  }
  if (n > 2 && before == 'r' && last == 'r') {
    SplitChunk(u.substr(0, n - 2), factor);
    PlayGroup("rr", factor);
    return;
  }
  if (n > 2 && IsChunkConsonant(last)) {
    SplitChunk(u.substr(0, n - 1), factor);
    SplitChunk(u.substr(n - 1), factor);
    return;
  }
  if (last == 'w' || last == 'y') {
    if (n > 2 && IsChunkVowel(before)) {
      SplitChunk(u.substr(0, n - 1), kGlideFactor);
      PlayGroup(u.substr(n - 2), factor);
      return;
    }
    if (before == '^' || before == '~') {
      if (n > 3) {
        SplitChunk(before == '~' ? u.substr(0, n - 2) + "^" : u.substr(0, n - 1), kGlideFactor);
        PlayGroup(std::string{u[n - 3], last, before}, factor);
      } else if (n == 3) {
        PlayGroup(std::string{u[0], u[2], u[1]}, factor);
      } else {
        // A mark with no vowel before it has nothing to change; the
        // semivowel is said alone.
        PlayGroup(std::string(1, last), factor);
      }
      return;
    }
  }
  if (u != "_s" && last == 's') {
    SplitChunk(u.substr(0, n - 1), kPluralFactor);
    PlayGroup("s", factor);
    return;
  }
  PlayGroup(u, factor);
}

int PunctuationPause(char mark) {
  switch (mark) {
    case ',': return 4000;
    case '.': return 8000;
    case ';': return 6000;
    case ':': return 8000;
    default: return -1;
  }
}

// Takes the next chunk from position `i` (0-based) and moves past it.
std::string NextChunk(std::string_view s, std::size_t& i, bool keep) {
  std::string chunk;
  const auto add = [&chunk](char c) {
    if (chunk.size() < kMaxChunkChars) chunk += c;
  };
  if (s[i] == '[') {
    synth.mode = 1;
    ++i;
  }
  while (i < s.size() && s[i] != ' ' && s[i] != ']') {
    const char c = s[i];
    if (c == '/') {
      if (chunk.size() > kChunkSoftLimit) break;
      ++i;
    } else if (c == '_') {
      add(c);
      ++i;
      if (i < s.size()) add(s[i++]);
    } else {
      add(c);
      ++i;
    }
  }
  if (i < s.size()) ++i;
  if (!keep && chunk.size() == 2 && chunk[0] == '_' && PunctuationPause(chunk[1]) > 0) {
    const int pause = PunctuationPause(chunk[1]);
    chunk.clear();
    AppendSilence(pause);
  }
  return chunk;
}

}  // namespace

void SynthStart() {
  synth.data.reset();
  synth = SynthState{};
}

void SynthSetCutting(int cutting, int overlap, int wordGap) {
  synth.cutting = cutting;
  synth.overlap = overlap;
  synth.wordGap = wordGap;
}
int SynthCutting() { return synth.cutting; }
int SynthOverlap() { return synth.overlap; }
int SynthWordGap() { return synth.wordGap; }

void SynthSetDatabaseName(const std::string& name) {
  synth.databaseName = name.substr(0, kMaxDatabaseNameChars);
}
const std::string& SynthDatabaseName() { return synth.databaseName; }

int SynthInit() {
  if (!OpenVoiceDatabase()) return 1;
  if (!LoadRules(synth.diphonesFolder + "regras.rgr")) return 2;
  if (!LoadExceptions(synth.diphonesFolder + "portug.exc")) return 2;
  EnsureBuffer();
  return 0;
}

void SynthDone() {
  synth.buffer.clear();
  synth.buffer.shrink_to_fit();
  FreeRules();
  synth.data.reset();
  synth.index.clear();
  synth.index.shrink_to_fit();
}

bool SynthOpenDatabaseAt(std::string_view pathWithoutExtension) {
  synth.data.reset();
  synth.index.clear();
  return OpenDatabaseFiles(std::string(pathWithoutExtension));
}

std::size_t SynthIndexSize() { return synth.index.size(); }

std::string VoiceIndexRecord(std::string_view name, uint32_t size, uint32_t offset) {
  std::string record(15, '\0');
  const std::size_t length = std::min<std::size_t>(name.size(), 8);
  record[0] = static_cast<char>(length);
  record.replace(1, length, name.substr(0, length));
  record[9] = static_cast<char>(size & 0xFF);
  record[10] = static_cast<char>((size >> 8) & 0xFF);
  for (int i = 0; i < 4; ++i) record[11 + i] = static_cast<char>(offset >> (8 * i));
  return record;
}

void SpeakPhonemes(std::string_view s, bool punctuationAsRecording) {
  EnsureBuffer();
  synth.fill = kWaveHeaderSize;
  synth.mode = 1;
  synth.stopped = false;
  std::size_t i = 0;
  while (i < s.size() && !synth.stopped) {
    const std::string chunk = NextChunk(s, i, punctuationAsRecording);
    SplitChunk(chunk, 1.0);
    if (i < s.size() && i > 0 && s[i - 1] != ' ') AppendSilence(synth.wordGap);
  }
  if (synth.stopped) {
    synth.fill = kWaveHeaderSize;
    return;
  }
  FlushUtterance();
}

const std::string& SynthLettersFolder() { return synth.lettersFolder; }
const std::string& SynthDiphonesFolder() { return synth.diphonesFolder; }

void SynthUseOutput(SynthOutput output) { synth.output = output; }

void SynthPlayImage(const uint8_t* image, std::size_t size) {
  if (synth.output != nullptr) {
    synth.output(image, size);
  } else {
    PlayWaveAndWait(image, size);
  }
}

void SynthObserveSegments(SegmentObserver observer) { synth.observer = observer; }
