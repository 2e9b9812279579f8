// What automatic checks can observe of the running program: the trace of
// everything the user hears, the screen file, and the sound device log. Each
// is switched on by its environment variable and costs nothing otherwise.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

// Milliseconds since the program started (since this module first ran).
int64_t MillisSinceStart();

// TALMAR_TRACE: appends "MS WORD ARG" with the Windows-1252 argument in
// UTF-8, flushed at once.
void TraceEvent(std::string_view word, std::string_view argument);

// TALMAR_SCREEN: replaces the screen file with the 25 rows of 80 characters
// (UTF-8, trailing blanks kept), a blank line, and 25 rows of 160 hex digits
// of the attributes. `chars` and `attrs` are 80 x 25 bytes, row-major.
void PublishScreen(const uint8_t* chars, const uint8_t* attrs);

// TALMAR_AUDIO_LOG: appends "MS LINE".
void AudioLog(std::string_view line);

// Forgets the open files and reads the variables again; for tests.
void ResetObservation();

}  // namespace platform
