// The 44-byte RIFF WAVE header the program writes in front of the sounds it
// makes itself (synthesized speech, number words, the click, the beep, the
// tone).
#pragma once

#include <cstdint>

inline constexpr int kWaveHeaderSize = 44;

// Writes the header for `dataLength` bytes of PCM. The block align stays 1
// whatever the format, as the program's own images have always had it.
void BuildWaveHeader(uint8_t* header, uint32_t dataLength, uint32_t rate, uint16_t bits,
                     uint16_t channels);
