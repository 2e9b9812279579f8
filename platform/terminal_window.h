// The window backend for a text terminal: the console's 80 x 25 cells drawn
// with escape sequences on the terminal the program was started in, and the
// terminal's keys read in raw mode. Ctrl+\ stands for Ctrl+Break. The
// terminal is handed over to a program started from here (the manual's
// editor) until it ends, and is always given back as it was found: at the
// end, at Ctrl+Break, and when a signal ends the program.
#pragma once

#include <memory>
#include <string>

#include "platform/window_backend.h"

namespace platform {

struct TerminalWindowOptions {
  int inputFd = 0;
  int outputFd = 1;
  // The real program restores the terminal from the handlers of the
  // signals that end a process; tests leave the process's handlers alone.
  bool handleSignals = true;
  // How long to wait for the terminal's answers to the start-up queries.
  int answerWaitMs = 500;
  // The environment's say, read by MakeTerminalWindow: COLORTERM names
  // 24-bit colour; TERM "linux" is the Linux console, which shows neither
  // a title nor a second screen.
  bool trueColour = false;
  bool linuxConsole = false;
  // Lines written to standard error while the program's screen is up
  // would land among its cells: they are kept aside and written out when
  // the terminal is given back.
  bool holdErrorOutput = false;
};

// The options of the program's own terminal: standard input and output,
// and the environment.
TerminalWindowOptions TerminalOptionsFromEnvironment();
// A terminal window on the given descriptors; null with the reason when
// they are not a terminal or a terminal window is already open.
std::unique_ptr<WindowBackend> MakeTerminalWindowWith(const TerminalWindowOptions& options,
                                                      std::string* why);

// For tests: what the terminal window has decided.
bool TerminalWindowIsHandedOver();
bool TerminalWindowIsTooSmall();

}  // namespace platform
