#include "platform/observe.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/cp1252.h"

namespace platform {
namespace {

constexpr int kColumns = 80;
constexpr int kRows = 25;
constexpr int kCells = kColumns * kRows;

// One observation file switched on by its environment variable. The file is
// opened the first time something is written to it; a file that cannot be
// opened is reported once and then left alone, so a bad path never stops
// the program.
struct LogFile {
  const char* variable = nullptr;
  bool looked = false;  // the variable was read and the open tried
  std::FILE* file = nullptr;
};

struct ObserveState {
  std::mutex mutex;
  LogFile trace{"TALMAR_TRACE"};
  LogFile audio{"TALMAR_AUDIO_LOG"};
  bool screenLooked = false;
  std::string screenPath;  // empty: no screen file, or it failed
  bool screenWritten = false;
  uint8_t lastScreen[2 * kCells] = {};
};

// The state outlives static destruction on purpose: the sound device's
// thread may still log while the program is ending.
ObserveState& State() {
  static auto* state = new ObserveState;
  return *state;
}

std::chrono::steady_clock::time_point StartTime() {
  static const auto start = std::chrono::steady_clock::now();
  return start;
}

// Captures the start time while the program starts, before any module runs
// its main code, rather than at the first observation.
[[maybe_unused]] const auto gStartCaptured = StartTime();

void EndObservation(ObserveState& state) {
  for (LogFile* log : {&state.trace, &state.audio}) {
    if (log->file != nullptr) std::fclose(log->file);
    log->file = nullptr;
    log->looked = false;
  }
  state.screenLooked = false;
  state.screenPath.clear();
  state.screenWritten = false;
}

std::FILE* OpenLog(LogFile& log) {
  if (log.looked) return log.file;
  log.looked = true;
  const char* path = std::getenv(log.variable);
  if (path == nullptr || *path == '\0') return nullptr;
  log.file = std::fopen(path, "ab");
  if (log.file == nullptr) {
    std::fprintf(stderr, "ligafala: cannot open %s file %s: %s\n", log.variable, path,
                 std::strerror(errno));
  }
  return log.file;
}

// Each event must stay one line, so line breaks inside an argument become
// blanks.
void AppendOneLine(std::string& out, std::string_view utf8) {
  for (char c : utf8) out += (c == '\n' || c == '\r') ? ' ' : c;
}

void WriteLine(LogFile& log, std::string_view word, std::string_view utf8Argument) {
  std::string line = std::to_string(MillisSinceStart());
  line += ' ';
  AppendOneLine(line, word);
  if (!utf8Argument.empty()) {
    line += ' ';
    AppendOneLine(line, utf8Argument);
  }
  line += '\n';
  std::lock_guard<std::mutex> lock(State().mutex);
  std::FILE* file = OpenLog(log);
  if (file == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fflush(file);
}

std::string FormatScreen(const uint8_t* chars, const uint8_t* attrs) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(kCells * 2 + kCells * 2 + kRows * 2 + 1);
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const uint8_t c = chars[row * kColumns + column];
      // The console stores only printable bytes; anything else is shown as
      // a blank so the file keeps its 25 lines.
      AppendUtf8(out, c < 0x20 ? U' ' : Cp1252ToCodePoint(c));
    }
    out += '\n';
  }
  out += '\n';
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const uint8_t a = attrs[row * kColumns + column];
      out += kHex[a >> 4];
      out += kHex[a & 0x0F];
    }
    out += '\n';
  }
  return out;
}

// Writes a temporary file beside the target and renames it over the target,
// so a reader never sees half a screen. Returns 0 or the error number.
int ReplaceFile(const std::string& path, const std::string& contents) {
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return errno != 0 ? errno : EIO;
  const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno != 0 ? errno : EIO;
    std::remove(temporary.c_str());
    return error;
  }
  return 0;
}

}  // namespace

int64_t MillisSinceStart() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               StartTime())
      .count();
}

void TraceEvent(std::string_view word, std::string_view argument) {
  WriteLine(State().trace, word, Cp1252ToUtf8(argument));
}

void AudioLog(std::string_view line) { WriteLine(State().audio, line, {}); }

void PublishScreen(const uint8_t* chars, const uint8_t* attrs) {
  if (chars == nullptr || attrs == nullptr) return;
  ObserveState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.screenLooked) {
    state.screenLooked = true;
    const char* path = std::getenv("TALMAR_SCREEN");
    if (path != nullptr) state.screenPath = path;
  }
  if (state.screenPath.empty()) return;
  if (state.screenWritten && std::memcmp(state.lastScreen, chars, kCells) == 0 &&
      std::memcmp(state.lastScreen + kCells, attrs, kCells) == 0) {
    return;
  }
  errno = 0;
  if (const int error = ReplaceFile(state.screenPath, FormatScreen(chars, attrs)); error != 0) {
    std::fprintf(stderr, "ligafala: cannot write TALMAR_SCREEN file %s: %s\n",
                 state.screenPath.c_str(), std::strerror(error));
    state.screenPath.clear();
    return;
  }
  std::memcpy(state.lastScreen, chars, kCells);
  std::memcpy(state.lastScreen + kCells, attrs, kCells);
  state.screenWritten = true;
}

void ResetObservation() {
  ObserveState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  EndObservation(state);
}

}  // namespace platform
