#!/bin/sh
# Run by ctest as: sh cli_check.sh BUILD_DIR PROGRAM.bas
# The command line of bas2cpp and kelc: an output that is the input is refused and the source
# stays as it was; a folder or a missing file as input is refused; a FIFO as kelc's output gets
# the program, a folder or block device is refused, a long output name works; a kelc stopped by SIGTERM
# while compiling stops the compiler and leaves no temporary folder behind.
build=$1; program=$2
root=$build/kelc_cli_check
rm -rf "$root"
mkdir -p "$root/tmp" "$root/sub" "$root/dir" || exit 1
TMPDIR=$root/tmp; export TMPDIR
kelc_pid=""

# Processes working under our temporary folder: the compiler that kelc started and its children.
ours() { ps -eo pid=,comm=,args= | S="$root/tmp/" awk 'index($0, ENVIRON["S"]) { print $1, $2 }'; }
cleanup() {
  [ -z "$kelc_pid" ] || kill -TERM "$kelc_pid" 2>/dev/null
  for p in $(ours | awk '{ print $1 }'); do kill -KILL "$p" 2>/dev/null; done
  rm -rf "$root"
}
trap cleanup EXIT
fail() { echo "kelc_cli: $*" >&2; exit 1; }
# expect STATUS TEXT TOOL ARGS...: TOOL ARGS ends with STATUS and says TEXT on stderr.
expect() {
  want=$1 text=$2; shift 2
  "$build/$@" 2>"$root/err"; rc=$?
  [ "$rc" -eq "$want" ] || fail "$* ended with $rc, want $want: $(cat "$root/err")"
  grep -qF -- "$text" "$root/err" || fail "$* did not say '$text': $(cat "$root/err")"
}

cd "$root" || exit 1
cp "$program" prog.bas && cp "$program" in.tmp && ln prog.bas hard.bas && ln -s prog.bas soft.bas || exit 1
printf 'X = 1 @\n' >bad.bas
for tool in bas2cpp kelc; do
  for out in prog.bas ./prog.bas "$root/prog.bas" sub/../prog.bas hard.bas soft.bas; do
    expect 2 "$out" $tool prog.bas -o "$out"
    cmp -s prog.bas "$program" || fail "$tool prog.bas -o $out changed the source"
  done
  expect 1 "dir: is a directory" $tool dir -o out
  expect 1 "missing.bas: cannot read" $tool missing.bas -o out
  expect 1 "bad.bas:1:7: unexpected '@'" $tool bad.bas -o out
  [ ! -e out ] || fail "$tool wrote an output for a failed run"
done
[ -z "$(ls -A tmp)" ] || fail "kelc left temporary files: $(ls -A tmp)"

# Outputs that are no regular file are never renamed over: a FIFO gets the program written
# into it and stays a FIFO, a folder is refused and stays. An output name of 250 characters
# works (the staging name beside it does not grow with it).
"$build/kelc" prog.bas -o plain 2>"$root/err" || fail "kelc prog.bas -o plain: $(cat "$root/err")"
mkfifo pipe || exit 1
exec 3<>pipe              # a writer held here, so the reader's open does not wait for kelc
exec 4<pipe               # the reader's end opened before the reader starts: no race with it
cat <&4 >from_pipe 3>&- 4<&- &
reader=$!
exec 4<&-
"$build/kelc" prog.bas -o pipe 2>"$root/err" 3>&-; rc=$?
exec 3>&-                 # the reader ends once kelc's writer has gone too, whatever kelc did
wait "$reader"
[ "$rc" -eq 0 ] || fail "kelc prog.bas -o pipe ended with $rc: $(cat "$root/err")"
[ -p pipe ] || fail "kelc prog.bas -o pipe replaced the FIFO"
cmp -s from_pipe plain || fail "kelc prog.bas -o pipe wrote other bytes than -o plain"
mkdir out_dir && touch out_dir/keep || exit 1
expect 1 "out_dir: is a directory" kelc prog.bas -o out_dir
[ -f out_dir/keep ] || fail "kelc prog.bas -o out_dir changed the folder"
if mknod blk b 7 0 2>/dev/null; then   # only where we may make one (as root): refused, untouched
  expect 1 "blk: is not a regular file" kelc prog.bas -o blk
  [ -b blk ] || fail "kelc prog.bas -o blk replaced the block device"
fi
expect 1 "out_dir: is a directory" bas2cpp prog.bas -o out_dir
[ -f out_dir/keep ] || fail "bas2cpp prog.bas -o out_dir changed the folder"
mkfifo cpp_pipe || exit 1
exec 3<>cpp_pipe
exec 4<cpp_pipe
cat <&4 >from_cpp_pipe 3>&- 4<&- &
reader=$!
exec 4<&-
"$build/bas2cpp" prog.bas -o cpp_pipe 2>"$root/err" 3>&-; rc=$?
exec 3>&-
wait "$reader"
[ "$rc" -eq 0 ] || fail "bas2cpp prog.bas -o cpp_pipe ended with $rc: $(cat "$root/err")"
[ -p cpp_pipe ] || fail "bas2cpp prog.bas -o cpp_pipe replaced the FIFO"
grep -q kel_main from_cpp_pipe || fail "bas2cpp prog.bas -o cpp_pipe wrote no program into it"
long=$(printf '%0250d' 0)
"$build/bas2cpp" prog.bas -o "$long.cpp" 2>"$root/err" || fail "bas2cpp with a long output name: $(cat "$root/err")"
grep -q kel_main "$long.cpp" || fail "bas2cpp with a long output name wrote no program"
for f in .bas2cpp-*; do [ ! -e "$f" ] || fail "bas2cpp left its staging file $f"; done
"$build/kelc" prog.bas -o "$long" 2>"$root/err" || fail "kelc with a 250-character output name: $(cat "$root/err")"
[ -x "$long" ] && cmp -s "$long" plain || fail "kelc with a 250-character output name wrote no program"
for f in .kelc.*; do [ ! -e "$f" ] || fail "kelc left its staging file $f"; done

# A program big enough to keep the compiler busy for a while; kelc is stopped once the
# compiler proper runs.
awk 'BEGIN { for (i = 1; i <= 1000; i++) printf "A%% = A%% + %d: PRINT A%%; \"x\"\n", i }' >big.bas
"$build/kelc" big.bas -o big 2>"$root/err" &
kelc_pid=$!
n=0
until ours | grep -q cc1plus; do
  kill -0 "$kelc_pid" 2>/dev/null || fail "kelc ended before the compiler was seen: $(cat "$root/err")"
  [ $n -lt 600 ] || fail "the compiler did not start within a minute"
  sleep 0.1; n=$((n + 1))
done
kill -TERM "$kelc_pid"
wait "$kelc_pid"; rc=$?
kelc_pid=""
[ "$rc" -eq 143 ] || fail "kelc stopped by SIGTERM ended with $rc, want 143"
n=0
while [ -n "$(ours)" ]; do
  [ $n -lt 100 ] || fail "compiler processes still run after kelc was stopped: $(ours)"
  sleep 0.1; n=$((n + 1))
done
[ -z "$(ls -A tmp)" ] || fail "kelc stopped by SIGTERM left temporary files: $(ls -A tmp)"
for f in big .kelc.*; do [ ! -e "$f" ] || fail "kelc stopped by SIGTERM left $f"; done
exit 0
