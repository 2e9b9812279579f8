// Any bytes as the language data files of both synthesizers (rules,
// exceptions, abbreviations, prosody, diphone list): loading ends with a
// defined result and the loaded tables translate text without fault.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mbrola_tts/front_end.h"
#include "mbrola_tts/letter_to_sound.h"
#include "mbrola_tts/normalize.h"
#include "mbrola_tts/prosody.h"
#include "synth/translator.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = [] {
    char pattern[] = "/tmp/language-fuzz-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    return std::string(pattern);
  }();
  return path;
}

void IgnoreMessage(std::string_view) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* out = std::fopen(ScratchFile().c_str(), "wb");
  if (out == nullptr) return 0;
  // The first byte chooses the file the rest stands for.
  std::fwrite(data + 1, 1, size - 1, out);
  std::fclose(out);
  const std::string& path = ScratchFile();
  const std::string text = "A casa d'\xE1gua 123 Gr\xEAmio, S\xE3o Paulo; mess rs W Y 2\xBA";
  SetProsodyMessageSink(IgnoreMessage);
  switch (data[0] % 6) {
    case 0:
      if (LoadRules(path)) TranslateToPhonemes(text);
      FreeRules();
      break;
    case 1:
      LoadExceptions(path);
      TranslateToPhonemes(text);
      break;
    case 2:
      if (LoadRuleTable(path)) TextToMbrolaLines(text, 1.0, 1.0);
      FreeRuleTable();
      break;
    case 3:
      LoadExceptionTable(path);
      TextToMbrolaLines(text, 1.0, 1.0);
      break;
    case 4:
      LoadAbbreviations(path);
      TextToMbrolaLines(text, 1.0, 1.0);
      break;
    default:
      if (LoadProsody(path)) TextToMbrolaLines(text, 1.0, 1.0);
      LoadDiphoneList(path);
      FreeDiphoneList();
      break;
  }
  return 0;
}
