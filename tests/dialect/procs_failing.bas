' Statements of procedures that fail part of the way: a FUNCTION summing an array past its end,
' a SUB raising its by-reference INTEGER until it overflows, a recursion that divides by zero at
' its bottom, and a local array written past its end. Each error names its own line, RESUME
' NEXT goes on inside the procedure, and a failed statement stores nothing.
DECLARE FUNCTION Total& (A() AS INTEGER, N AS INTEGER)
DECLARE SUB Bump (X AS INTEGER)
DECLARE FUNCTION Down% (N AS INTEGER)
DECLARE FUNCTION Fill% (N AS INTEGER)
DIM V%(1 TO 4)
FOR I% = 1 TO 4: V%(I%) = I% * 10: NEXT I%
ON ERROR GOTO Trouble
PRINT "total"; Total&(V%(), 6)
X% = 0
FOR I% = 1 TO 3: Bump X%: NEXT I%
PRINT "bumped"; X%
PRINT "down"; Down%(3)
PRINT "fill"; Fill%(4)
END

Trouble:
PRINT "err"; ERR; "at"; ERL
RESUME NEXT

FUNCTION Total& (A() AS INTEGER, N AS INTEGER)
    T& = 0
    FOR K% = 1 TO N
100     T& = T& + A(K%)
    NEXT K%
    Total& = T&
END FUNCTION

SUB Bump (X AS INTEGER)
200 X = X + 15000
END SUB

FUNCTION Down% (N AS INTEGER)
300 Q% = 60 \ N
    IF N > 0 THEN Down% = Q% + Down%(N - 1) ELSE Down% = Q% + 1
END FUNCTION

FUNCTION Fill% (N AS INTEGER)
    DIM L(1 TO 3) AS INTEGER
    S% = 0
    FOR K% = 1 TO N
400     L(K%) = K% * 7
        S% = S% + L(K%)
    NEXT K%
    Fill% = S%
END FUNCTION
