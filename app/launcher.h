// Opening the manual in the product family's editor: starting a program
// once speech has finished, and waiting until the user has left it and the
// console window is in front again.
#pragma once

#include <cstdint>
#include <string_view>

// The show command the program passes: a normal window.
inline constexpr int kShowNormal = 1;

// Starts `file` with `parameters` in `folder` (empty: the working folder)
// after the current announcement has finished or been stopped by a key.
// Each text is taken up to 511 characters. Returns a value above 32 when the
// program was started, else the failure code; callers need not look at it.
// The show command is accepted for its callers' sake; a started program
// opens its window as it sees fit.
int LaunchProgram(std::string_view file, std::string_view folder, std::string_view parameters,
                  int showCommand);

// Waits up to about 5 s for another window to take the foreground, then,
// without limit, for the console window to be in front again; then pauses
// TEMPOESPERAPROGVOLTAR milliseconds (section "SONTRA", default 500).
void WaitForProgramReturn();

// The delay WaitForProgramReturn waits with (ConsoleDelay); tests put a
// recorder in its place. Null restores ConsoleDelay.
using LauncherDelay = void (*)(uint16_t milliseconds);
void LauncherUseDelay(LauncherDelay delay);
