' Records local to a procedure and copied whole: each call's own record (recursion), records
' copied to and from arrays of records in a loop (one with a subscript out of range, resumed),
' nested records, a record with an array field, and records too big to copy field by field.
TYPE Pt
    X AS SINGLE
    Y AS INTEGER
END TYPE
TYPE Box
    A AS Pt
    B AS Pt
    Tag AS STRING * 3
    N(1 TO 4) AS INTEGER
END TYPE
TYPE Big
    V(1 TO 40) AS LONG
    Label AS STRING * 300
END TYPE
DECLARE SUB Shift (P() AS Pt, Lo AS INTEGER, Hi AS INTEGER)
DECLARE FUNCTION Depth% (N AS INTEGER)
DECLARE SUB Boxes ()
DECLARE SUB Bigs ()
DIM Pts(1 TO 5) AS Pt
ON ERROR GOTO Trouble
FOR I% = 1 TO 5: Pts(I%).X = I% * 1.5: Pts(I%).Y = I% * 10: NEXT I%
Shift Pts(), 1, 5
FOR I% = 1 TO 5: PRINT Pts(I%).X; Pts(I%).Y;: NEXT I%: PRINT
Shift Pts(), 4, 6
FOR I% = 1 TO 5: PRINT Pts(I%).Y;: NEXT I%: PRINT
PRINT "depth"; Depth%(6)
Boxes
Bigs
END

Trouble:
PRINT "err"; ERR; "at"; ERL
RESUME NEXT

' Each element through a local record: moved, and its count raised.
SUB Shift (P() AS Pt, Lo AS INTEGER, Hi AS INTEGER)
    DIM T AS Pt
    FOR K% = Lo TO Hi
        T = P(K%)
        T.X = T.X + 1: T.Y = T.Y + 1
300     P(K%) = T
    NEXT K%
END SUB

' A local record in each call keeps its own values while deeper calls set theirs.
FUNCTION Depth% (N AS INTEGER)
    DIM R AS Pt
    R.Y = N * 100
    IF N > 0 THEN R.X = Depth%(N - 1)
    Depth% = R.Y \ 100 + R.X
END FUNCTION

SUB Boxes
    DIM P AS Box, Q AS Box
    P.A.X = 1.25: P.A.Y = 2: P.B.X = 3.5: P.B.Y = 4: P.Tag = "abc"
    FOR K = 1 TO 4: P.N(K) = K * K: NEXT K
    Q = P
    P.A.Y = 99: P.N(2) = -1
    PRINT "box"; Q.A.X; Q.A.Y; Q.B.X; Q.B.Y; Q.Tag; Q.N(1); Q.N(2); Q.N(4); P.A.Y; P.N(2)
END SUB

SUB Bigs
    DIM G AS Big, H AS Big
    FOR K = 1 TO 40: G.V(K) = K * 1000: NEXT K
    G.Label = "big"
    H = G
    G.V(40) = 0
    PRINT "big"; H.V(1); H.V(40); G.V(40); RTRIM$(H.Label); LEN(H)
END SUB
