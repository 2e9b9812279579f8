#include "speech/wave_header.h"

#include <cstring>

namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void BuildWaveHeader(uint8_t* header, uint32_t dataLength, uint32_t rate, uint16_t bits,
                     uint16_t channels) {
  // The template: 11025 Hz, mono, 8 bits, block align 1.
  std::memcpy(header, "RIFF\0\0\0\0WAVEfmt ", 16);
  Put32(header + 16, 16);
  Put16(header + 20, 1);
  Put16(header + 22, 1);
  Put32(header + 24, 11025);
  Put32(header + 28, 11025);
  Put16(header + 32, 1);
  Put16(header + 34, 8);
  std::memcpy(header + 36, "data", 4);
  Put32(header + 40, dataLength);
  Put32(header + 4, dataLength + 36);
  Put16(header + 34, bits);
  Put16(header + 22, channels);
  Put32(header + 24, rate);
  Put32(header + 28, rate * channels * (bits / 8u));
}
