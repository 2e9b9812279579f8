// The wave output engine: recorded and synthesized sound through the
// wave-out device, and the tone player.
#pragma once

// Plays a continuous tone of `frequency` Hz until ToneStop.
void TonePlay(int frequency);
void ToneStop();

// Speed-up: everything plays at 1.5 times its sample rate. Cut: mono
// speech is shortened by dropping about every other pitch period.
void WaveSetSpeedUp(bool on);
void WaveSetCut(bool on);
bool WaveSpeedUp();
bool WaveCut();
