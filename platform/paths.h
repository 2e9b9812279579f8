// Windows-style paths on Linux. Drive letters map to host folders
// (TALMAR_DRIVE_C, default ~/.local/share/talmar/drive_c; TALMAR_DRIVE_D..Z
// where set); each drive has its own current folder and one drive is
// current; every component matches an existing file or folder without
// regard to letter case. A path that begins with "/" is a host path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The host path for a Windows path (absolute, drive-relative or relative to
// the current folder). Existing components are matched case-insensitively;
// components that do not exist are kept as written. Empty when the drive
// does not exist.
std::optional<std::string> HostPath(std::string_view windowsPath);

// The current folder as a Windows path ("C:\talmar"), or a host path when
// the current folder lies on no drive.
std::string CurrentFolder();
// Changes the current folder (and drive, when the path names one); also
// moves the process's own working folder there. False when no such folder.
bool SetCurrentFolder(std::string_view windowsPath);

bool FileExists(std::string_view windowsPath);
bool FolderExists(std::string_view windowsPath);

// The Windows folder, "C:\windows", without a trailing backslash.
std::string WindowsFolder();

// The running program's file as a Windows path where it lies on a drive,
// else as a host path.
std::string ProgramFilePath();

// Reads the drive map and the host working folder again; for tests.
void ResetPaths();

}  // namespace platform
