#!/bin/sh
# Makes the README's screenshots of the game: runs the built game (and, for the compose screen
# and the ending, a copy of it that jumps there) under scripted input with SDL's dummy drivers
# and snaps its window into PNG files beside this script.
#
#   docs/screenshots/make_screenshots.sh [BUILD_DIR]     (default: build)
#
# Needs a built tree (build/kestravelle and build/kelc) and python3, which recompresses the
# snaps: the runtime writes its PNG files with stored (uncompressed) blocks.
set -e
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)
root=$(CDPATH= cd -- "$here/../.." && pwd)
build=${1:-$root/build}
build=$(CDPATH= cd -- "$build" && pwd)
game="$build/kestravelle"
[ -x "$game" ] && [ -x "$build/kelc" ] || { echo "build the game first: $game, $build/kelc" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# run PROGRAM SCRIPT_TEXT: replays the script, failing loudly when a wait runs out.
run() {
  printf '%s\n' "$2" >"$work/script.txt"
  if ! KEL_SCRIPT="$work/script.txt" "$1" 2>"$work/err.txt"; then
    cat "$work/err.txt" >&2
    echo "make_screenshots: $1 did not follow the script" >&2
    exit 1
  fi
}

# steps KEY N: N arrow-key presses, one roaming pass apart.
steps() {
  i=0
  while [ $i -lt "$2" ]; do printf 'key %s\nwait 60\n' "$1"; i=$((i + 1)); done
}

# The title with its credits, the play screen after a few steps, and the tower (area 3 at
# (5,30): up into area 1 and onto the tower glyph at (7,32)).
run "$game" "until 19 2 60000 Creator:
snap $work/title.png
key Enter
until 22 3 10000 DAYLIGHT:
$(steps Left 3)
wait 300
snap $work/play.png
$(steps Right 3)
$(steps Up 2)
$(steps Right 2)
$(steps Up 4)
until 6 3 10000 Before you is
wait 300
snap $work/tower.png
close"

# The store: into area 4, down and across onto the village glyph, then up and right to the
# store's door.
run "$game" "until 2 13 10000 Kestravelle
key Enter
until 22 3 10000 DAYLIGHT:
$(steps Right 8)
$(steps Down 3)
$(steps Right 10)
until 3 3 10000 Left Ryokan
$(steps Up 4)
$(steps Right 4)
until 6 4 10000 Buy supplies
wait 300
snap $work/store.png
close"

# A copy of the game whose start-up (lines 2-5; label 111 kept, every other line where it
# was) jumps to the compose screen with all five haiku heard, or to the ending.
harness() {
  awk -v start="$2" 'NR == 2 { print "111 CLEAR: SCREEN 13: CLS: " start; next }
                     NR >= 3 && NR <= 5 { print ""; next } { print }' \
    "$root/game/kelmain.bas" >"$work/$1.bas"
  "$build/kelc" "$work/$1.bas" -o "$work/$1"
}
harness compose "HK1 = 1: HK2 = 1: HK3 = 1: HK4 = 1: HK5 = 1: PPOEMS = 5: GOTO 5559"
harness ending "GOTO ENDING"

# Two lines picked: the first line of haiku 1, the second of haiku 2.
run "$work/compose" "until 1 2 10000 Now, compose your own. ESC to reset.
key Enter
wait 200
key Down
wait 200
key Enter
wait 300
snap $work/compose.png
close"

run "$work/ending" "until 12 2 10000 Your answer?
wait 300
snap $work/ending.png
close"

# Recompress every snap (zlib level 9); the pixels stay as they are.
python3 - "$work" "$here" <<'EOF'
import struct, sys, zlib
src, dst = sys.argv[1], sys.argv[2]
for name in ("title", "play", "tower", "store", "compose", "ending"):
    data = open(f"{src}/{name}.png", "rb").read()
    pos, chunks, idat = 8, [], b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IDAT":
            idat += body
        elif kind != b"IEND":
            chunks.append((kind, body))
    chunks.append((b"IDAT", zlib.compress(zlib.decompress(idat), 9)))
    chunks.append((b"IEND", b""))
    out = data[:8] + b"".join(struct.pack(">I", len(b)) + k + b + struct.pack(">I", zlib.crc32(k + b))
                              for k, b in chunks)
    open(f"{dst}/{name}.png", "wb").write(out)
    print(f"{dst}/{name}.png: {len(out)} bytes")
EOF
