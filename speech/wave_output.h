// The wave output engine: recorded and synthesized sound through the
// wave-out device in four buffers, counted back through the console
// window's buffer-done messages; and the tone player. A key waiting in the
// console's queue stops playback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Size of each device buffer and of the staging buffer.
inline constexpr uint32_t kWaveBufferSize = 65534;
inline constexpr int kWaveBufferCount = 4;

// Allocates the buffers; module start. WaveEnd closes the device.
void WaveStart();
void WaveEnd();

// Where the samples of a RIFF WAVE image are.
struct WaveImageInfo {
  std::size_t dataOffset = 0;
  uint32_t dataLength = 0;
  int rate = 0;
  int channels = 0;
  int bits = 0;
  std::size_t totalLength = 0;  // end of the data, from the image's start
};
// False when the image is not RIFF WAVE (no "RIFF" or "fmt ", no "data"
// chunk inside `size`). A data chunk longer than the image is cut to it.
bool WaveParseImage(const uint8_t* image, std::size_t size, WaveImageInfo* info);

// Queues the samples of a RIFF WAVE image; returns when the last block is
// queued. An image that is not RIFF WAVE plays nothing.
void WavePlay(const uint8_t* image, std::size_t size);
// Plays a RIFF WAVE file (a Windows path) and waits until it has been heard
// or a key stopped it: 0 played or stopped, -1 unreadable or not RIFF
// WAVE or short of data, else the device's error from opening.
int WavePlayFile(std::string_view path);
// Queues PCM data in blocks: 0, or the device's error from opening.
int WaveWrite(const uint8_t* data, uint32_t length, int rate, int channels, int bits);
// Pumps messages; stops the device when a key waits or nothing is in
// flight; tells whether buffers are still in flight.
bool WaveBusy();
// Stops and closes the device at once.
void WaveStop();

// Shortens mono speech in place by dropping about every other pitch period;
// 16-bit samples become 8-bit first. Returns the new length in bytes.
uint32_t WaveCompress(uint8_t* buffer, uint32_t length, int bits, int rate);

// The tone player: a looping square wave of `frequency` Hz until ToneStop.
void TonePlay(int frequency);
void ToneStop();
// The tone's RIFF image, while one plays; for tests.
const uint8_t* ToneImage(std::size_t* size);

// Speed-up: everything plays at 1.5 times its sample rate. Cut: mono
// speech is shortened by dropping about every other pitch period.
void WaveSetSpeedUp(bool on);
void WaveSetCut(bool on);
bool WaveSpeedUp();
bool WaveCut();

// The buffers in flight; for tests.
int WaveInFlight();
