// Golden files of the MBROLA engine's front end (tests/golden/tavine_*.txt):
// UTF-8 cases, one a line, the input and then the expected output items,
// each after a tab, as `tavine-text --golden` writes them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "mbrola_tts/front_end.h"
#include "platform/cp1252.h"

namespace testing_support {

inline const std::string& TavineDataFolder() {
  static const std::string folder = std::string(LIGAFALA_SOURCE_DIR) + "/data/tavine";
  return folder;
}

// Loads the project's own data files and runs every case of the file.
inline void CheckGoldenFile(const std::string& name, FrontEndStage stage) {
  std::string failure;
  ASSERT_TRUE(LoadFrontEndData(TavineDataFolder(), &failure)) << failure;
  std::ifstream in(std::string(LIGAFALA_SOURCE_DIR) + "/tests/golden/" + name);
  ASSERT_TRUE(in) << name;
  std::string line;
  int cases = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::string input;
    std::vector<std::string> expected;
    ParseGoldenLine(platform::Utf8ToCp1252(line), &input, &expected);
    // Compared as golden lines, so a failure shows the case as the file has it.
    EXPECT_EQ(platform::Cp1252ToUtf8(GoldenLine(input, RunFrontEndStage(stage, input))),
              platform::Cp1252ToUtf8(GoldenLine(input, expected)))
        << name;
    ++cases;
  }
  EXPECT_GT(cases, 0) << name;
}

}  // namespace testing_support
