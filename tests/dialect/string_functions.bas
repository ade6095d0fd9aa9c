' String FUNCTIONs, whose value takes over an expression's temporary, and string parameters
' given temporaries, which the callee takes over: values worked out, assigned twice, read back
' inside the function, never assigned, copied from a variable or a parameter that changes
' afterwards; parameters changed inside the callee, kept in a SHARED variable, handed on to
' another function, given constants and fixed-length strings; an error inside; long strings;
' and the string space after many calls.
DECLARE FUNCTION Before$ (S$, C$)
DECLARE FUNCTION Twice$ (S$)
DECLARE FUNCTION Grown$ (N%)
DECLARE FUNCTION Nothing$ (X%)
DECLARE FUNCTION Copied$ (S$)
DECLARE FUNCTION Shout$ (S$)
DECLARE FUNCTION Kept$ (S$)
DECLARE FUNCTION Passed$ (S$)
DECLARE FUNCTION Faulty$ (S$, P%)
DECLARE FUNCTION Count% (S$)
DIM SHARED Saved$, Outside$
DIM Fixed AS STRING * 6
ON ERROR GOTO Handler

PRINT "["; Before$("key=value", "="); "] ["; Before$("plain", "="); "]"
PRINT "["; UCASE$(Before$("left right", " ")) + "|" + Twice$("ab"); "]"
PRINT "["; Grown$(4); "] ["; Nothing$(1); "]"; LEN(Nothing$(2))
Outside$ = "outer"
PRINT "["; Copied$(Outside$); "] ["; Outside$; "]"
W$ = "Word"
PRINT "["; Shout$(LCASE$(W$)); "] ["; W$; "]"
PRINT "["; Kept$(W$ + "s"); "] ["; Saved$; "]"
PRINT "["; Passed$(LEFT$(W$, 3) + "d"); "]"
Fixed = "fix"
PRINT "["; Shout$("const"); "] ["; Shout$(Fixed); "] ["; Fixed; "]"
PRINT "["; Faulty$("abc", 300); "] ["; Faulty$("abc", 66); "]"
Long$ = STRING$(300, "x") + "=" + STRING$(200, "y")
PRINT LEN(Before$(Long$, "=")); LEN(Twice$(Long$)); LEN(Shout$(Long$ + "z"))

' Many calls: the string space comes back to where it was.
Total& = 0
Start& = FRE("")
FOR I% = 1 TO 20000
  T$ = Before$(MID$("alpha beta gamma", 1 + I% MOD 7) + " end", " ")
  Total& = Total& + LEN(T$) + Count%(LCASE$(T$ + "aa"))
NEXT I%
PRINT "calls"; Total&; ABS(FRE("") - Start&) < 256
END

Handler:
  PRINT "error"; ERR; "at"; ERL
  RESUME NEXT

FUNCTION Before$ (S$, C$)
  P% = INSTR(S$, C$)
  IF P% = 0 THEN Before$ = S$ ELSE Before$ = LEFT$(S$, P% - 1)
END FUNCTION

FUNCTION Twice$ (S$)
  Twice$ = S$ + "-"
  Twice$ = Twice$ + S$
END FUNCTION

FUNCTION Grown$ (N%)
  FOR K% = 1 TO N%
    Grown$ = Grown$ + CHR$(64 + K%)
  NEXT K%
END FUNCTION

FUNCTION Nothing$ (X%)
  IF X% > 5 THEN Nothing$ = "never"
END FUNCTION

FUNCTION Copied$ (S$)
  Copied$ = S$
  S$ = "changed"
  Outside$ = Outside$ + "!"
END FUNCTION

FUNCTION Shout$ (S$)
  S$ = UCASE$(S$) + "!"
  Shout$ = S$
  S$ = "gone"
END FUNCTION

FUNCTION Kept$ (S$)
  Saved$ = S$
  S$ = S$ + "?"
  Kept$ = S$
END FUNCTION

FUNCTION Passed$ (S$)
  Passed$ = Shout$(S$ + "e") + Kept$(S$)
END FUNCTION

FUNCTION Faulty$ (S$, P%)
  Faulty$ = LEFT$("kept" + S$, 5)
  10 N% = LEN(S$) \ (P% - 300)
  Faulty$ = Faulty$ + CHR$(P% MOD 256 + N%)
END FUNCTION

FUNCTION Count% (S$)
  N% = 0
  FOR K% = 1 TO LEN(S$)
    IF MID$(S$, K%, 1) = "a" THEN N% = N% + 1
  NEXT K%
  Count% = N%
END FUNCTION
