// The Braille chord keyboard: keys F D S J K L are dots 1 to 6 and the space
// bar joins them; a chord is read when its last key is released. Mode 1
// gives the letters of the table; mode 2 adds the literary rules (number
// sign, capital sign, caps lock).
#pragma once

#include <cstdint>

void BrailleStart();
int BrailleMode();
// Switches the mode (above 2 means 1) and announces it with tones.
void ConsoleSetBrailleMode(int mode);

// The dot value of a chord key (space 64), or 0 for any other key.
int BrailleKeyValue(uint16_t vk);
// Key down of a chord key (Ctrl not held): adds it to the chord.
void BrailleKeyDown(uint16_t vk);
// Key up; false when the message is declined (default processing).
bool BrailleKeyUp(uint16_t vk, uint8_t mods);
