// Any bytes as a RIFF WAVE image: the data found lies inside the image, and
// shortening any block ends within it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "speech/wave_output.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  WaveImageInfo info;
  if (WaveParseImage(data, size, &info)) {
    if (info.dataOffset > size || info.dataLength > size - info.dataOffset ||
        info.totalLength > size) {
      std::abort();
    }
  }
  if (size >= 2) {
    std::vector<uint8_t> block(data + 2, data + size);
    const int bits = (data[0] & 1) != 0 ? 16 : 8;
    const int rate = (data[1] & 1) != 0 ? 11025 : 16000;
    const auto length = static_cast<uint32_t>(block.size());
    if (WaveCompress(block.data(), length, bits, rate) > length) std::abort();
  }
  return 0;
}
