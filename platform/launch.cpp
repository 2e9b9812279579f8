#include "platform/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/window.h"

extern char** environ;

namespace platform {
namespace {

// Variables that describe this run to a check; a child reading them would
// replay our key script and write into our trace and screen files.
constexpr std::string_view kRunOnlyVariables[] = {
    "TALMAR_KEYS=", "TALMAR_SCREEN=", "TALMAR_TRACE=", "TALMAR_AUDIO_LOG=", "TALMAR_AUDIO_CAPTURE="};

bool IsRunOnly(std::string_view entry) {
  for (std::string_view prefix : kRunOnlyVariables) {
    if (entry.substr(0, prefix.size()) == prefix) return true;
  }
  return false;
}

int FailureOf(int error) {
  switch (error) {
    case ENOENT:
      return kStartFileNotFound;
    case ENOTDIR:
      return kStartPathNotFound;
    case ENOMEM:
    case EAGAIN:
      return kStartOutOfMemory;
    case ENOEXEC:
      return kStartBadFormat;
    default:
      return kStartAccessDenied;
  }
}

// Only async-signal-safe calls from here on: the parent may have other
// threads (the sound device's), whose locks the child inherits.
[[noreturn]] void RunChild(int reportFd, int pidFd, const char* path, const char* folder,
                           char* const* argv, char* const* envp) {
  const pid_t grandchild = fork();
  // The middle process ends at once, so the program is adopted by the
  // system and never lingers as a zombie of ours; it tells us the
  // program's process number first.
  if (grandchild != 0) {
    if (grandchild > 0) {
      [[maybe_unused]] const ssize_t sent = write(pidFd, &grandchild, sizeof grandchild);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction deflt;
  std::memset(&deflt, 0, sizeof deflt);
  deflt.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &deflt, nullptr);
  int error = 0;
  if (folder != nullptr && chdir(folder) != 0) {
    error = errno == ENOENT ? ENOTDIR : errno;
  } else {
    execve(path, argv, envp);
    error = errno;
  }
  // The report pipe closes on a successful exec; a failure is written to it.
  [[maybe_unused]] const ssize_t written = write(reportFd, &error, sizeof error);
  _exit(127);
}

// Reads exactly `size` bytes; false at the end of the pipe before that.
bool ReadWhole(int fd, void* into, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, static_cast<char*>(into) + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::vector<std::string> SplitParameters(std::string_view parameters) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < parameters.size()) {
    const char c = parameters[i];
    if (c == '\\') {
      std::size_t run = 0;
      while (i < parameters.size() && parameters[i] == '\\') {
        ++run;
        ++i;
      }
      inArgument = true;
      if (i < parameters.size() && parameters[i] == '"') {
        current.append(run / 2, '\\');
        if (run % 2 == 1) {
          current += '"';
          ++i;
        }
      } else {
        current.append(run, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
    ++i;
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

int StartProgram(std::string_view file, std::string_view parameters, std::string_view folder) {
  const std::optional<std::string> program = HostPath(file);
  struct stat info;
  if (!program || stat(program->c_str(), &info) != 0) return kStartFileNotFound;
  if (!S_ISREG(info.st_mode) || access(program->c_str(), X_OK) != 0) {
    // A document would need an associated program, and there is none.
    return kStartNoAssociation;
  }
  std::string hostFolder;
  if (!folder.empty()) {
    const std::optional<std::string> resolved = HostPath(folder);
    if (!resolved || stat(resolved->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      return kStartPathNotFound;
    }
    hostFolder = *resolved;
  }

  // Everything the child needs is built before the fork.
  std::vector<std::string> arguments{*program};
  for (const std::string& argument : SplitParameters(parameters)) {
    arguments.push_back(Cp1252ToUtf8(argument));
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!IsRunOnly(*entry)) envp.push_back(*entry);
  }
  envp.push_back(nullptr);

  // Two pipes that close on exec: the program's number from the middle
  // process, and a failure to start from the program's own process.
  int report[2];
  int pidPipe[2];
  if (pipe2(report, O_CLOEXEC) != 0) return kStartOutOfMemory;
  if (pipe2(pidPipe, O_CLOEXEC) != 0) {
    close(report[0]);
    close(report[1]);
    return kStartOutOfMemory;
  }
  const pid_t child = fork();
  if (child == 0) {
    RunChild(report[1], pidPipe[1], program->c_str(),
             hostFolder.empty() ? nullptr : hostFolder.c_str(), argv.data(), envp.data());
  }
  close(report[1]);
  close(pidPipe[1]);
  if (child < 0) {
    close(report[0]);
    close(pidPipe[0]);
    return kStartOutOfMemory;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  pid_t programPid = 0;
  const bool gotPid = ReadWhole(pidPipe[0], &programPid, sizeof programPid);
  close(pidPipe[0]);
  int error = 0;
  const bool failed = ReadWhole(report[0], &error, sizeof error);
  close(report[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !gotPid) return kStartOutOfMemory;
  if (failed) return FailureOf(error);
  NoteChildStarted(static_cast<int>(programPid));
  return kStartDone;
}

}  // namespace platform
