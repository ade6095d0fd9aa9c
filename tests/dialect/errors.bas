' Error trapping: RESUME NEXT, RESUME label and RESUME (retry once the cause is fixed), ERR and
' ERL, ERROR n, ON ERROR GOTO 0, and an error raised in a SUB caught by the module's handler.
DECLARE SUB Risky (Code AS INTEGER)
DIM A(5)
ON ERROR GOTO Report
10 A(6) = 1
20 PRINT "after 10"
30 ERROR 42
40 PRINT "after 30"

ON ERROR GOTO Retry
D = 0
50 R = 10 \ D
PRINT "retried:"; R; "D="; D

ON ERROR GOTO Jump
ERROR 5
PRINT "not printed"
Landing:
PRINT "landed"

ON ERROR GOTO 0
ON ERROR GOTO Caught
X = 1: ERROR 6: X = 2
PRINT "X="; X
Risky 33
PRINT "back"
CALL Risky(7)
PRINT "end"
END

Report:
PRINT "err"; ERR; "line"; ERL
RESUME NEXT

Retry:
PRINT "retry"; ERR; ERL
D = 2
RESUME

Jump:
PRINT "jump"; ERR
RESUME Landing

Caught:
PRINT "caught"; ERR
RESUME NEXT

SUB Risky (Code AS INTEGER)
  PRINT "in sub ";
  ERROR Code
END SUB
