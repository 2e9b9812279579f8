// Any bytes as the shared settings file: every read gives a value within
// its length limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <string>

#include "platform/paths.h"
#include "platform/profile.h"
#include "speech/settings.h"

namespace {

std::string Drive() {
  static const std::string drive = [] {
    char pattern[] = "/tmp/profile-fuzz-XXXXXX";
    std::string path = mkdtemp(pattern);
    std::string windows = path + "/windows";
    mkdir(windows.c_str(), 0755);
    setenv("TALMAR_DRIVE_C", path.c_str(), 1);
    platform::ResetPaths();
    SettingsStart();
    return path;
  }();
  return drive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string file = Drive() + "/windows/SONTRA.INI";
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);
  for (const char* key : {"TABCORES", "FONTE", "x", ""}) {
    if (platform::GetProfileString("VIDEO", key, "fallback", 80, "SONTRA.INI").size() > 80) {
      std::abort();
    }
  }
  if (ReadSetting("TRADUTOR", "DIRLETRAS").size() > 4096) std::abort();
  ReadSynthSettings(3);
  return 0;
}
