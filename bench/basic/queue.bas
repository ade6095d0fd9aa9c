' A bank queue simulated tick by tick inside a SUB: a LONG generator picks the tick's event
' and ON ... GOSUB runs it (routines local to the SUB); customers wait in a circular queue of
' SHARED arrays, waits go to bins by SELECT CASE with ranges, and idle ticks push and pop a
' small SHARED stack. The counts and sums folded into the result.
DEFINT A-Z
DECLARE SUB Simulate (Ticks AS LONG)
CONST QSIZE = 64
DIM SHARED Q(0 TO QSIZE - 1) AS LONG, Head, Tail, Count
DIM SHARED Bins(1 TO 5) AS LONG, Served AS LONG, Waited AS LONG, Dropped AS LONG
DIM SHARED Stk(1 TO 100), SP, Popped AS LONG
Simulate 300000
Result& = Served * 7 + Waited + Dropped * 13 + Popped
FOR I = 1 TO 5
    Result& = Result& XOR (Bins(I) * I)
NEXT I
Result& = Result& AND &H7FFFFFFF
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG

SUB Simulate (Ticks AS LONG)
    Seed& = 1
    FOR T& = 1 TO Ticks
        Seed& = (Seed& * 25173 + 13849) AND 65535
        Ev = (Seed& \ 256) MOD 5 + 1
        ON Ev GOSUB Arrive, Serve, Arrive, Serve, Idle
    NEXT T&
    EXIT SUB
Arrive:
    IF Count < QSIZE THEN
        Q(Tail) = T&: Tail = (Tail + 1) MOD QSIZE: Count = Count + 1
    ELSE
        Dropped = Dropped + 1
    END IF
    RETURN
Serve:
    IF Count > 0 THEN
        W& = T& - Q(Head): Head = (Head + 1) MOD QSIZE: Count = Count - 1
        Served = Served + 1: Waited = Waited + W&
        SELECT CASE W&
            CASE 0 TO 2: B = 1
            CASE 3 TO 9: B = 2
            CASE 10 TO 30: B = 3
            CASE IS > 100: B = 5
            CASE ELSE: B = 4
        END SELECT
        Bins(B) = Bins(B) + 1
    END IF
    RETURN
Idle:
    IF (T& AND 1) = 1 AND SP < 100 THEN
        SP = SP + 1: Stk(SP) = T& AND 255
    ELSEIF SP > 0 THEN
        Popped = Popped + Stk(SP): SP = SP - 1
    END IF
    RETURN
END SUB
