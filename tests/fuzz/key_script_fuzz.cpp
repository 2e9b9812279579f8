// Any bytes as a key script: parsing ends with a defined list of events.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/key_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const platform::KeyScript script =
      platform::ParseKeyScript(std::string_view(reinterpret_cast<const char*>(data), size));
  return script.events.size() > size + 1 ? 1 : 0;
}
