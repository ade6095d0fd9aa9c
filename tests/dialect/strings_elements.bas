' String array elements compared where they lie: against variables, literals, cuts and other
' elements; an array dimensioned by its first use inside a comparison; bad subscripts inside
' comparisons; a FUNCTION searching a SHARED array; short values assigned over and over.
DECLARE FUNCTION Find% (W$)
DECLARE FUNCTION Tag$ (N%)
DEFINT A-Z
DIM SHARED Names$(1 TO 6)
ON ERROR GOTO Trap
FOR I = 1 TO 6: READ Names$(I): NEXT I
DATA pear, apple, fig, apple, kiwi, date
PRINT Find%("apple"); Find%("kiwi"); Find%("plum"); Find%(LEFT$("datex", 4))
' A sort by comparisons of elements, with SWAP.
FOR I = 1 TO 5
  FOR J = I + 1 TO 6
    IF Names$(J) < Names$(I) THEN SWAP Names$(I), Names$(J)
  NEXT J
NEXT I
FOR I = 1 TO 6: PRINT Names$(I); " "; : NEXT I: PRINT
' Cuts of elements, elements against each other and against cuts.
PRINT (MID$(Names$(3), 2, 2) = "at"); (Names$(1) = Names$(2)); (LEFT$(Names$(6), 1) > Names$(5)); (Names$(4) <= "fig")
' An array first used in a comparison is dimensioned by it (0 to 10, all empty).
V$ = "x"
PRINT (Auto$(3) = ""); (Auto$(10) < V$); (V$ = Auto$(0));
Auto$(2) = "q": PRINT (Auto$(2) = "q"); UBOUND(Auto$)
' A bad subscript inside a comparison: error 9 at its own line, and RESUME NEXT goes on after it.
10 IF Names$(7) = "x" THEN PRINT "then" ELSE PRINT "else"
20 K = (Names$(0) <> V$): PRINT "K"; K
' Short values assigned to the same variables again and again, through a FUNCTION's result.
A$ = "": B$ = "start"
FOR I = 1 TO 3000
  A$ = Tag$(I MOD 13)
  IF I MOD 7 = 0 THEN B$ = A$ + "-" + B$: IF LEN(B$) > 40 THEN B$ = LEFT$(B$, 20)
NEXT I
PRINT A$; " "; B$; LEN(B$)
END
Trap:
  PRINT "[err"; ERR; "line"; ERL; "]";
  RESUME NEXT

FUNCTION Find% (W$)
  FOR I = 1 TO 6
    IF Names$(I) = W$ THEN Find% = I: EXIT FUNCTION
  NEXT I
  Find% = 0
END FUNCTION

FUNCTION Tag$ (N%)
  IF N% < 5 THEN Tag$ = "t" + LTRIM$(STR$(N%)) ELSE Tag$ = STRING$(N%, "z")
END FUNCTION
