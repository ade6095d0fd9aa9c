#!/usr/bin/env bash
# Remakes the game's 22 WAV clips: the Zuded Man's five recitations, the fifteen
# single-line clips used when composing, and the two game-over jingles.
#
# Usage: game/clips/make_clips.sh [output-dir]   (default: this script's folder)
# Needs espeak-ng and sox (Debian: apt-get install espeak-ng sox). The game itself
# needs neither: the generated files are kept in the repository.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
mkdir -p "$out"

for tool in espeak-ng sox; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "make_clips.sh: $tool not found (apt-get install espeak-ng sox)" >&2
    exit 1
  }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The haiku, line by line, exactly as the game prints them in the recitation.
# HAIKU_A[k] is the first line of haiku k, HAIKU_B the second, HAIKU_C the third.
HAIKU_A=("" "The small ship flies" "Two men in the street" "In and out, again, again"
         "From the sky they fall   " "In a box hiding")
HAIKU_B=("" "Rigid serpent in warm places" "A huge enemy approaches"
         "Ancient bare knuckle technique" "Glade of green pipes stretching forth"
         "Moulding the body's position")
HAIKU_C=("" "Conformists vanish" "Princess in a castle" "Smell of dead fish"
         "Father's legacy" "Fierce burning is felt")

# A calm, low, unhurried voice. A line clip must end within the 3 seconds the
# compose screen waits before starting the next one, reverb tail included.
VOICE=en-gb-x-rp+m3
RATE=135     # words per minute (espeak-ng's default is 175)
PITCH=32     # 0..99, default 50
WORDGAP=2    # extra pause between words, in 10 ms units
VOLUME=60    # espeak-ng amplitude, below its default 100 so loud syllables never clip
LINE_PAUSE=0.8   # silence between the lines of a recitation, seconds

# Every clip: 22050 Hz, mono, 16-bit signed PCM. -R makes sox's dither
# repeatable, so remaking the clips gives the same bytes.
SOX="sox -R -V1"
FMT=(-r 22050 -c 1 -b 16 -e signed-integer)

# speak TEXT FILE: the text as bare speech, leading and trailing silence cut.
speak() {
  espeak-ng -v "$VOICE" -s "$RATE" -p "$PITCH" -g "$WORDGAP" -a "$VOLUME" -w "$tmp/raw.wav" "$1"
  $SOX "$tmp/raw.wav" "$2" silence 1 0.02 -45d reverse silence 1 0.02 -45d reverse
}

# shape IN OUT: a little room around the voice, normalised, soft edges.
# The padding leaves room for the reverb tail, which the fade then closes.
shape() {
  $SOX "$1" "${FMT[@]}" "$2" highpass 70 pad 0.05 0.3 \
    reverb 35 60 40 0 8 -4 channels 1 gain -n -1 fade q 0.02 -0 0.3
}

$SOX -n "${FMT[@]}" "$tmp/pause.wav" trim 0 "$LINE_PAUSE"

for k in 1 2 3 4 5; do
  speak "${HAIKU_A[$k]}" "$tmp/a$k.wav"
  speak "${HAIKU_B[$k]}" "$tmp/b$k.wav"
  speak "${HAIKU_C[$k]}" "$tmp/c$k.wav"
  shape "$tmp/a$k.wav" "$out/A$k.wav"
  shape "$tmp/b$k.wav" "$out/B$k.wav"
  shape "$tmp/c$k.wav" "$out/C$k.wav"
  $SOX "$tmp/a$k.wav" "$tmp/pause.wav" "$tmp/b$k.wav" "$tmp/pause.wav" "$tmp/c$k.wav" \
    "$tmp/main$k.wav"
  shape "$tmp/main$k.wav" "$out/MAIN$k.wav"
done

# The game-over jingles are synthesised note by note: each note gets its own
# envelope and start time, then the notes are mixed. pluck only runs at 44.1 kHz
# and up, so the notes are made there and brought down.

# note FILE START LENGTH RELEASE TONE: one note, silent until START seconds.
note() {
  $SOX -r 44100 -c 1 -n -b 16 "$1" synth "$3" $5 \
    fade q 0.01 "$3" "$4" rate 22050 pad "$2" 0
}

# jingle OUT LENGTH EFFECT... : mix the notes made so far, shape and write OUT.
jingle() {
  local dest=$1 len=$2
  shift 2
  $SOX -m "$tmp"/note*.wav "${FMT[@]}" "$dest" "$@" \
    channels 1 trim 0 "$len" gain -n -1 fade q 0.005 -0 0.5
  rm -f "$tmp"/note*.wav
}

# Gameover1: supplies gone. A plucked A minor arpeggio falling from E5 to A3.
note "$tmp/note1.wav" 0.00 1.2 0.8 "pluck E5"
note "$tmp/note2.wav" 0.22 1.2 0.8 "pluck C5"
note "$tmp/note3.wav" 0.44 1.2 0.8 "pluck A4"
note "$tmp/note4.wav" 0.66 1.2 0.8 "pluck E4"
note "$tmp/note5.wav" 0.88 1.3 1.0 "pluck A3"
jingle "$out/Gameover1.wav" 2.2 lowpass 3500 reverb 40 50 60 0 0 -3

# Gameover2: after dark. Slower, softer sustained tones falling through D minor
# to a low D, wavering as they die away.
note "$tmp/note1.wav" 0.00 1.0 0.6 "triangle D4"
note "$tmp/note2.wav" 0.40 1.0 0.6 "triangle A3"
note "$tmp/note3.wav" 0.80 1.0 0.6 "triangle F3"
note "$tmp/note4.wav" 1.20 1.2 1.0 "sine D3"
note "$tmp/note5.wav" 1.20 1.2 1.0 "sine D2"
jingle "$out/Gameover2.wav" 2.5 lowpass 2000 tremolo 5 30 reverb 50 70 80 0 0 -2

echo "make_clips.sh: wrote 22 clips to $out"
