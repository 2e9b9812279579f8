#!/usr/bin/env bash
# Plays a long recording through the installed program with SDL's disk
# audio driver and compares what the device received with the recording:
# its length, and the largest step between samples (a gap or a click at the
# joins of the sound blocks would show as a larger step than the sine wave
# itself makes).
# Usage: tools/disk_audio_check.sh PATH/TO/ligafala
set -euo pipefail
program=${1:?usage: $0 PATH/TO/ligafala}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/drive/talmar/som/ligafala"
touch "$work/drive/talmar/ligafala"
python3 - "$work/drive/talmar/som/ligafala/LFINIC.wav" <<'PY'
import math, struct, sys
rate, seconds = 22050, 8
data = b"".join(struct.pack("<h", int(12000 * math.sin(i * 2 * math.pi * 330 / rate)))
                for i in range(rate * seconds))
header = (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
          struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" +
          struct.pack("<I", len(data)))
open(sys.argv[1], "wb").write(header + data)
PY
TALMAR_VIDEO=headless TALMAR_AUDIO=sdl SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" \
  TALMAR_DRIVE_C="$work/drive" "$program" 2>/dev/null
python3 - "$work/out.raw" <<'PY'
import math, struct, sys
raw = open(sys.argv[1], "rb").read()
frames = len(raw) // 4  # the device plays 48000 Hz, 16-bit stereo
left = struct.unpack("<%dh" % (frames * 2), raw[:frames * 4])[0::2]
sounding = [i for i, v in enumerate(left) if v != 0]
first, last = sounding[0], sounding[-1]
step = max(abs(left[i + 1] - left[i]) for i in range(first, last))
print("recording: 8.000 s; device: %.4f s" % ((last - first + 1) / 48000))
print("largest step: %d (the sine itself: %d)" % (step, round(12000 * 2 * math.pi * 330 / 48000)))
PY
