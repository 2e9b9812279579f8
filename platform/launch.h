// Starting another program, as the Windows shell's "open" verb does for a
// program file: the program runs as a separate process that nobody waits
// for. Nothing goes through a command interpreter: the parameters are cut
// into separate arguments here, so blanks, quotes, "$" or ";" in them are
// never interpreted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Results below this value are failures, as with the shell.
inline constexpr int kStartFailureLimit = 32;
inline constexpr int kStartFileNotFound = 2;
inline constexpr int kStartPathNotFound = 3;
inline constexpr int kStartAccessDenied = 5;
inline constexpr int kStartOutOfMemory = 8;
inline constexpr int kStartBadFormat = 11;
inline constexpr int kStartNoAssociation = 31;
inline constexpr int kStartDone = 42;

// Starts `file` (a Windows path, or a host path beginning with "/") with
// `parameters` (Windows-1252, cut into arguments by SplitParameters and
// handed over in UTF-8) in `folder`, or in the working folder when that is
// empty. Returns kStartDone once the program is running, or a failure code
// of at most kStartFailureLimit: the file or the folder does not exist, the
// file is not a program, or it could not be started. The program does not
// inherit the observation files and the key script of this one (they
// belong to this run). The window backend is told of the program, so a
// text terminal can be handed over to it until it ends.
int StartProgram(std::string_view file, std::string_view parameters, std::string_view folder);

// Cuts a parameter text into arguments as the Windows command line does:
// blanks and tabs separate, double quotes group (and are removed), a
// backslash is literal except before a quote (2n backslashes and a quote
// give n backslashes and a grouping quote, 2n + 1 give n and a literal
// quote).
std::vector<std::string> SplitParameters(std::string_view parameters);

}  // namespace platform
