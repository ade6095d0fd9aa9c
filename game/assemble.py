#!/usr/bin/env python3
"""Joins the game's source pieces into game/kelmain.bas, each piece on its own lines.

Each piece holds exactly the physical lines of kelmain.bas it covers, so an error box's
line number is the line a person opens. A missing piece is stood in for by blank lines and
a RETURN (or END) under each of its routine labels, so the other pieces can be built and
tried on their own. Run: python3 game/assemble.py [--check]
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# (file, first line, last line, {line: stub statement}) — the stubs stand in for a missing
# piece: the labels other pieces jump to, each at its routine's first line.
PIECES = [
    ("g1_start_roam.bas", 1, 445, {
        1: "DIM SHARED HAIKU1 AS LONG, HAIKU2 AS LONG, HAIKU3 AS LONG, HAIKU4 AS LONG, "
           "HAIKU5 AS LONG, GOVER1 AS LONG, GOVER2 AS LONG, HKA AS LONG, HKB AS LONG, HKC AS LONG, "
           "COLLL AS INTEGER, MASTERSCORE AS INTEGER, MMASTERSCORE AS INTEGER, JJJJ AS INTEGER, "
           "JFFHEU AS STRING, HTYG AS STRING, SJDJFHFGG AS STRING, YON AS STRING",
        2: "111 CLS: PRINT \"start-up piece missing\": END",
        87: "99 END",
        208: "EDGES: RETURN", 298: "AREA1: RETURN", 322: "AREA2: RETURN",
        342: "AREA3: RETURN", 366: "AREA4: RETURN", 393: "TOWER: RETURN",
        424: "VILLAGE: RETURN"}),
    ("g2_fight_steps_shops.bas", 446, 885, {
        449: "FIGHT: RETURN", 512: "STEPUP: RETURN", 555: "STEPDOWN: RETURN",
        598: "STEPLEFT: RETURN", 642: "STEPRIGHT: RETURN", 686: "STORE: RETURN",
        690: "888 RETURN", 777: "INN: RETURN", 781: "777 RETURN"}),
    ("g3_zuded.bas", 886, 1431, {
        887: "ZUDED: RETURN", 986: "12345 RETURN", 1014: "5559 RETURN", 1069: "555 RETURN"}),
    ("g4_ending_death.bas", 1432, 1592, {
        1436: "ENDING: END", 1548: "DEATH1: END", 1566: "556677 END",
        1572: "DEATH2: END", 1590: "223344 END"}),
]


def main():
    check_only = "--check" in sys.argv
    out, problems = [], []
    for name, first, last, stubs in PIECES:
        path = os.path.join(HERE, "src", name)
        want = last - first + 1
        if os.path.exists(path):
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
            if lines and lines[-1] == "":
                lines.pop()
            if len(lines) != want:
                problems.append(f"{name}: {len(lines)} lines, must be exactly {want} (lines {first}-{last})")
            for line, stub in stubs.items():
                label = stub.split()[0].rstrip(":")
                text = lines[line - first] if line - first < len(lines) else ""
                if not text.lstrip().upper().startswith(label.upper()):
                    problems.append(f"{name}: line {line} must start with the label {label}")
        else:
            lines = [stubs.get(first + i, "") for i in range(want)]
        out += lines
    if problems:
        print("\n".join(problems), file=sys.stderr)
        sys.exit(1)
    if not check_only:
        with open(os.path.join(HERE, "kelmain.bas"), "w", encoding="utf-8") as f:
            f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
