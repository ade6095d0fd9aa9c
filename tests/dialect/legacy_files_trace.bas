' LOCK and UNLOCK check their arguments; PALETTE USING sets the palette from an array (-1
' leaves an attribute alone); TRON shows each numbered line as it runs.
ON ERROR GOTO Trap
OPEN "lock.dat" FOR RANDOM AS #1 LEN = 16
LOCK #1, 1 TO 5: UNLOCK #1, 1 TO 5: LOCK #1: UNLOCK #1
LOCK 1, 3: UNLOCK #1, 3: LOCK #1, TO 4: UNLOCK #1, TO 4
PRINT "locked"
PRINT "H"; : LOCK #2
PRINT "I"; : LOCK #1, 0
PRINT "J"; : LOCK #1, 5 TO 2
CLOSE #1: KILL "lock.dat"

DIM pal%(0 TO 20), small%(3), before(2)
FOR k = 0 TO 20: pal%(k) = -1: NEXT
OUT &H3C7, 2: FOR k = 0 TO 2: before(k) = INP(&H3C9): NEXT
PALETTE 1, 4
OUT &H3C7, 1: r1 = INP(&H3C9): g1 = INP(&H3C9): b1 = INP(&H3C9)
PALETTE
pal%(1) = 4
PALETTE USING pal%(0)
OUT &H3C7, 1: r2 = INP(&H3C9): g2 = INP(&H3C9): b2 = INP(&H3C9)
same = -1
OUT &H3C7, 2: FOR k = 0 TO 2: IF INP(&H3C9) <> before(k) THEN same = 0
NEXT
PRINT (r1 = r2 AND g1 = g2 AND b1 = b2); same
PRINT "K"; : PALETTE USING small%(0)
PRINT "L"; : PALETTE USING pal%(10)
PALETTE

TRON
40 FOR i = 1 TO 2
50   PRINT i;
60 NEXT
TROFF
70 PRINT
END

Trap:
PRINT " error"; ERR
RESUME NEXT
