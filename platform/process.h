// The end of the program: exit hooks and the one way the process ends, so
// that the console's exit handling and the observation files are finished
// whichever way the program stops.
#pragma once

namespace platform {

using ExitHook = void (*)(int exitStatus);

// Hooks run at Halt, the last added first.
void AddExitHook(ExitHook hook);
// Runs the exit hooks and ends the process with `status`. Never returns.
[[noreturn]] void Halt(int status);

}  // namespace platform
