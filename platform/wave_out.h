// The wave-out device: PCM blocks played in order through the sound card,
// each block handed back with a kMsgWaveOutDone message to the console
// window once it has been played (or dropped by a reset). Also the simple
// sound player (one looping sound from memory) and the default beep.
//
// Backends: TALMAR_AUDIO=sdl (the real device), null (no sound; a block
// comes back after its playing time divided by TALMAR_AUDIO_PACE). Every
// backend writes TALMAR_AUDIO_LOG and TALMAR_AUDIO_CAPTURE the same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Result codes of the device operations, as the sound engine knows them.
enum : int {
  kWaveOk = 0,
  kWaveBadDeviceId = 2,
  kWaveAllocated = 4,    // the device is in use; trying again later may work
  kWaveInvalidHandle = 5,
  kWaveNoDriver = 6,
  kWaveNoMemory = 7,
  kWaveInvalidParam = 11,
  kWaveBadFormat = 32,
  kWaveStillPlaying = 33,
  kWaveUnprepared = 34,  // a block written before WaveOutPrepare
};

struct WaveFormat {
  int rate = 11025;   // samples per second
  int bits = 8;       // 8 (unsigned) or 16 (signed little-endian)
  int channels = 1;   // 1 or 2
};

// One block handed to the device: the caller owns it and its data, and must
// keep both untouched from WaveOutWrite until the block comes back.
struct WaveBlock {
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  uint64_t user = 0;      // the caller's own value
  bool prepared = false;  // set by WaveOutPrepare, cleared by WaveOutUnprepare
  bool queued = false;    // between WaveOutWrite and its kMsgWaveOutDone
};

using WaveHandle = uint64_t;

// Opens the device for `format`; on success *handle names it. Each block
// that comes back posts kMsgWaveOutDone with wparam = the handle and
// lparam = the WaveBlock's address.
int WaveOutOpen(const WaveFormat& format, WaveHandle* handle);
int WaveOutPrepare(WaveHandle handle, WaveBlock* block);
int WaveOutUnprepare(WaveHandle handle, WaveBlock* block);  // kWaveStillPlaying while queued
int WaveOutWrite(WaveHandle handle, WaveBlock* block);
// Stops at once; every block still queued comes back.
int WaveOutReset(WaveHandle handle);
// kWaveStillPlaying while blocks are queued.
int WaveOutClose(WaveHandle handle);

// The simple sound player: plays a RIFF WAVE image from memory, looping
// when asked, until PlayerStop or the next PlayerPlay. The image must stay
// valid while it plays.
bool PlayerPlay(const uint8_t* image, std::size_t length, bool loop);
void PlayerStop();

// The system's default beep, asynchronous.
void SoundDefaultBeep();

// Forgets the open device and the chosen backend; for tests.
void ResetAudio();

}  // namespace platform
