// The program's standard text output and input, bound to the console: every
// write reaches the console at once and then pumps the window's messages;
// a line read goes to the console's line input.
#pragma once

#include <string>
#include <string_view>

// Writes the text; a line end is written as CR LF.
void WriteText(std::string_view text);
void WriteLine(std::string_view text);
// Reads one line typed by the user (without the line end).
std::string ReadLine();
