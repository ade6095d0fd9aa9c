#!/bin/sh
# compile_times.sh [BUILD_DIR] [CASE...]: how long kelc takes, and the most memory one of its
# processes holds, for programs of the sizes users write. Cases (all by default, in this order):
#   ten      a ten-line program
#   game     the game (game/kelmain.bas)
#   3k       a generated program of 3,000 lines (bench/gen_program.py mixed 3000)
#   print10k one PRINT of 10,000 items
#   print30k one PRINT of 30,000 items
#   100k     a generated program of 100,000 lines
# Prints one line per case: wall-clock seconds, processor seconds (user + system, all of kelc's
# processes) and the peak resident size of the largest process. Needs GNU time (/usr/bin/time).
# On a loaded machine the wall-clock figure grows with the load; the processor time much less.
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)
build=${1:-$here/../build}
[ $# -gt 0 ] && shift
kelc=$build/kelc
[ -x "$kelc" ] || { echo "compile_times.sh: no kelc in $build (build first)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "compile_times.sh: needs /usr/bin/time (Debian's time package)" >&2; exit 2; }
cases=${*:-ten game 3k print10k print30k 100k}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

cat >"$work/ten.bas" <<'EOF'
CLS
FOR I = 1 TO 10
  PRINT "Line"; I; TAB(20); I * I
NEXT I
A$ = "hello"
IF LEN(A$) > 3 THEN PRINT UCASE$(A$)
X! = 3.5 * 2
PRINT X!
GOSUB Done
END
Done: PRINT "done": RETURN
EOF

printf '%-9s %9s %9s %9s  %s\n' case "wall s" "cpu s" "peak MB" "lines"
for c in $cases; do
  case $c in
    ten) src=$work/ten.bas ;;
    game) src=$here/../game/kelmain.bas ;;
    3k) src=$work/3k.bas; python3 "$here/gen_program.py" mixed 3000 >"$src" ;;
    print10k) src=$work/p10k.bas; python3 "$here/gen_program.py" print 10000 >"$src" ;;
    print30k) src=$work/p30k.bas; python3 "$here/gen_program.py" print 30000 >"$src" ;;
    100k) src=$work/100k.bas; python3 "$here/gen_program.py" mixed 100000 >"$src" ;;
    *) echo "compile_times.sh: unknown case $c" >&2; exit 2 ;;
  esac
  if /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$kelc" "$src" -o "$work/program" >"$work/log" 2>&1; then
    read -r wall user sys kb <"$work/time"
    printf '%-9s %9s %9s %9d  %s\n' "$c" "$wall" "$(awk "BEGIN { printf \"%.2f\", $user + $sys }")" $((kb / 1024)) "$(wc -l <"$src")"
  else
    printf '%-9s failed:\n' "$c"
    tail -n 5 "$work/log"
  fi
done
