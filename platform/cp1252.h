// Conversions between the program's 8-bit Windows-1252 text and UTF-8, used
// only where text leaves or enters the program (screen, window title, typed
// text, trace files).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (81h, 8Dh, 8Fh, 90h, 9Dh) map to the C1 controls of the
// same number, so every byte survives a round trip.
char32_t Cp1252ToCodePoint(uint8_t byte);
std::string Cp1252ToUtf8(std::string_view text);

// The Windows-1252 byte for a code point, or -1 when the code page has none.
int CodePointToCp1252(char32_t codePoint);
// Converts UTF-8 text; characters the code page lacks, and malformed bytes,
// become `replacement`.
std::string Utf8ToCp1252(std::string_view text, char replacement = '?');

// The capital of a Windows-1252 letter (accented letters included), for
// comparing names without regard to letter case; other bytes unchanged.
uint8_t FoldCp1252Case(uint8_t byte);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace platform
