// The console window: an 80 x 25 grid of Windows-1252 characters with a
// colour attribute per cell, a cursor that wraps and scrolls, and the key
// queue that every key the user presses goes through. The window procedure
// here is the program's one message target.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/message.h"

constexpr int kConsoleColumns = 80;
constexpr int kConsoleRows = 25;
constexpr int kKeyQueueSize = 64;

// The current attribute: low four bits the text colour index, high four
// bits the background index. Others may read and assign it directly; a
// direct assignment is not subject to the colour lock.
extern uint8_t ConsoleTextAttr;

// Positions are 1-based: columns 1..80, rows 1..25.
void ConsoleWrite(const char* bytes, uint16_t count);
void ConsoleWriteChar(char byte);
void ConsoleGotoXY(int column, int row);
int ConsoleWhereX();
int ConsoleWhereY();
void ConsoleClearScreen();
void ConsoleSetTextColor(int colourIndex);
void ConsoleSetBackColor(int colourIndex);
uint8_t ConsoleCharAt(int column, int row);
uint8_t ConsoleAttrAt(int column, int row);
bool ConsoleKeyPressed();
uint8_t ConsoleReadKey();
// Line input with echo; returns the bytes stored (the text, then 13 and 10).
int ConsoleReadLine(char* buffer, int capacity);
void ConsoleDelay(uint16_t milliseconds);
void ConsolePumpMessages();
void ConsolePumpWindowMessages();
void ConsoleSetTitle(std::string_view title);
[[noreturn]] void ConsoleClose();

// The window the sound device reports to and the speech parts wake. True
// once the window exists.
bool ConsoleWindowExists();
using WaveDoneHandler = void (*)(uint64_t device, int64_t header);
void ConsoleSetWaveDoneHandler(WaveDoneHandler handler);

// The window procedure; exposed so tests can hand it messages.
int64_t ConsoleWindowProc(const platform::Message& message);

// Module start: binds the exit hook and gives the appearance its start
// values. Runs before the program's main code.
void ConsoleStart();

// For tests: the number of queued key entries, appending to the queue as
// the key handlers do, and starting the module afresh (no window).
int ConsoleKeyQueueCount();
// Appends one entry (the caller checks for room).
void ConsoleQueueKey(uint8_t key);
void ConsoleResetForTest();
