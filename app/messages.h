// The message catalogue: every fixed sentence the program says, by key. A
// sentence is written on the console and heard from its recording
// "som\ligafala\KEY.wav" when one is installed, else from the synthesizer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The sentence of `key`. An unknown key (keys match exactly, letter case
// included) is said as "Mensagem inválida KEY" and gives the empty text.
std::string MessageText(std::string_view key);

// Writes the sentence, makes it heard, then writes `lineEnds` line ends.
void SayMessage(std::string_view key, uint8_t lineEnds);
