' String functions and the MID$ statement, in the module and inside procedures.
DECLARE FUNCTION Cap$ (S$)
DECLARE FUNCTION CountOf% (S$, Pat$)
DECLARE SUB Blank (S$, Ch$)
DECLARE FUNCTION Repeat$ (S$, N%)

PRINT LEFT$("hello", 2); "|"; RIGHT$("hello", 3); "|"; LEFT$("hi", 5); "|"; RIGHT$("hi", 0); "|"
PRINT MID$("abcdef", 2, 3); "|"; MID$("abcdef", 4); "|"; MID$("abc", 5); "|"
T$ = "abcdef"
MID$(T$, 3) = "XY": PRINT T$;
MID$(T$, 5, 1) = "ZZZ": PRINT " "; T$;
MID$(T$, 5) = "123456": PRINT " "; T$
PRINT INSTR("banana", "an"); INSTR(3, "banana", "an"); INSTR("banana", "x"); INSTR(6, "banana", "a")
PRINT UCASE$("Mixed 1a"); " "; LCASE$("Mixed 1A")
PRINT STRING$(3, "*"); STRING$(2, 65); STRING$(4, "xyz"); "["; SPACE$(3); "]"
PRINT STR$(42); "|"; STR$(-7); "|"; STR$(2.5); "|"; VAL(STR$(42)) + 1; VAL(STR$(-7)) * 2
PRINT VAL("  12abc"); VAL("abc"); VAL("-3.5")
PRINT "["; LTRIM$("  ab  "); "]["; RTRIM$("  ab  "); "]"
PRINT ASC("A"); CHR$(66); LEN(""); LEN("abc")
PRINT ("abc" < "abd"); ("Z" < "a"); ("ab" < "abc"); ("b" > "abc"); ("A" = "a"); ("x" <> "x ")
FOR I = 1 TO 5: L$ = L$ + LTRIM$(STR$(I)) + ",": NEXT I
PRINT LEFT$(L$, LEN(L$) - 1)

PRINT Cap$("hELLO"); " "; Cap$("w"); "["; Cap$(""); "]"
PRINT CountOf%("banana", "a"); CountOf%("banana", "an"); CountOf%("aaaa", "aa")
W$ = "a b c"
Blank W$, " "
PRINT W$
CALL Blank(W$, "c")
PRINT W$
PRINT Repeat$("ab", 3); LEN(Repeat$("xyz", 4))
' ASC of MID$: the character at the start, in a loop of numbers and in one with strings; a
' start before 1 that the length reaches past counts from 1; where MID$ is empty, error 5.
T$ = "Kestrel": K% = 0
FOR I% = 1 TO LEN(T$): K% = K% + ASC(MID$(T$, I%, 1)) * I%: NEXT I%
PRINT K%; ASC(MID$(T$, 3)); ASC(MID$(T$, -1, 4)); ASC(MID$(T$ + "!", 8, 1)); ASC(MID$(T$, 1, 100))
ON ERROR GOTO Bad
FOR I% = 0 TO 9
  C% = -1: C% = ASC(MID$(T$, I%, 1)): PRINT C%;
NEXT I%
PRINT
C% = ASC(MID$(T$, 2, 0)): PRINT "n=0"; C%
C% = ASC(MID$(T$, 0, 1)): PRINT "start 0"; C%
C% = ASC(MID$("", 1)): PRINT "empty"; C%;
' In a loop too: a start before 1 whose length reaches 1 gives the first character.
FOR I% = -4 TO 1: C% = -1: C% = ASC(MID$(T$, I%, 4)): PRINT C%; : NEXT I%
PRINT
END
Bad:
  PRINT "[err"; ERR; "at"; I%; "]";
  RESUME NEXT

FUNCTION Cap$ (S$)
  Cap$ = UCASE$(LEFT$(S$, 1)) + LCASE$(MID$(S$, 2))
END FUNCTION

FUNCTION CountOf% (S$, Pat$)
  N% = 0
  P% = INSTR(S$, Pat$)
  DO WHILE P% > 0
    N% = N% + 1
    P% = INSTR(P% + LEN(Pat$), S$, Pat$)
  LOOP
  CountOf% = N%
END FUNCTION

SUB Blank (S$, Ch$)
  FOR I = 1 TO LEN(S$)
    IF MID$(S$, I, 1) = Ch$ THEN MID$(S$, I, 1) = "-"
  NEXT I
END SUB

FUNCTION Repeat$ (S$, N%)
  R$ = ""
  FOR I = 1 TO N%
    R$ = R$ + S$
  NEXT I
  Repeat$ = R$
END FUNCTION
