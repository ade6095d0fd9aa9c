' Arrays whose DIM has constant bounds, used in loops: before the DIM runs (the implicit DIM of
' ten, then the DIM refused), grown past those bounds by a procedure's REDIM, under OPTION
' BASE 1, with CONST bounds in two dimensions and subscripts computed in a DO loop, and ERASEd
' and dimensioned again. Every access outside the bounds is error 9 at its own line.
'$DYNAMIC
OPTION BASE 1
DECLARE SUB Grow ()
CONST W = 6, H = 4
ON ERROR GOTO Trouble
' Before its DIM: A has the implicit bounds 1 to 10.
FOR I% = 1 TO 10: A(I%) = I% * 3: NEXT I%
S& = 0
FOR I% = 1 TO 11
100 S& = S& + A(I%)
NEXT I%
PRINT "before"; S&
110 DIM A(1 TO 4)
PRINT "kept"; A(10); UBOUND(A)
' B is dimensioned 1 to 5 here and 1 to 20 by Grow.
DIM SHARED B(5)
FOR I% = 1 TO 5: B(I%) = I%: NEXT I%
Grow
T& = 0
FOR I% = 1 TO 21
200 T& = T& + B(I%)
NEXT I%
PRINT "grown"; T&; LBOUND(B); UBOUND(B)
' G(1 TO W + 1, 1 TO H + 1) walked from a stack of computed places, one of them off the grid.
DIM G(W + 1, H + 1)
SP% = 3: SX%(1) = 2: SY%(1) = 2: SX%(2) = W + 2: SY%(2) = 1: SX%(3) = 0: SY%(3) = H
DO WHILE SP% > 0
    X% = SX%(SP%): Y% = SY%(SP%): SP% = SP% - 1
300 G(X%, Y%) = G(X%, Y%) + X% * 10 + Y%
LOOP
N& = 0
FOR Y% = 1 TO H + 1: FOR X% = 1 TO W + 1: N& = N& + G(X%, Y%): NEXT X%: NEXT Y%
PRINT "grid"; N&; G(2, 2)
' ERASE gives the storage back; the same DIM again starts from zeros.
ERASE G
DIM G(W + 1, H + 1)
PRINT "again"; G(3, 3);
FOR X% = 1 TO W + 1: G(X%, 1) = X%: NEXT X%
PRINT G(W + 1, 1)
IF Times% > 0 THEN PRINT "  again"; Times%
END

' Each run of errors at one line is one line of output, with its count.
Trouble:
IF ERR = LastErr% AND ERL = LastErl& THEN
    Times% = Times% + 1
ELSE
    IF Times% > 0 THEN PRINT "  again"; Times%
    PRINT "err"; ERR; "at"; ERL: LastErr% = ERR: LastErl& = ERL: Times% = 0
END IF
RESUME NEXT

SUB Grow
    REDIM B(1 TO 20)
    FOR K% = 1 TO 20: B(K%) = K% * 2: NEXT K%
END SUB
