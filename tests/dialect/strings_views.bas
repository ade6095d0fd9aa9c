' Strings read in place and grown in place: MID$, LEFT$, RIGHT$, CHR$ and literals read by
' INSTR, LEN, ASC and the comparisons; A$ = A$ + ... appended where A$ is; errors inside them.
DECLARE FUNCTION Vowels% (S$)
DECLARE FUNCTION Spread$ (S$)
DEFINT A-Z
ON ERROR GOTO Trap
T$ = "banana" + CHR$(0) + "band"
' INSTR of cuts: starts before, at and past the end, empty needles, CHR$(0), long haystacks.
PRINT INSTR(T$, MID$(T$, 3, 2)); INSTR(4, T$, LEFT$("and", 2)); INSTR(11, T$, "d"); INSTR(12, T$, "d"); INSTR(13, T$, "d")
PRINT INSTR(T$, ""); INSTR(5, T$, ""); INSTR(11, T$, ""); INSTR(12, T$, ""); INSTR("", ""); INSTR(-3, T$, "n"); INSTR(T$, MID$(T$, 20))
PRINT INSTR(T$, CHR$(0)); INSTR(8, T$, CHR$(0)); INSTR(T$, RIGHT$(T$, 5)); INSTR(T$, "nab"); INSTR(T$, RIGHT$("xban", 3)); INSTR(2, "aaaa", "aa")
S$ = STRING$(40, "x") + "yx"
PRINT INSTR(S$, "y"); INSTR(3, S$, RIGHT$(S$, 2)); INSTR(S$, "xy"); INSTR(41, S$, "x"); INSTR(S$, MID$(S$, 40, 3)); INSTR(S$, "xx" + "z")
' Comparisons of cuts, prefixes and CHR$(0); LEN and ASC of cuts.
PRINT (MID$(T$, 1, 3) = "ban"); (LEFT$(T$, 2) < "bb"); (RIGHT$(T$, 4) > "ban"); (CHR$(0) > ""); (MID$(T$, 7, 1) = CHR$(0)); (LEFT$(T$, 0) = "")
PRINT (MID$(T$, 2) <> T$); (RIGHT$(T$, 99) = T$); (MID$(T$, 8, 2) <= "ba"); (MID$(T$, 8, 2) >= "bb"); ("b" < MID$(T$, 1, 2))
PRINT LEN(MID$(T$, 3)); LEN(LEFT$(T$, -2)); LEN(RIGHT$(T$, 3)); LEN(CHR$(0)); ASC(RIGHT$(T$, 1)); ASC(CHR$(0)); ASC(MID$(T$, 8), 2)
' Appends: the operands are read as they were before the statement changed the variable.
A$ = "ab": A$ = A$ + A$: A$ = A$ + A$ + "!": PRINT A$;
B$ = "xyz": B$ = MID$(B$, 2) + B$: B$ = B$ + MID$(B$, 2) + LEFT$(B$, 1) + B$: PRINT " "; B$
C$ = "": FOR I = 1 TO 300: C$ = C$ + CHR$(48 + I MOD 10) + "-": NEXT I
PRINT LEN(C$); RIGHT$(C$, 6);
C$ = "short": C$ = C$ + "er": PRINT " "; C$; LEN(C$);
C$ = C$ + C$ + LEFT$(C$, 2): PRINT " "; C$
' Two strings grown in turn, each past the room of the other; then compaction and growth.
D$ = "": E$ = ""
FOR I = 1 TO 200: D$ = D$ + "d": E$ = E$ + "e" + D$: NEXT I
K& = 0
FOR I = 1 TO LEN(E$): K& = K& + ASC(MID$(E$, I, 1)) * (I MOD 7): NEXT I
PRINT (D$ = STRING$(200, "d")); LEN(E$); K&;
F$ = "": FOR I = 1 TO 3000: F$ = F$ + "f": G$ = SPACE$(700) + F$: NEXT I
PRINT (F$ = STRING$(3000, "f")); LEN(G$); (RIGHT$(G$, 3000) = F$);
' A string made after the room of a grown one, compaction, then the grown one appended to.
F$ = "": FOR I = 1 TO 100: F$ = F$ + "f": NEXT I
H$ = STRING$(50, "h")
FOR I = 1 TO 600: G$ = SPACE$(5000): NEXT I
F$ = F$ + "gg": PRINT (H$ = STRING$(50, "h")); (F$ = STRING$(100, "f") + "gg")
' Errors inside such statements: each named by its own line; what the statement left.
X = 77
10 X = INSTR(T$, CHR$(300)): PRINT "X"; X;
20 X = ASC(LEFT$(T$, 0)): PRINT "X"; X;
30 IF MID$(T$, 1, 1) = CHR$(-1) THEN PRINT "then"; ELSE PRINT "else";
40 A$ = "q": A$ = A$ + "x" + CHR$(256): PRINT "A$ "; A$;
50 X = ASC(T$, 12): PRINT "X"; X
PRINT Vowels%("education"); Vowels%(T$); " "; Spread$("abc"); "|"; Spread$(""); "|"
60 N$ = "": FOR I = 1 TO 3: N$ = N$ + CHR$(253 + I): NEXT I: PRINT LEN(N$); ASC(N$); ASC(RIGHT$(N$, 1))
END
Trap:
  PRINT "[err"; ERR; "line"; ERL; "]";
  RESUME NEXT

' In procedures: a parameter and a local read in place and grown in place.
FUNCTION Vowels% (S$)
  N = 0
  FOR I = 1 TO LEN(S$)
    IF INSTR("aeiou", MID$(S$, I, 1)) > 0 THEN N = N + 1
  NEXT I
  Vowels% = N
END FUNCTION

FUNCTION Spread$ (S$)
  R$ = ""
  FOR I = 1 TO LEN(S$): R$ = R$ + MID$(S$, I, 1) + ".": NEXT I
  Spread$ = R$ + R$
END FUNCTION
