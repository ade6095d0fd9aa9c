' A string assignment whose value raised an error leaves its target as it was, as a number's
' does, and RESUME NEXT goes on after it: a variable, an array element, a fixed-length string,
' a record's field, an append to the variable itself and a FUNCTION's value.
DECLARE FUNCTION Named$ (N%)
TYPE Rec
  Nm AS STRING * 6
END TYPE
DIM R AS Rec, L$(3), F AS STRING * 5
ON ERROR GOTO Handler
A$ = "keep"
A$ = "x" + CHR$(300)
PRINT "[" + A$ + "]"
L$(2) = "elem"
L$(2) = LEFT$("abc", 2) + STRING$(2, 999)
PRINT "[" + L$(2) + "]"
F = "fixed"
F = MID$("abcdef", 2) + CHR$(-1)
PRINT "[" + F + "]"
R.Nm = "field"
R.Nm = "y" + SPACE$(2) + CHR$(256)
PRINT "[" + R.Nm + "]"
B$ = "ab"
B$ = B$ + "cd" + CHR$(400)
PRINT "[" + B$ + "]"
B$ = B$ + CHR$(500)
PRINT "[" + B$ + "]"
PRINT "[" + Named$(1) + "][" + Named$(2) + "]"
C$ = "ok"
C$ = C$ + "!"
PRINT "[" + C$ + "]"; Errs
END
Handler:
  Errs = Errs + 1
  RESUME NEXT

FUNCTION Named$ (N%)
  Named$ = "one"
  IF N% = 2 THEN Named$ = "two" + CHR$(1000)
END FUNCTION
