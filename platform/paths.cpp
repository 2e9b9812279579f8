#include "platform/paths.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/cp1252.h"

namespace platform {
namespace {

constexpr int kDriveCount = 26;  // A: .. Z:
constexpr int kDriveC = 2;
// The current folder lies on no drive: relative paths resolve against the
// host folder itself, as if the host file system were one more drive.
constexpr int kHostDrive = -1;

struct Drive {
  bool exists = false;
  // Host folder standing for the drive's root, without a trailing slash
  // (empty when the root is "/" itself).
  std::string root;
  // The same with symbolic links resolved, to recognise host paths (such as
  // the working folder the kernel reports) that lie on the drive.
  std::string canonicalRoot;
  // The drive's current folder: host names of the folders below the root.
  std::vector<std::string> current;
};

struct PathsState {
  bool started = false;
  std::array<Drive, kDriveCount> drives;
  int currentDrive = kHostDrive;
  // The current folder while it lies on no drive: host names below "/".
  std::vector<std::string> hostCurrent;
};
PathsState paths;

// A resolved path: a drive (or the host file system) and the host names of
// the components below its root.
struct Location {
  int drive = kHostDrive;
  std::vector<std::string> components;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Names compare the way the Windows file system does.
unsigned char FoldByte(unsigned char c) { return FoldCp1252Case(c); }

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  return out;
}

// A host file name as program text. Names that are not UTF-8 made of
// Windows-1252 characters are taken byte for byte, so they can still be
// matched and shown.
std::string HostNameToText(const std::string& name) {
  std::string text = Utf8ToCp1252(name, '\0');
  if (text.find('\0') != std::string::npos) return name;
  return text;
}

std::vector<std::string> SplitHostPath(std::string_view hostPath) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= hostPath.size()) {
    std::size_t end = hostPath.find('/', start);
    if (end == std::string_view::npos) end = hostPath.size();
    std::string_view part = hostPath.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    start = end + 1;
  }
  return parts;
}

std::string JoinHost(const std::string& root, const std::vector<std::string>& components) {
  std::string out = root;
  for (const auto& component : components) {
    out += '/';
    out += component;
  }
  return out.empty() ? "/" : out;
}

std::string HostWorkingFolder() {
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return "/";  // the working folder was removed
  std::string out = cwd;
  std::free(cwd);
  return out;
}

std::string CanonicalHostPath(const std::string& hostPath) {
  char* resolved = realpath(hostPath.c_str(), nullptr);
  if (resolved == nullptr) return hostPath;
  std::string out = resolved;
  std::free(resolved);
  return out;
}

// A host folder named by the environment, made absolute and free of "." and
// "..", without a trailing slash ("" for "/").
std::string NormalHostFolder(const std::string& folder) {
  const std::string absolute = folder[0] == '/' ? folder : HostWorkingFolder() + "/" + folder;
  const std::string joined = JoinHost("", SplitHostPath(absolute));
  return joined == "/" ? "" : joined;
}

std::string DefaultDriveC() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/talmar/drive_c";
  const char* home = std::getenv("HOME");
  std::string homeFolder = home != nullptr && home[0] != '\0' ? home : "";
  if (homeFolder.empty()) {
    const passwd* entry = getpwuid(getuid());
    homeFolder = entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "/";
  }
  return homeFolder + "/.local/share/talmar/drive_c";
}

// Which drive a canonical host path lies on (the innermost one when drives
// nest), with the components below that drive's root.
Location ClassifyHostPath(const std::string& canonical) {
  Location best;
  best.components = SplitHostPath(canonical);
  std::size_t bestLength = 0;
  bool found = false;
  for (int d = 0; d < kDriveCount; ++d) {
    const Drive& drive = paths.drives[d];
    if (!drive.exists) continue;
    const std::string& root = drive.canonicalRoot;
    const bool inside = canonical == (root.empty() ? "/" : root) ||
                        (canonical.size() > root.size() &&
                         canonical.compare(0, root.size(), root) == 0 &&
                         canonical[root.size()] == '/');
    if (!inside || (found && root.size() <= bestLength)) continue;
    found = true;
    bestLength = root.size();
    best.drive = d;
    best.components = SplitHostPath(canonical.substr(root.size()));
  }
  return best;
}

void EnsureStarted() {
  if (!paths.started) ResetPaths();
}

const std::string& RootOf(int drive) {
  static const std::string hostRoot;
  return drive == kHostDrive ? hostRoot : paths.drives[drive].root;
}

const std::vector<std::string>& CurrentComponentsOf(int drive) {
  return drive == kHostDrive ? paths.hostCurrent : paths.drives[drive].current;
}

// The host name of `written` inside `folder`: the name as written when it
// exists, else an entry that differs from it only in letter case (the first
// in byte order, so the choice does not depend on the directory's order).
// `found` tells whether any such entry exists.
std::string MatchComponent(const std::string& folder, std::string_view written, bool& found) {
  const std::string asHost = Cp1252ToUtf8(written);
  struct stat info {};
  if (lstat((folder + "/" + asHost).c_str(), &info) == 0) {
    found = true;
    return asHost;
  }
  found = false;
  DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return asHost;
  const std::string wanted = Fold(written);
  std::string best;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (Fold(HostNameToText(name)) != wanted) continue;
    if (!found || name < best) best = name;
    found = true;
  }
  closedir(dir);
  return found ? best : asHost;
}

// Applies the components of `rest` to `location`: "." stays, ".." goes up
// but never above the root, every other component is matched against what
// exists. Once a component is missing, the rest are kept as written.
void Walk(Location& location, std::string_view rest) {
  bool parentExists = true;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!location.components.empty()) location.components.pop_back();
      parentExists = true;
      continue;
    }
    if (parentExists) {
      const std::string folder = JoinHost(RootOf(location.drive), location.components);
      location.components.push_back(MatchComponent(folder == "/" ? "" : folder, part, parentExists));
    } else {
      location.components.push_back(Cp1252ToUtf8(part));
    }
  }
}

std::optional<Location> Resolve(std::string_view windowsPath) {
  EnsureStarted();
  // An embedded NUL would silently cut the path short at the host.
  if (windowsPath.empty() || windowsPath.find('\0') != std::string_view::npos) return std::nullopt;
  Location location;
  std::string_view rest = windowsPath;
  if (windowsPath[0] == '/') {
    location.drive = kHostDrive;
  } else if (windowsPath.size() >= 2 && windowsPath[1] == ':' && IsAsciiLetter(windowsPath[0])) {
    const int drive = FoldByte(static_cast<unsigned char>(windowsPath[0])) - 'A';
    if (!paths.drives[drive].exists) return std::nullopt;
    location.drive = drive;
    rest = windowsPath.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) location.components = paths.drives[drive].current;
  } else {
    location.drive = paths.currentDrive;
    if (!IsSeparator(windowsPath[0])) location.components = CurrentComponentsOf(location.drive);
  }
  Walk(location, rest);
  return location;
}

std::string HostPathOf(const Location& location) {
  return JoinHost(RootOf(location.drive), location.components);
}

std::string WindowsPathOf(const Location& location) {
  if (location.drive == kHostDrive) {
    std::string out;
    for (const auto& component : location.components) out += "/" + HostNameToText(component);
    return out.empty() ? "/" : out;
  }
  std::string out(1, static_cast<char>('A' + location.drive));
  out += ":\\";
  for (std::size_t i = 0; i < location.components.size(); ++i) {
    if (i > 0) out += '\\';
    out += HostNameToText(location.components[i]);
  }
  return out;
}

bool StatPath(std::string_view windowsPath, struct stat& info) {
  const auto location = Resolve(windowsPath);
  return location && stat(HostPathOf(*location).c_str(), &info) == 0;
}

}  // namespace

void ResetPaths() {
  paths = PathsState{};
  paths.started = true;
  for (int d = 0; d < kDriveCount; ++d) {
    const std::string variable = std::string("TALMAR_DRIVE_") + static_cast<char>('A' + d);
    const char* value = std::getenv(variable.c_str());
    std::string folder = value != nullptr ? value : "";
    if (folder.empty() && d == kDriveC) folder = DefaultDriveC();
    // A: and B: are floppy letters and are never mapped; an empty variable
    // counts as unset.
    if (folder.empty() || d < kDriveC) continue;
    Drive& drive = paths.drives[d];
    drive.exists = true;
    drive.root = NormalHostFolder(folder);
    const std::string canonical = CanonicalHostPath(drive.root.empty() ? "/" : drive.root);
    drive.canonicalRoot = canonical == "/" ? "" : canonical;
  }
  const Location start = ClassifyHostPath(CanonicalHostPath(HostWorkingFolder()));
  paths.currentDrive = start.drive;
  if (start.drive == kHostDrive) {
    paths.hostCurrent = start.components;
  } else {
    paths.drives[start.drive].current = start.components;
  }
}

std::optional<std::string> HostPath(std::string_view windowsPath) {
  const auto location = Resolve(windowsPath);
  if (!location) return std::nullopt;
  return HostPathOf(*location);
}

std::string CurrentFolder() {
  EnsureStarted();
  Location location;
  location.drive = paths.currentDrive;
  location.components = CurrentComponentsOf(paths.currentDrive);
  return WindowsPathOf(location);
}

bool SetCurrentFolder(std::string_view windowsPath) {
  auto location = Resolve(windowsPath);
  if (!location) return false;
  const std::string host = HostPathOf(*location);
  struct stat info {};
  if (stat(host.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  // Child processes inherit the working folder, so the process moves too.
  if (chdir(host.c_str()) != 0) return false;
  // A host path that lies on a drive makes that drive current, as the
  // working folder at start-up would.
  if (location->drive == kHostDrive) *location = ClassifyHostPath(CanonicalHostPath(host));
  paths.currentDrive = location->drive;
  if (location->drive == kHostDrive) {
    paths.hostCurrent = location->components;
  } else {
    paths.drives[location->drive].current = location->components;
  }
  return true;
}

bool FileExists(std::string_view windowsPath) {
  struct stat info {};
  return StatPath(windowsPath, info) && !S_ISDIR(info.st_mode);
}

bool FolderExists(std::string_view windowsPath) {
  struct stat info {};
  return StatPath(windowsPath, info) && S_ISDIR(info.st_mode);
}

std::string WindowsFolder() { return "C:\\windows"; }

std::string ProgramFilePath() {
  EnsureStarted();
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  const std::string host(buffer, static_cast<std::size_t>(length));
  return WindowsPathOf(ClassifyHostPath(host));
}

}  // namespace platform
