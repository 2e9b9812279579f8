#include "speech/wave_output.h"

#include <string>

#include "platform/observe.h"

namespace {

struct WaveState {
  bool speedUp = false;
  bool cut = false;
};
WaveState wave;

}  // namespace

// FIXME: the tone player only announces itself on the audio log until the
// sound device exists; the Braille mode tones are silent meanwhile.
void TonePlay(int frequency) { platform::AudioLog("tone " + std::to_string(frequency)); }
void ToneStop() { platform::AudioLog("tone-stop"); }

void WaveSetSpeedUp(bool on) { wave.speedUp = on; }
void WaveSetCut(bool on) { wave.cut = on; }
bool WaveSpeedUp() { return wave.speedUp; }
bool WaveCut() { return wave.cut; }
