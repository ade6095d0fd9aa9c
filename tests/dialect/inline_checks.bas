' Short FUNCTIONs and a DEF FN written out at their calls inside loop statements whose checks
' run first and, when one fails, leave for the statement as written: an error inside the
' function is raised at the function's own line, RESUME NEXT gives the call the value 0 and
' the calling statement goes on with it; an error in the calling statement after the call
' leaves its target as it was; a failure on one pass leaves the other passes' sums right;
' in the checked-once copy of a loop as well.
DEFINT I-N
DECLARE FUNCTION Inv# (I AS INTEGER, J AS INTEGER)
DECLARE FUNCTION Wide% (I AS INTEGER, J AS INTEGER)
DIM U#(1 TO 5), K(1 TO 6)
ON ERROR GOTO 900
FOR I = 1 TO 5: U#(I) = I: NEXT
100 FOR I = 1 TO 3
110   S# = 0
120   FOR J = 1 TO 6
130     S# = S# + U#(J) * Inv#(I, J)
140   NEXT J
150   PRINT USING "row # ###.######"; I; S#
160 NEXT I
PRINT Log$: Log$ = ""
200 T& = 0: N = 4
210 FOR J = 32760 TO 32767
220   T& = T& + Wide%(J, N)
230 NEXT J
PRINT "wide"; T&
PRINT Log$: Log$ = ""
300 DEF FNSq# (X AS DOUBLE) = 1 / (X * X - 4)
310 Q# = 0
320 FOR I = -3 TO 3
330   Q# = Q# + FNSq#(I) + K(I + 3)
340 NEXT I
PRINT USING "fn ##.######"; Q#
PRINT Log$: Log$ = ""
' The same in loops whose ends are variables, which run as checked-once copies: a failed
' check inside the function leaves the copy for the statement as written.
400 N = 5: T# = 0
410 FOR I = 1 TO N
420   FOR J = 1 TO N
430     T# = T# + U#(J) * Inv#(I, J)
440   NEXT J
450 NEXT I
PRINT USING "copy ##.######"; T#
PRINT Log$: Log$ = ""
700 T& = 0: M = 32766: K4 = N - 1
710 FOR J = 32760 TO M
720   T& = T& + Wide%(J, K4)
730 NEXT J
PRINT "wide copy"; T&
PRINT Log$
END
900 Log$ = Log$ + STR$(ERR) + "@" + MID$(STR$(ERL), 2)
RESUME NEXT

FUNCTION Inv# (I AS INTEGER, J AS INTEGER)
500 Inv# = 1# / ((I + J - 2#) * (I - J + 1))
END FUNCTION

FUNCTION Wide% (I AS INTEGER, J AS INTEGER)
600 Wide% = (I + J) \ 2 - 16380
END FUNCTION
