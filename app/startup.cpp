#include "app/startup.h"

#include "console/console.h"
#include "console/text_output.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "speech/settings.h"

void StartModules() {
  ConsoleStart();
  SettingsStart();
}

void RunLigafala() {
  ConsoleClearScreen();
  ConsoleSetTitle(kWindowTitle);
  // A missing folder is not reported here: the program file is then not
  // found either, and that is what the user is told.
  platform::SetCurrentFolder(kInstallFolder);
  // FIXME: the speech core starts here once it exists.
  if (!platform::FileExists(kProgramFileName)) {
    WriteLine(kNotInstalledMessage);
    platform::Halt(0);
  }
  // FIXME: the greeting, the spelled version and the main menu come with the
  // speech core and the menus; until then the window waits for one key.
  ConsoleClearScreen();
  ConsoleReadKey();
  platform::Halt(0);
}
