#include "app/startup.h"

#include "app/menus.h"
#include "app/messages.h"
#include "console/console.h"
#include "console/menu_selector.h"
#include "console/text_output.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "speech/settings.h"
#include "speech/speech.h"
#include "speech/wave_output.h"
#include "synth/diphone_synth.h"

void StartModules() {
  ConsoleStart();
  WaveStart();
  SettingsStart();
  SpeechStart();
  SynthStart();
  MenuStart();
}

void RunLigafala() {
  ConsoleClearScreen();
  ConsoleSetTitle(kWindowTitle);
  // A missing folder is not reported here: the program file is then not
  // found either, and that is what the user is told.
  platform::SetCurrentFolder(kInstallFolder);
  SpeechInit(0, "");
  if (!platform::FileExists(kProgramFileName)) {
    WriteLineAndSpeak(kNotInstalledMessage);
    SpeechDone();
    platform::Halt(0);
  }
  SayMessage("LFINIC", 1);
  SpellText(kVersionText);
  WriteLineAndSpeak("");
  ConsoleClearScreen();
  MainMenu();
  // The farewell has been heard or cut short; nothing is left to say, so
  // the speech stack is not taken down first.
  platform::Halt(0);
}
