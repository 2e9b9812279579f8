#include "app/launcher.h"

#include <string>

#include "console/console.h"
#include "platform/launch.h"
#include "platform/window.h"
#include "speech/settings.h"
#include "speech/speech.h"

namespace {

// Each text is copied into a 512-character buffer with its terminating zero.
constexpr std::size_t kMaxText = 511;
constexpr int kDefaultPause = 500;
// Up to 50 looks, 100 ms apart, for the program to take the foreground.
constexpr int kTakeOverLooks = 50;
constexpr uint16_t kLookMs = 100;

struct LauncherState {
  LauncherDelay delay = nullptr;
};
LauncherState launcher;

void Delay(uint16_t milliseconds) {
  if (launcher.delay != nullptr) {
    launcher.delay(milliseconds);
  } else {
    ConsoleDelay(milliseconds);
  }
}

std::string_view Limited(std::string_view text) { return text.substr(0, kMaxText); }

// Blanks and control characters off both ends.
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<uint8_t>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<uint8_t>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// The console window is "in front" when it has the foreground; the editor
// and any third window look alike from here.
bool ConsoleInFront() { return platform::IsWindowForeground(); }

}  // namespace

int LaunchProgram(std::string_view file, std::string_view folder, std::string_view parameters,
                  int /*showCommand*/) {
  const std::string program(Trimmed(Limited(file)));
  while (SpeechBusy()) platform::WaitMessage();
  return platform::StartProgram(program, Limited(parameters), Limited(folder));
}

void WaitForProgramReturn() {
  const ParsedInteger parsed = ParseInteger(Trimmed(ReadSetting("SONTRA", "TEMPOESPERAPROGVOLTAR")));
  const int pause = parsed.valid ? parsed.value : kDefaultPause;
  for (int look = 1; look <= kTakeOverLooks; ++look) {
    Delay(kLookMs);
    if (look < kTakeOverLooks && !ConsoleInFront()) break;
  }
  do {
    Delay(kLookMs);
  } while (!ConsoleInFront());
  // The delay's count is 16 bits wide: larger settings wrap around.
  Delay(static_cast<uint16_t>(pause));
}

void LauncherUseDelay(LauncherDelay delay) { launcher.delay = delay; }
