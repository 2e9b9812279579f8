// Reading settings files in the Windows profile format: "[section]" headers
// and "key=value" lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The value of `key` in `section` of `file`, or `fallback` when the file,
// the section or the key is missing. Section and key names match without
// regard to letter case; blanks around keys and values are removed; a value
// wholly inside matching quotes (' or ") loses them; the first matching
// section and key win. At most `maxChars` characters are returned. A bare
// file name (no folder) is looked for in the Windows folder.
std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t maxChars,
                             std::string_view file);

}  // namespace platform
