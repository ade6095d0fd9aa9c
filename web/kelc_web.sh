#!/bin/sh
# kelc --web PROGRAM.bas -o FOLDER: the program for a web browser. Run by the build tree's kelc:
#   kelc_web.sh BAS2CPP PROGRAM.bas FOLDER WEB_BUILD SOURCE
# Builds the browser runtime in WEB_BUILD when it is missing or stale (emcmake, -j2), translates
# the program, links it with emscripten, and writes FOLDER/index.html with index.js,
# index.worker.js, index.wasm and index.data (the program's data files, preloaded). Data files
# are those named by a string in the program that lie beside it (case ignored, as OPEN finds
# them), and every file in $KEL_WEB_DATA (one path a line).
bas2cpp=$1 in=$2 out=$3 build=$4 src=$5
NODE_PATH=${NODE_PATH:-/usr/share/nodejs}; export NODE_PATH   # Debian's emcc needs its modules
if ! command -v em++ >/dev/null 2>&1; then
  echo "kelc: --web needs emscripten (apt-get install emscripten)" >&2; exit 1
fi
if [ -e "$out" ] && [ ! -d "$out" ]; then echo "kelc: $out: exists and is not a folder" >&2; exit 1; fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  emcmake cmake -S "$src/web" -B "$build" >"$build.log" 2>&1 || { cat "$build.log" >&2; exit 1; }
fi
cmake --build "$build" -j"${KEL_JOBS:-2}" >"$build.log" 2>&1 || { cat "$build.log" >&2; exit 1; }
build=$(cd -- "$build" && pwd) src=$(cd -- "$src" && pwd)

tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT TERM HUP
"$bas2cpp" "$in" -o "$tmp/program.cpp" || exit $?

mkdir "$tmp/data" "$tmp/site"
dir=$(dirname -- "$in")
grep -o '"[^"]*"' "$in" | tr -d '"' | sort -u | while IFS= read -r name; do
  case "$name" in ''|*/*|*\\*|*'*'*|*'?'*|*'['*|.|..) continue ;; esac
  f=$(find "$dir" -maxdepth 1 -type f -iname "$name" 2>/dev/null | head -n 1)
  [ -z "$f" ] || cp -- "$f" "$tmp/data/"
done
if [ -n "$KEL_WEB_DATA" ]; then
  printf '%s\n' "$KEL_WEB_DATA" | while IFS= read -r f; do
    [ -z "$f" ] || cp -- "$f" "$tmp/data/" || exit 1
  done || exit 1
fi
preload=""
[ -z "$(ls -A "$tmp/data")" ] || preload="--preload-file $tmp/data@/"

includes=$(sed 's/^/-I/' "$build/includes.txt" | tr '\n' ' ')
flags="-std=c++20 -O2 -fno-math-errno -pthread -fexceptions -sUSE_SDL=1"
(cd "$tmp" && em++ $flags -w $includes -c program.cpp -o program.o) || exit 1
# The program's main runs on a worker (PROXY_TO_PTHREAD), with its game and timer threads from
# a pool started with the page; SDL's calls cross to the page's thread.
(cd "$tmp" && em++ $flags program.o "$build/libkelrt.a" -o site/index.html \
  --shell-file "$src/web/shell.html" $preload \
  -sPROXY_TO_PTHREAD -sPTHREAD_POOL_SIZE=6 -sINITIAL_MEMORY=268435456 -sTOTAL_STACK=8388608 \
  -sDEFAULT_PTHREAD_STACK_SIZE=4194304 -sMINIFY_HTML=0 \
  -sEXPORTED_FUNCTIONS=_main,_malloc,_kel_web_audio_pull) || exit 1
mkdir -p -- "$out" && cp -- "$tmp"/site/* "$out"/ || exit 1
