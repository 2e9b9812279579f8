#include "platform/terminal_window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string_view>

#include "platform/cp1252.h"
#include "platform/keys.h"
#include "platform/process.h"
#include "platform/terminal_keys.h"
#include "platform/terminal_screen.h"
#include "platform/wave_out.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The rest of an escape sequence follows its Esc within this time; after
// it, an Esc on its own was the Esc key.
constexpr int kEscapeWaitMs = 30;
// While the terminal is handed over, the program looks this often whether
// the program holding it has ended.
constexpr int kHandOverLookMs = 50;
// Keys typed while the terminal is too small wait for it to grow; beyond
// this many the oldest are dropped.
constexpr std::size_t kMaxHeldEvents = 256;
// Input read in one poll at most, so a flood cannot hold the program up.
constexpr std::size_t kMaxReadPerPoll = 64 * 1024;
// The progressive keyboard protocol's flags asked for: keys told apart
// from text (1), press, repeat and release events (2), every key reported
// as a sequence (8), and the text each key types (16).
constexpr int kKeyboardFlags = 1 | 2 | 8 | 16;
// Both releases (2) and every key as a sequence (8) are needed before a
// letter's release is reported.
constexpr int kReleaseFlags = 2 | 8;

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL,
                                 SIGTERM, SIGHUP,  SIGINT, SIGQUIT};
constexpr int kMaxSignal = 65;

// Everything the terminal window keeps. The part the signal handlers read
// is written before raw mode is switched on and only read by them.
struct TerminalState {
  bool open = false;
  TerminalWindowOptions options;
  termios original{};
  bool haveOriginal = false;
  int wakeRead = -1;
  int wakeWrite = -1;

  // The terminal as the program uses it.
  bool taken = false;       // raw mode and the program's screen are on
  bool flagsPushed = false;  // the keyboard protocol's flags were pushed
  bool releases = false;     // the terminal reports key releases
  int columns = kTerminalColumns;
  int rows = kTerminalRows;
  bool smallNoticeShown = false;
  bool outputBroken = false;
  bool inputEnded = false;

  // The window.
  bool exists = false;
  bool shown = false;
  bool focused = true;
  uint32_t focusMessage = 0;  // kMsgSetFocus or kMsgKillFocus to post; 0: none
  std::string title;
  TerminalScreen screen;

  // Keys.
  TerminalKeyDecoder decoder;
  Clock::time_point lastInput;
  std::deque<TerminalEvent> events;  // decoded, not yet posted

  // A program holding the terminal.
  bool handedOver = false;
  int childPid = -1;
  int childFd = -1;  // a descriptor that becomes readable when it ends
  struct sigaction interruptBefore {};
  struct sigaction quitBefore {};

  // Read by the signal handlers.
  volatile sig_atomic_t rawActive = 0;
  int savedErrorFd = -1;  // standard error while it is held aside
  int heldErrorFd = -1;   // the file that holds what was written meanwhile
  std::array<char, 96> restoreBytes{};
  std::size_t restoreLength = 0;
  std::array<struct sigaction, kMaxSignal> signalBefore{};
  bool signalsInstalled = false;
  bool exitHookAdded = false;
};
// Never destroyed: the window facade's backend may be destroyed after this
// file's statics at the end of the program, and the signal handlers may run
// at any time.
TerminalState& terminal = *new TerminalState;

// --- Writing to the terminal ---------------------------------------------

void WriteAll(std::string_view bytes) {
  if (terminal.outputBroken) return;
  while (!bytes.empty()) {
    const ssize_t written = write(terminal.options.outputFd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd out{terminal.options.outputFd, POLLOUT, 0};
        poll(&out, 1, 100);
        continue;
      }
      terminal.outputBroken = true;  // the terminal is gone
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// What gives the terminal back as it was found; kept ready for the signal
// handlers, which may not build strings.
void PrepareRestore() {
  std::string bytes;
  if (terminal.flagsPushed) bytes += "\x1b[<u";
  bytes += "\x1b[?1004l\x1b[0m\x1b[?25h";
  // The Linux console has no second screen: the program's text is cleared
  // away instead, so the prompt does not come up in the middle of it.
  bytes += terminal.options.linuxConsole ? "\x1b[H\x1b[2J" : "\x1b[?1049l";
  terminal.restoreLength = std::min(bytes.size(), terminal.restoreBytes.size());
  std::memcpy(terminal.restoreBytes.data(), bytes.data(), terminal.restoreLength);
}

// Standard error goes to an unnamed file while the program's screen is up,
// when it is the same terminal.
void HoldErrorOutput() {
  if (!terminal.options.holdErrorOutput || terminal.savedErrorFd >= 0) return;
  struct stat error {};
  struct stat screen {};
  if (fstat(STDERR_FILENO, &error) != 0 || fstat(terminal.options.outputFd, &screen) != 0 ||
      !S_ISCHR(error.st_mode) || error.st_rdev != screen.st_rdev) {
    return;
  }
  const char* folder = std::getenv("TMPDIR");
  int held = open(folder != nullptr && *folder != '\0' ? folder : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (held < 0) return;
  const int saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (saved < 0 || dup2(held, STDERR_FILENO) < 0) {
    if (saved >= 0) close(saved);
    close(held);
    return;
  }
  terminal.heldErrorFd = held;
  terminal.savedErrorFd = saved;
}

// Async-signal-safe: standard error back on the terminal, and what was
// written to it meanwhile written there now.
void ReleaseErrorOutput() {
  const int saved = terminal.savedErrorFd;
  const int held = terminal.heldErrorFd;
  if (saved < 0) return;
  terminal.savedErrorFd = -1;
  terminal.heldErrorFd = -1;
  dup2(saved, STDERR_FILENO);
  close(saved);
  if (lseek(held, 0, SEEK_SET) == 0) {
    char buffer[1024];
    for (;;) {
      const ssize_t got = read(held, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      ssize_t done = 0;
      while (done < got) {
        const ssize_t written = write(STDERR_FILENO, buffer + done, static_cast<std::size_t>(got - done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += written;
      }
      if (done < got) break;
    }
  }
  close(held);
}

// Async-signal-safe: raw mode off and the screen given back.
void RestoreRaw() {
  if (terminal.rawActive == 0) return;
  terminal.rawActive = 0;
  const char* bytes = terminal.restoreBytes.data();
  std::size_t left = terminal.restoreLength;
  while (left > 0) {
    const ssize_t written = write(terminal.options.outputFd, bytes, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    bytes += written;
    left -= static_cast<std::size_t>(written);
  }
  if (terminal.haveOriginal) tcsetattr(terminal.options.inputFd, TCSADRAIN, &terminal.original);
  ReleaseErrorOutput();
}

void OnFatalSignal(int signalNumber) {
  const int saved = errno;
  RestoreRaw();
  // The handler that was there before (the default: end the process) runs
  // for the same signal once this one returns.
  if (signalNumber > 0 && signalNumber < kMaxSignal) {
    sigaction(signalNumber, &terminal.signalBefore[static_cast<std::size_t>(signalNumber)], nullptr);
  }
  raise(signalNumber);
  errno = saved;
}

void OnResize(int) {
  const int saved = errno;
  if (terminal.wakeWrite >= 0) {
    const char byte = 'w';
    [[maybe_unused]] const ssize_t written = write(terminal.wakeWrite, &byte, 1);
  }
  errno = saved;
}

void InstallSignalHandlers() {
  if (terminal.signalsInstalled) return;
  terminal.signalsInstalled = true;
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = OnFatalSignal;
  for (int signalNumber : kFatalSignals) {
    struct sigaction& before = terminal.signalBefore[static_cast<std::size_t>(signalNumber)];
    sigaction(signalNumber, nullptr, &before);
    // A signal the program was told to ignore (nohup) stays ignored.
    if (before.sa_handler == SIG_IGN) continue;
    sigaction(signalNumber, &action, nullptr);
  }
  struct sigaction resize {};
  sigemptyset(&resize.sa_mask);
  resize.sa_handler = OnResize;
  resize.sa_flags = SA_RESTART;
  sigaction(SIGWINCH, &resize, nullptr);
}

void OnExit(int /*status*/) {
  RestoreRaw();
  terminal.taken = false;
}

void ReadSize() {
  winsize size{};
  if (ioctl(terminal.options.outputFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    terminal.columns = size.ws_col;
    terminal.rows = size.ws_row;
  }
}

bool TooSmall() { return terminal.columns < kTerminalColumns || terminal.rows < kTerminalRows; }

// The program's terminal settings: keys arrive one by one, unechoed, with
// Ctrl+C, Ctrl+\ and Ctrl+Z as keys rather than signals. Output keeps its
// processing, so a stray line from elsewhere still starts at column 1.
void EnterRawMode() {
  if (!terminal.haveOriginal) return;
  termios raw = terminal.original;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(terminal.options.inputFd, TCSADRAIN, &raw);
}

void TakeTerminal() {
  PrepareRestore();
  terminal.rawActive = 1;
  EnterRawMode();
  HoldErrorOutput();
  std::string bytes = terminal.options.linuxConsole ? "" : "\x1b[?1049h";
  bytes += "\x1b[?1004h\x1b[?25l\x1b[0m\x1b[H\x1b[2J";
  if (terminal.flagsPushed) bytes += "\x1b[>" + std::to_string(kKeyboardFlags) + "u";
  WriteAll(bytes);
  terminal.taken = true;
  terminal.smallNoticeShown = false;
  ScreenForget(terminal.screen);
}

void GiveTerminalBack() {
  RestoreRaw();
  terminal.taken = false;
}

void WriteTitle() {
  // The Linux console would print the sequence as text.
  if (terminal.options.linuxConsole || !terminal.exists) return;
  std::string bytes = "\x1b]0;";
  for (char character : Cp1252ToUtf8(terminal.title)) {
    const auto byte = static_cast<uint8_t>(character);
    // Control characters would end the sequence early.
    if (byte < 0x20 || byte == 0x7F) continue;
    bytes += character;
  }
  // UTF-8 forms of C1 controls (C2 80..C2 9F) are left out the same way.
  std::string clean;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (static_cast<uint8_t>(bytes[i]) == 0xC2 && i + 1 < bytes.size() &&
        static_cast<uint8_t>(bytes[i + 1]) >= 0x80 && static_cast<uint8_t>(bytes[i + 1]) < 0xA0) {
      ++i;
      continue;
    }
    clean += bytes[i];
  }
  clean += '\x07';
  WriteAll(clean);
}

void ShowSmallNotice() {
  // "The terminal is too small: it has C columns and R rows; this program
  // needs 80 columns and 25 rows. Make the window larger or the font
  // smaller." In the language of the program's users.
  const std::string text = "O terminal \xe9 pequeno demais: tem " + std::to_string(terminal.columns) +
                           " colunas e " + std::to_string(terminal.rows) +
                           " linhas; este programa precisa de 80 colunas e 25 linhas. "
                           "Aumente a janela ou diminua a letra.";
  std::string bytes = "\x1b[0m\x1b[?25l\x1b[H\x1b[2J";
  // Cut into lines at blanks so each fits the width.
  const std::size_t width = static_cast<std::size_t>(std::max(1, terminal.columns));
  std::size_t start = 0;
  int row = 1;
  while (start < text.size() && row <= std::max(1, terminal.rows)) {
    std::size_t end = std::min(text.size(), start + width);
    if (end < text.size()) {
      const std::size_t blank = text.rfind(' ', end);
      if (blank != std::string::npos && blank > start) end = blank;
    }
    bytes += "\x1b[" + std::to_string(row) + ";1H" + Cp1252ToUtf8(text.substr(start, end - start));
    start = end;
    while (start < text.size() && text[start] == ' ') ++start;
    ++row;
  }
  WriteAll(bytes);
  terminal.smallNoticeShown = true;
  ScreenForget(terminal.screen);
}

// --- Reading the terminal ---------------------------------------------------

void HandleKeyboardFlags(int flags) {
  if (!terminal.flagsPushed) {
    // The terminal has the protocol: ask for what is needed, then ask
    // again what it granted.
    terminal.flagsPushed = true;
    PrepareRestore();
    WriteAll("\x1b[>" + std::to_string(kKeyboardFlags) + "u\x1b[?u\x1b[c");
    return;
  }
  terminal.releases = (flags & kReleaseFlags) == kReleaseFlags;
  terminal.decoder.reportsReleases = (flags & 2) != 0;
}

// Decodes input bytes; answers to queries are handled here, the rest kept
// for posting. Returns whether the device attributes' answer was among them.
bool TakeInput(std::string_view bytes, bool flush) {
  std::vector<TerminalEvent> decoded;
  if (!bytes.empty()) {
    TerminalDecode(terminal.decoder, bytes, &decoded);
    terminal.lastInput = Clock::now();
  }
  if (flush) TerminalDecodeFlush(terminal.decoder, &decoded);
  bool attributes = false;
  for (const TerminalEvent& event : decoded) {
    if (event.kind == TerminalEventKind::kDeviceAttributes) {
      attributes = true;
    } else if (event.kind == TerminalEventKind::kKeyboardFlags) {
      HandleKeyboardFlags(event.value);
    } else {
      if (terminal.events.size() >= kMaxHeldEvents) terminal.events.pop_front();
      terminal.events.push_back(event);
    }
  }
  return attributes;
}

// Reads what the terminal has sent, waiting up to `waitMs` for the first
// byte. Returns false when the terminal has gone.
bool ReadInput(int waitMs, bool* attributes) {
  std::size_t total = 0;
  char buffer[4096];
  int wait = waitMs;
  while (total < kMaxReadPerPoll) {
    pollfd in{terminal.options.inputFd, POLLIN, 0};
    const int ready = poll(&in, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    if ((in.revents & POLLIN) == 0) return (in.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
    const ssize_t got = read(terminal.options.inputFd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return false;
    total += static_cast<std::size_t>(got);
    if (TakeInput(std::string_view(buffer, static_cast<std::size_t>(got)), false) && attributes) {
      *attributes = true;
    }
    wait = 0;
  }
  return true;
}

// Sends the start-up queries and waits for their answers: the keyboard
// protocol's flags (only terminals with the protocol answer) and the
// device attributes (every terminal answers, which ends the wait).
void AskTerminal() {
  WriteAll("\x1b[?u\x1b[c");
  for (int round = 0; round < 2; ++round) {
    const bool pushedBefore = terminal.flagsPushed;
    bool attributes = false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(terminal.options.answerWaitMs);
    while (!attributes) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      if (!ReadInput(static_cast<int>(left), &attributes)) break;
    }
    // A second round only when the flags were pushed and asked again.
    if (!attributes || pushedBefore || !terminal.flagsPushed) break;
  }
}

bool ChildEnded() {
  if (terminal.childPid <= 0) return true;
  int status = 0;
  const pid_t result = waitpid(terminal.childPid, &status, WNOHANG);
  if (result == terminal.childPid) return true;
  if (result == 0) return false;
  // Not a child of ours (the launcher lets the system adopt it): its
  // process descriptor tells when it ends, or failing that, its number.
  if (terminal.childFd >= 0) {
    pollfd end{terminal.childFd, POLLIN, 0};
    return poll(&end, 1, 0) > 0;
  }
  return kill(terminal.childPid, 0) != 0 && errno == ESRCH;
}

void EndHandOver() {
  if (terminal.childFd >= 0) close(terminal.childFd);
  terminal.childFd = -1;
  terminal.childPid = -1;
  terminal.handedOver = false;
  sigaction(SIGINT, &terminal.interruptBefore, nullptr);
  sigaction(SIGQUIT, &terminal.quitBefore, nullptr);
  // Keys meant for the other program are not the program's.
  terminal.decoder.pending.clear();
  terminal.events.clear();
  TakeTerminal();
  WriteTitle();
  terminal.focused = true;
  terminal.focusMessage = kMsgSetFocus;
}

void PostSimple(MessageSink& sink, uint32_t id) {
  Message message;
  message.id = id;
  sink.Post(message);
}

class TerminalWindow final : public WindowBackend {
 public:
  ~TerminalWindow() override {
    if (terminal.handedOver) {
      sigaction(SIGINT, &terminal.interruptBefore, nullptr);
      sigaction(SIGQUIT, &terminal.quitBefore, nullptr);
    }
    GiveTerminalBack();
    if (terminal.childFd >= 0) close(terminal.childFd);
    if (terminal.wakeRead >= 0) close(terminal.wakeRead);
    if (terminal.wakeWrite >= 0) close(terminal.wakeWrite);
    // The handlers and the exit hook stay; they find nothing to restore.
    const bool signalsInstalled = terminal.signalsInstalled;
    const bool exitHookAdded = terminal.exitHookAdded;
    const auto signalBefore = terminal.signalBefore;
    terminal = TerminalState{};
    terminal.signalsInstalled = signalsInstalled;
    terminal.exitHookAdded = exitHookAdded;
    terminal.signalBefore = signalBefore;
  }

  const char* Name() const override { return "terminal"; }

  // One cell is one "pixel": the console's pixel positions are cells.
  Rect ScreenRect() override {
    return Rect{0, 0, std::max(terminal.columns, kTerminalColumns), std::max(terminal.rows, kTerminalRows)};
  }
  Rect WorkArea() override { return ScreenRect(); }
  FrameMetrics Frame() override { return {}; }
  bool SelectFont(const FontRequest&) override { return true; }  // the terminal's font is the user's
  void SelectStockFont() override {}
  TextMetrics FontMetrics() override { return TextMetrics{1, 0, 1, 0, 0}; }

  bool CreateWindow(const std::string& title, int, int) override {
    terminal.title = title;
    terminal.exists = true;
    terminal.shown = false;
    terminal.focused = true;
    terminal.screen = TerminalScreen{};
    terminal.screen.colours =
        terminal.options.trueColour ? TerminalColours::kTrueColour : TerminalColours::kSixteen;
    ReadSize();
    TakeTerminal();
    AskTerminal();
    WriteTitle();
    return true;
  }
  void ShowWindow(bool) override {
    if (!terminal.exists) return;
    if (!terminal.shown) terminal.focusMessage = terminal.focused ? kMsgSetFocus : kMsgKillFocus;
    terminal.shown = true;
    terminal.screen.changed = true;
  }
  void DestroyWindow() override {
    terminal.exists = false;
    terminal.shown = false;
    terminal.focusMessage = 0;
  }
  void SetTitle(const std::string& title) override {
    terminal.title = title;
    if (!terminal.handedOver) WriteTitle();
  }
  void SetSizeLimits(const MinMaxInfo&) override {}
  Rect WindowRect() override { return Rect{0, 0, kTerminalColumns, kTerminalRows}; }
  Rect ClientRect() override { return Rect{0, 0, kTerminalColumns, kTerminalRows}; }
  bool IsActive() override { return IsForeground(); }
  bool IsForeground() override {
    return terminal.exists && terminal.shown && terminal.focused && !terminal.handedOver;
  }

  void DrawText(int x, int y, const uint8_t* text, int count, Rgb fg, Rgb bg) override {
    ScreenDrawText(terminal.screen, x, y, text, count, fg, bg);
  }
  void FillRect(const Rect& rect, Rgb colour) override { ScreenFill(terminal.screen, rect, colour); }
  void CopyRect(const Rect& source, int destX, int destY) override {
    ScreenCopy(terminal.screen, source, destX, destY);
  }
  // The magnifier follows a mouse, which a terminal does not give.
  void SnapshotClient(int, int) override {}
  void StretchSnapshot(const Rect&, const Rect&) override {}
  void FreeSnapshot() override {}
  void SetCaret(bool visible, const Rect& where) override {
    ScreenSetCursor(terminal.screen, visible && !where.Empty(), where.left, where.top);
  }
  void Beep() override { SoundDefaultBeep(); }

  void Present() override {
    if (!terminal.taken || !terminal.shown || terminal.handedOver) return;
    if (TooSmall()) {
      if (!terminal.smallNoticeShown) ShowSmallNotice();
      return;
    }
    if (terminal.smallNoticeShown) {
      terminal.smallNoticeShown = false;
      WriteAll("\x1b[0m\x1b[2J");
      ScreenForget(terminal.screen);
    }
    const std::string bytes = ScreenRender(terminal.screen);
    if (!bytes.empty()) WriteAll(bytes);
  }

  void Poll(MessageSink& sink, bool /*awaitingKey*/) override {
    DrainWake();
    if (terminal.handedOver && ChildEnded()) EndHandOver();
    if (terminal.focusMessage != 0 && terminal.exists && terminal.shown) {
      PostSimple(sink, terminal.focusMessage);
      terminal.focusMessage = 0;
    }
    if (terminal.handedOver || !terminal.taken || !terminal.exists) return;
    const int columnsBefore = terminal.columns;
    const int rowsBefore = terminal.rows;
    ReadSize();
    if (terminal.columns != columnsBefore || terminal.rows != rowsBefore) {
      // A terminal reflows or loses its text when resized: draw it all again.
      terminal.smallNoticeShown = false;
      WriteAll("\x1b[0m\x1b[2J");
      ScreenForget(terminal.screen);
    }
    if (!terminal.inputEnded && !ReadInput(0, nullptr)) {
      // The terminal is gone: as if the window were closed.
      terminal.inputEnded = true;
      PostSimple(sink, kMsgClose);
    }
    if (!terminal.decoder.pending.empty() && Clock::now() - terminal.lastInput >= std::chrono::milliseconds(kEscapeWaitMs)) {
      TakeInput({}, true);
    }
    PostEvents(sink);
  }

  void WaitNative(int timeoutMs) override {
    pollfd waits[2] = {{terminal.wakeRead, POLLIN, 0}, {-1, POLLIN, 0}};
    nfds_t count = 1;
    int timeout = timeoutMs;
    const auto limit = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (terminal.handedOver) {
      if (terminal.childFd >= 0) {
        waits[1].fd = terminal.childFd;
        count = 2;
      }
      limit(kHandOverLookMs);
    } else if (terminal.taken && !terminal.inputEnded) {
      waits[1].fd = terminal.options.inputFd;
      count = 2;
      if (!terminal.decoder.pending.empty()) {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - terminal.lastInput).count();
        limit(static_cast<int>(std::max<long long>(0, kEscapeWaitMs - waited)));
      }
    }
    // Keys held while the terminal is too small are not news.
    if (!terminal.events.empty() && !TooSmall()) limit(0);
    poll(waits, count, timeout);
  }

  void Wake() override {
    if (terminal.wakeWrite < 0) return;
    const char byte = 'w';
    [[maybe_unused]] const ssize_t written = write(terminal.wakeWrite, &byte, 1);
  }

  void ChildStarted(int processId) override {
    if (processId <= 0 || !terminal.taken || terminal.handedOver) return;
    const long fd = syscall(SYS_pidfd_open, processId, 0);
    if (fd < 0 && errno == ESRCH) {
      // Already gone, unless it is an unreaped child of ours.
      int status = 0;
      if (waitpid(processId, &status, WNOHANG) != 0) return;
    }
    terminal.childFd = static_cast<int>(fd);
    terminal.childPid = processId;
    terminal.handedOver = true;
    GiveTerminalBack();
    // Ctrl+C and Ctrl+\ in the other program reach this one too, as it
    // shares the terminal: they are that program's business.
    struct sigaction ignore {};
    sigemptyset(&ignore.sa_mask);
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &terminal.interruptBefore);
    sigaction(SIGQUIT, &ignore, &terminal.quitBefore);
    terminal.focusMessage = kMsgKillFocus;
  }

  bool ReportsKeyReleases() const override { return terminal.releases; }

 private:
  static void DrainWake() {
    char buffer[64];
    for (;;) {
      pollfd wake{terminal.wakeRead, POLLIN, 0};
      if (terminal.wakeRead < 0 || poll(&wake, 1, 0) <= 0) return;
      if (read(terminal.wakeRead, buffer, sizeof buffer) <= 0) return;
    }
  }

  static void PostEvents(MessageSink& sink) {
    const bool small = TooSmall();
    std::deque<TerminalEvent> kept;
    while (!terminal.events.empty()) {
      const TerminalEvent event = terminal.events.front();
      terminal.events.pop_front();
      if (event.kind == TerminalEventKind::kFocusIn || event.kind == TerminalEventKind::kFocusOut) {
        const bool focused = event.kind == TerminalEventKind::kFocusIn;
        if (focused != terminal.focused) {
          terminal.focused = focused;
          PostSimple(sink, focused ? kMsgSetFocus : kMsgKillFocus);
        }
        continue;
      }
      // While the terminal is too small the program waits for it to grow,
      // keeping the keys; only Ctrl+Break goes through.
      if (small && event.vk != kVkCancel) {
        kept.push_back(event);
        continue;
      }
      PostTerminalEvent(sink, event);
    }
    terminal.events = std::move(kept);
  }
};

}  // namespace

TerminalWindowOptions TerminalOptionsFromEnvironment() {
  TerminalWindowOptions options;
  const char* colours = std::getenv("COLORTERM");
  const std::string_view colourTerm = colours != nullptr ? colours : "";
  options.trueColour = colourTerm == "truecolor" || colourTerm == "24bit";
  const char* type = std::getenv("TERM");
  options.linuxConsole = type != nullptr && std::string_view(type).substr(0, 5) == "linux";
  options.holdErrorOutput = true;
  return options;
}

std::unique_ptr<WindowBackend> MakeTerminalWindowWith(const TerminalWindowOptions& options,
                                                      std::string* why) {
  if (terminal.open) {
    if (why) *why = "a terminal window is already open";
    return nullptr;
  }
  if (isatty(options.inputFd) == 0 || isatty(options.outputFd) == 0) {
    if (why) *why = "standard input and output are not a terminal";
    return nullptr;
  }
  int wake[2];
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (why) *why = std::string("no pipe for waking: ") + std::strerror(errno);
    return nullptr;
  }
  terminal.open = true;
  terminal.options = options;
  terminal.wakeRead = wake[0];
  terminal.wakeWrite = wake[1];
  terminal.haveOriginal = tcgetattr(options.inputFd, &terminal.original) == 0;
  const auto erase = terminal.haveOriginal ? terminal.original.c_cc[VERASE] : cc_t{0x7F};
  terminal.decoder.eraseByte = erase == 0x08 ? 0x08 : 0x7F;
  ReadSize();
  if (options.handleSignals) InstallSignalHandlers();
  if (!terminal.exitHookAdded) {
    terminal.exitHookAdded = true;
    AddExitHook(OnExit);
  }
  return std::make_unique<TerminalWindow>();
}

std::unique_ptr<WindowBackend> MakeTerminalWindow(std::string* why) {
  return MakeTerminalWindowWith(TerminalOptionsFromEnvironment(), why);
}

bool TerminalWindowIsHandedOver() { return terminal.handedOver; }
bool TerminalWindowIsTooSmall() { return TooSmall(); }

}  // namespace platform
