' The rest of a block IF's ELSE line belongs to the ELSE branch; the block goes on to END IF.
' Items may stand before USING in any PRINT.
FOR i = 1 TO 3
  IF i = 1 THEN
    PRINT "one"
  ELSE PRINT "not one:"; i
    PRINT "still else"
  END IF
NEXT i
x = 0: y = 0
IF x > 0 THEN
  PRINT "no"
ELSE x = 1: y = 2
END IF
PRINT x; y
n = 5
IF n < 3 THEN
  PRINT "small"
ELSE GOTO 29
END IF
PRINT "skipped"
29 PRINT "at 29"
IF n = 5 THEN PRINT "single" ELSE PRINT "never"
IF n <> 5 THEN
ELSE IF n = 5 THEN PRINT "nested if"
END IF
a = 3.14159: b = 2
PRINT "Total: "; USING "##.##"; a
PRINT "Pair"; b, USING "#.# "; a; b
PRINT USING "[###]"; b; : PRINT " after"
OPEN "items.txt" FOR OUTPUT AS #1
PRINT #1, "x"; USING "##.#"; a
CLOSE #1
OPEN "items.txt" FOR INPUT AS #1
LINE INPUT #1, l$
CLOSE #1
KILL "items.txt"
PRINT "["; l$; "]"
END
