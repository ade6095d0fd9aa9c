' Variables handed to procedures that only read them, in a program without handlers: such a
' call may take the variable's value, but only where nothing the call runs can change the
' variable; wherever something can, the procedure must see each change, as by reference.
DECLARE FUNCTION Ack% (M AS INTEGER, N AS INTEGER)
DECLARE FUNCTION Twice& (N AS LONG)
DECLARE SUB Peek2 (N AS INTEGER)
DECLARE SUB Two (A AS INTEGER, B AS INTEGER)
DECLARE FUNCTION Use% (A AS INTEGER, B AS INTEGER)
DECLARE FUNCTION Inc% (X AS INTEGER)
DECLARE SUB PokeArr (V AS INTEGER)
DECLARE SUB Outer (N AS INTEGER)
DECLARE SUB Inner (N AS INTEGER)
DECLARE SUB Count (N AS INTEGER)
DECLARE FUNCTION BumpIt% (X AS INTEGER)
DECLARE SUB ShowBumped (N AS INTEGER)
DIM SHARED Seen AS INTEGER, Arr(1 TO 3) AS INTEGER
' A parameter named like a module constant is the parameter inside its procedure.
CONST N = 99, M = -7

T& = 0
FOR I% = 0 TO 3
    FOR J% = 0 TO 3
        T& = T& + Ack%(I% \ 2, J%)
    NEXT J%
NEXT I%
PRINT "ack"; T&; Ack%(2, 3)
L& = 21: PRINT "twice"; Twice&(L&); L&
Seen = 5: Peek2 Seen
X% = 1: Two X%, X%
PRINT "two after"; X%
X% = 10: PRINT "use"; Use%(X%, Inc%(X%)); X%
Arr(1) = 3: PokeArr Arr(1)
Y% = 4: Outer Y%
PRINT "outer after"; Y%
C% = 2: Count C%
PRINT "count after"; C%
Seen = 5: ShowBumped Seen
PRINT "consts"; N; M
PRINT "done"

FUNCTION Ack% (M AS INTEGER, N AS INTEGER)
    IF M = 0 THEN
        Ack% = N + 1
    ELSEIF N = 0 THEN
        Ack% = Ack%(M - 1, 1)
    ELSE
        Ack% = Ack%(M - 1, Ack%(M, N - 1))
    END IF
END FUNCTION

FUNCTION Twice& (N AS LONG)
    Twice& = N * 2
END FUNCTION

' Changes the variable it was handed through SHARED, then reads its parameter.
SUB Peek2 (N AS INTEGER)
    Seen = Seen + 1
    PRINT "peek"; N
END SUB

' Handed the same variable twice: writing one parameter changes the other.
SUB Two (A AS INTEGER, B AS INTEGER)
    B = B + 1
    PRINT "two"; A; B
END SUB

FUNCTION Use% (A AS INTEGER, B AS INTEGER)
    Use% = A * 100 + B
END FUNCTION

FUNCTION Inc% (X AS INTEGER)
    X = X + 1
    Inc% = X
END FUNCTION

' Changes the element it was handed, through the array.
SUB PokeArr (V AS INTEGER)
    Arr(1) = 77
    PRINT "poke"; V
END SUB

SUB Outer (N AS INTEGER)
    PRINT "outer"; N;
    Inner N
    PRINT N
END SUB

SUB Inner (N AS INTEGER)
    N = N * 3
END SUB

' The parameter is a FOR counter: it is written.
SUB Count (N AS INTEGER)
    FOR N = N TO 4: PRINT N;: NEXT N
    PRINT
END SUB


' Changes the variable it was handed through a FUNCTION written out at its call.
SUB ShowBumped (N AS INTEGER)
    Y = BumpIt%(Seen)
    PRINT "bumped"; N; Y
END SUB

FUNCTION BumpIt% (X AS INTEGER)
    X = X + 1
    BumpIt% = X
END FUNCTION
