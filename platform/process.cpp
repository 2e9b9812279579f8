#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {

struct ProcessState {
  std::vector<ExitHook> hooks;
  bool halting = false;
};
ProcessState process;

}  // namespace

void AddExitHook(ExitHook hook) { process.hooks.push_back(hook); }

void Halt(int status) {
  // A hook that ends the program again (a pump meeting a quit message while
  // the exit hook runs) must not run the hooks twice.
  if (!process.halting) {
    process.halting = true;
    while (!process.hooks.empty()) {
      ExitHook hook = process.hooks.back();
      process.hooks.pop_back();
      hook(status);
    }
  }
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace platform
