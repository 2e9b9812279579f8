// How the console looks: colours and their map onto the palette, the colour
// lock, the scroll method, the start size and the font, all from sections
// "VIDEO" and "BRAILLE" of "SONTRA.INI" in the Windows folder, read when the
// console window is created.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/geometry.h"

// Start values; runs at module start and lets tests begin afresh.
void AppearanceStart();

// Reads the settings, sets the initial attribute (ConsoleTextAttr) and
// selects the font on the window backend.
void ConsoleReadAppearance();

// The screen colour of a colour index (0..15) through the colour map; a map
// entry above 15 gives black.
platform::Rgb ConsoleColourOf(int colourIndex);

// Fills the colour map from a "TABCORES" text; entries it does not reach
// keep their values.
void ParseColourMap(std::string_view text);
uint8_t ColourMapEntry(int colourIndex);

bool ConsoleColoursLocked();
bool ConsoleSlowScroll();
bool ConsoleStartMaximised();
// The Braille mode the settings ask for at start.
int ConfiguredBrailleMode();
int MagnifierFactor();
// The font asked for, after the settings were read.
const platform::FontRequest& ConsoleFontRequest();
