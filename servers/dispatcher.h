// The speech-server dispatcher: one external voice, chosen by kind, behind
// five operations.
#pragma once

#include <string>
#include <string_view>

// Starts the server of `kind` with the voice, rate and pitch; false when it
// cannot be started (the built-in synthesizer then speaks).
bool ServerInit(int voice, int rate, int pitch, int kind, std::string_view outputFile);
void ServerDone();
void ServerSpeak(std::string_view text);
bool ServerBusy(int unused);
void ServerStop();
