#!/usr/bin/env python3
"""Writes a BASIC program for compile-time measurements and the translator's size checks.

  gen_program.py mixed LINES   a program of about LINES lines written as hobby programs are:
                               numbers and strings, arrays, IF blocks, FOR and DO loops,
                               SELECT CASE, PRINT, labels reached by GOTO and GOSUB, and
                               SUBs and FUNCTIONs with parameters called from the main program.
  gen_program.py print ITEMS   one PRINT statement of ITEMS items (numbers, strings and
                               expressions, separated by ; and ,).

The program goes to standard output. The same arguments always give the same program; it
runs to its END without input.
"""
import random
import sys


def mixed(lines):
    rnd = random.Random(22)
    out = []
    subs = max(1, lines // 400)            # GOSUB routines after END
    procs = max(2, lines // 150)           # SUBs and FUNCTIONs
    proc_lines = lines // 6                # about a sixth of the program inside procedures
    main_lines = lines - proc_lines - subs * 6
    for p in range(procs):
        if p % 2:
            out.append(f"DECLARE FUNCTION Calc{p}% (A AS INTEGER, B!)")
        else:
            out.append(f"DECLARE SUB Step{p} (N AS INTEGER, S$, T())")
    out.append("DEFINT I-K")
    out.append("DIM SHARED TOTAL AS LONG")
    out.append("DIM V(100), W%(20, 20), NAMES$(50)")
    out.append("RANDOMIZE 7")
    label = 0

    def unit(kind, n):
        nonlocal label
        v = f"X{n % 97}"
        s = f"S{n % 41}$"
        if kind == 0:
            return [f"{v} = {v} + {n % 13} * {v} / 3 - INT({v} / 7)",
                    f"{s} = \"item\" + STR$({n}) + LEFT$({s}, 3)",
                    f"TOTAL = TOTAL + LEN({s})"]
        if kind == 1:
            return [f"IF {v} > {n % 50} AND LEN({s}) < 20 THEN",
                    f"  V({n % 100}) = {v} * 2",
                    f"  PRINT \"above\"; {v}, {s}",
                    f"ELSEIF {v} < -{n % 30} OR {v} = 0 THEN",
                    f"  {v} = ABS({v}) + 1",
                    "ELSE",
                    f"  {s} = MID$({s} + \"abcdef\", 2, 4)",
                    "END IF"]
        if kind == 2:
            return [f"FOR I = 1 TO {n % 9 + 2}",
                    f"  W%(I, {n % 20}) = W%(I, {n % 20}) + I",
                    f"  V(I) = V(I) * 0.5 + {v}",
                    "NEXT I"]
        if kind == 3:
            return [f"K = {n % 5}",
                    "DO WHILE K > 0",
                    f"  {v} = {v} - K: K = K - 1",
                    "LOOP"]
        if kind == 4:
            return [f"SELECT CASE {v} MOD 4",
                    f"  CASE 0: {s} = \"zero\"",
                    f"  CASE 1, 2: {s} = UCASE$({s})",
                    f"  CASE ELSE: {v} = {v} + 1",
                    "END SELECT"]
        if kind == 5:
            label += 1
            return [f"IF {v} > 1000 THEN GOTO Skip{label}",
                    f"{v} = {v} + 1",
                    f"Skip{label}:",
                    f"GOSUB Routine{n % subs}"]
        if kind == 6:
            p = n % procs
            if p % 2:
                return [f"{v} = Calc{p}%(INT({v}) MOD 100, {n % 17} / 4)"]
            return [f"CALL Step{p}(J, {s}, V())"]
        if kind == 7:
            return [f"PRINT \"line {n}:\"; {v}; TAB(30); {s}",
                    f"NAMES$({n % 50}) = {s} + CHR$(65 + {n % 26})"]
        return [f"IF {v} > 5 THEN {v} = {v} - 5 ELSE {v} = {v} + 2",
                f"J = (J + {n % 7}) MOD 1000"]

    n = 0
    body = []
    while len(body) < main_lines:
        body += unit(rnd.randrange(9), n)
        n += 1
    out += body
    out.append("PRINT \"total\"; TOTAL")
    out.append("END")
    for r in range(subs):
        out += [f"Routine{r}:",
                f"  TOTAL = TOTAL + {r + 1}",
                f"  IF TOTAL > 100000 THEN TOTAL = 0",
                f"  X{r % 97} = X{r % 97} + 1",
                "RETURN"]
    per_proc = max(4, proc_lines // procs)
    for p in range(procs):
        if p % 2:
            out.append(f"FUNCTION Calc{p}% (A AS INTEGER, B!)")
            out.append("  R% = A + INT(B!)")
        else:
            out.append(f"SUB Step{p} (N AS INTEGER, S$, T())")
            out.append("  N = (N + 1) MOD 100")
        k = 0
        plabel = 0
        lines_here = 2
        while lines_here < per_proc:
            kind = rnd.randrange(5)
            if kind == 0:
                chunk = [f"  Y{k % 9} = Y{k % 9} * 0.5 + {k % 11}", f"  L$ = L$ + CHR$(48 + {k % 10})"]
            elif kind == 1:
                chunk = [f"  IF Y{k % 9} > {k % 20} THEN", f"    Y{k % 9} = Y{k % 9} - {k % 20}", "  END IF"]
            elif kind == 2:
                chunk = [f"  FOR Q = 1 TO {k % 4 + 1}", f"    Y{k % 9} = Y{k % 9} + Q", "  NEXT Q"]
            elif kind == 3:
                plabel += 1
                chunk = [f"  IF Y{k % 9} < 0 GOTO P{p}L{plabel}", f"  Y{k % 9} = -Y{k % 9}", f"P{p}L{plabel}:"]
            else:
                chunk = [f"  IF LEN(L$) > 40 THEN L$ = RIGHT$(L$, 10)"]
            out += chunk
            lines_here += len(chunk)
            k += 1
        if p % 2:
            out.append(f"  Calc{p}% = (R% + INT(Y0)) MOD 1000")
            out.append("END FUNCTION")
        else:
            out.append("  IF N > 0 THEN T(N) = T(N) + 1")
            out.append("  S$ = LEFT$(S$ + L$, 12)")
            out.append("END SUB")
    return out


def print_items(items):
    parts = []
    for k in range(items):
        kind = k % 4
        if kind == 0:
            parts.append(str(k))
        elif kind == 1:
            parts.append(f'"s{k}"')
        elif kind == 2:
            parts.append(f"X + {k}")
        else:
            parts.append(f"A$ + STR$({k})")
    text = ""
    for k, p in enumerate(parts):
        text += p
        if k + 1 < len(parts):
            text += "," if k % 8 == 7 else "; "
    return ["X = 1", 'A$ = "a"', "PRINT " + text, "END"]


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("mixed", "print"):
        sys.exit("usage: gen_program.py mixed LINES | print ITEMS")
    count = int(sys.argv[2])
    lines = mixed(count) if sys.argv[1] == "mixed" else print_items(count)
    sys.stdout.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
