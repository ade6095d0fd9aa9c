' SELECT CASE on whole numbers written out, which is compiled as a jump table: the first case
' that takes a value wins (a value listed again later, or inside a later range, goes to the
' first), negative values, ranges, CASE ELSE, a LONG selector with large values, and values
' no case takes.
DEFINT A-Z
FOR I = -3 TO 12
  SELECT CASE I
    CASE 1, 3: O$ = O$ + "a"
    CASE 2 TO 4: O$ = O$ + "b"
    CASE -2, 3, 10: O$ = O$ + "c"
    CASE 5 TO 5: O$ = O$ + "d"
    CASE ELSE: O$ = O$ + "."
  END SELECT
NEXT I
PRINT O$
FOR I = 1 TO 4
  SELECT CASE I * 2
    CASE 2: PRINT "two";
    CASE 6: PRINT "six";
  END SELECT
NEXT I
PRINT
FOR L& = 99998 TO 100002
  SELECT CASE L& * 1000
    CASE 99999000: PRINT "x";
    CASE 100000000 TO 100001000: PRINT "y";
    CASE ELSE: PRINT "-";
  END SELECT
NEXT L&
PRINT
END
