' Statements in DO and WHILE loops that fail part of the way round: a subscript out of range
' (read and written, in one and two dimensions, of numbers and of records), an INTEGER sum that
' overflows, a LONG product, division by zero and SQR of a negative,
' each resumed at the next statement. The loops keep going with the right values, nothing is
' stored by a failed statement, and an array first used inside a loop gets its implicit DIM.
TYPE Cell
    V AS SINGLE
    N AS INTEGER
END TYPE
DIM A%(1 TO 5), G&(0 TO 3, 0 TO 2), C(1 TO 3) AS Cell
ON ERROR GOTO Trouble
I% = 0
DO WHILE I% < 7
    I% = I% + 1
10  A%(I%) = I% * 100
20  T% = T% + A%(I% - 1)
LOOP
PRINT "a"; A%(1); A%(5); T%
K% = 32760: S% = 0
WHILE K% > 0
30  S% = S% + K%
    K% = K% - 8000
WEND
PRINT "s"; S%; K%
Y% = -1
DO
    Y% = Y% + 1
40  G&(Y%, Y% - 1) = G&(Y%, Y% - 1) + Y% * 1000000
50  P& = G&(Y%, 1) * 3000
LOOP UNTIL Y% = 4
PRINT "g"; G&(1, 0); G&(2, 1); G&(3, 2); P&
D% = 3: Q% = 0
DO WHILE D% >= -1
60  Q% = Q% + 12 \ D%
    D% = D% - 1
LOOP
PRINT "q"; Q%
R! = 2: W! = 0
DO WHILE R! > -3
80  W! = W! + SQR(R!)
    R! = R! - 2
LOOP
PRINT USING "w #.###"; W!
J% = 0
DO WHILE J% < 4
    J% = J% + 1
90  C(J%).V = J% * 1.5: C(J%).N = C(J%).N + J%
LOOP
PRINT "c"; C(1).V; C(3).V; C(3).N
' F% is not declared: its first use, in the loop, gives it ten elements.
L% = 8
DO WHILE L% < 12
    L% = L% + 1
95  F%(L%) = L%
LOOP
PRINT "f"; F%(9); F%(10); UBOUND(F%)
END

' Each run of one error at one line is one line of output; a repeat adds to the count.
Trouble:
IF ERR = LastErr% AND ERL = LastErl& THEN
    Times% = Times% + 1
ELSE
    IF Times% > 0 THEN PRINT "  again"; Times%
    PRINT "err"; ERR; "at"; ERL: LastErr% = ERR: LastErl& = ERL: Times% = 0
END IF
RESUME NEXT
