#!/bin/sh
# Draws the pictures and makes the ring sound that ship in vevuzer/assets: the seven skins of the
# main window (352 x 102 pixels, the collapsed window's face) and ring.wav. Needs ImageMagick's
# `convert` and python3. The results are kept in the repository; run this only to change them.
set -eu
assets="$(cd "$(dirname "$0")/../vevuzer/assets" && pwd)"

# Every skin leaves a pale panel where the status box and the call list sit, and a strip below it
# for the line lamps and the ring and new-call pictures.
skin() {
    name=$1
    background=$2
    shift 2
    convert -size 352x102 "$background" \
        -fill '#f4f6f7' -draw "roundrectangle 9,9 326,80 6,6" \
        "$@" \
        -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 9 -annotate +150+96 'Belltale' \
        "$assets/$name"
}

skin GreenFlag.gif gradient:'#1e8449-#52be80' \
    -stroke '#5d6d7e' -strokewidth 2 -draw "line 333,26 333,76" -stroke none \
    -fill '#c0392b' -draw "polygon 334,26 350,32 334,40"
skin BlueSea.gif gradient:'#1b4f72-#5dade2' \
    -fill none -stroke '#aed6f1' -strokewidth 2 \
    -draw "bezier 328,40 334,34 340,46 348,40" -draw "bezier 328,56 334,50 340,62 348,56" \
    -stroke none
skin RedMoon.gif gradient:'#4a0d0d-#922b21' \
    -fill '#f5b7b1' -draw "circle 339,30 339,20" -fill '#7b241c' -draw "circle 343,27 343,19"
skin JustPurple.gif gradient:'#4a235a-#a569bd'
skin PlainRed.gif xc:'#b03a2e'
skin PlainGreen.gif xc:'#229954'
skin PlainBlue.gif xc:'#2471a3'

# The ring: two bursts of the British 400 + 450 Hz ring tone, 8 kHz 16-bit mono.
python3 - "$assets/ring.wav" <<'PY'
import math, struct, sys, wave
rate = 8000
samples = []
for on, off in ((0.4, 0.2), (0.4, 0.5)):
    for i in range(int(on * rate)):
        t = i / rate
        fade = min(1.0, i / 80, (on * rate - i) / 80)
        value = 0.35 * fade * (math.sin(2 * math.pi * 400 * t) + math.sin(2 * math.pi * 450 * t))
        samples.append(int(value * 32767 / 2))
    samples.extend([0] * int(off * rate))
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(rate)
    out.writeframes(b"".join(struct.pack("<h", s) for s in samples))
PY
