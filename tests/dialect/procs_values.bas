' Procedures whose numbers come as copies of expressions and as variables: a copy the callee
' changes stays its own, a variable handed by reference changes, a variable changed through
' SHARED is seen through its parameter, and errors inside a call and in its arguments name
' their own lines.
DECLARE FUNCTION Fib& (N AS INTEGER)
DECLARE FUNCTION Ack% (M AS INTEGER, N AS INTEGER)
DECLARE SUB Bump (X AS INTEGER, Tag AS STRING, Y AS DOUBLE)
DECLARE SUB Look (N AS INTEGER)
DECLARE FUNCTION Down& (N AS LONG)
DECLARE FUNCTION Share% (N AS INTEGER)
DECLARE SUB Fill (A() AS INTEGER, N AS INTEGER, V AS INTEGER)
DECLARE FUNCTION Mix# (A AS INTEGER, B AS DOUBLE, C AS LONG)
DECLARE SUB AddTo (N AS INTEGER)
DIM SHARED Seen AS INTEGER, Tally AS LONG
DIM Arr(1 TO 5) AS INTEGER
ON ERROR GOTO Trouble

PRINT "fib"; Fib&(20); Fib&(1 + 1);
I% = 15: PRINT Fib&(I%); Fib&((I%))
PRINT "ack"; Ack%(2, 3); Ack%(3, 3)
A% = 5: B# = 1.5
Bump A% + 0, "copy", B# * 2
PRINT "after copy"; A%; B#
Bump A%, "var", B#
PRINT "after var"; A%; B#
Bump (A%), "paren", (B#)
PRINT "after paren"; A%; B#
Seen = 7: Look Seen
Seen = 7: Look Seen + 0
PRINT "share"; Share%(Seen); Seen; Share%(Seen * 1); Seen
PRINT "deep"; Down&(40000)
Fill Arr(), 5, 3 * 3
PRINT "fill"; Arr(1); Arr(5)
PRINT "mix"; Mix#(2, 0.5, 70000); Mix#(A%, B#, 3)
' A loop keeps its numbers in registers: a call with values still sees them, and changes them.
FOR K% = 1 TO 5
    Tally = Tally + K%
    AddTo K% * 2
NEXT K%
PRINT "tally"; Tally
' Overflow in an argument, then inside a call of copies: each is error 6 at its own line.
100 PRINT "arg"; Fib&(32767 + 1)
PRINT "inner"; Mix#(32767, 1, 1)
Bump 20000 + 0, "big", 1
PRINT "done"
END

Trouble:
PRINT "err"; ERR; "at"; ERL
RESUME NEXT

FUNCTION Fib& (N AS INTEGER)
    IF N < 2 THEN Fib& = N ELSE Fib& = Fib&(N - 1) + Fib&(N - 2)
END FUNCTION

FUNCTION Ack% (M AS INTEGER, N AS INTEGER)
    IF M = 0 THEN
        Ack% = N + 1
    ELSEIF N = 0 THEN
        Ack% = Ack%(M - 1, 1)
    ELSE
        Ack% = Ack%(M - 1, Ack%(M, N - 1))
    END IF
END FUNCTION

SUB Bump (X AS INTEGER, Tag AS STRING, Y AS DOUBLE)
300 X = X * 3: Y = Y + X
    PRINT Tag; X; Y
END SUB

SUB Look (N AS INTEGER)
    Seen = 99
    PRINT "look"; N
END SUB

FUNCTION Down& (N AS LONG)
    IF N = 0 THEN Down& = 0 ELSE Down& = 1 + Down&(N - 1)
END FUNCTION

FUNCTION Share% (N AS INTEGER)
    N = N + 1
    Share% = N * 10
END FUNCTION

SUB Fill (A() AS INTEGER, N AS INTEGER, V AS INTEGER)
    FOR K = 1 TO N: A(K) = V + K: NEXT K
END SUB

FUNCTION Mix# (A AS INTEGER, B AS DOUBLE, C AS LONG)
200 A = A + 1
    Mix# = A * B + C
END FUNCTION

SUB AddTo (N AS INTEGER)
    Tally = Tally + N * 100
END SUB
