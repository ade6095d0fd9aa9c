' A short routine that calls a FUNCTION is copied in at its GOSUB with its return point pushed
' at once: the error the FUNCTION meets in its own code goes to a handler that leaves by RETURN,
' which must find that point and go on after the GOSUB. The routine without the error runs on.
DECLARE FUNCTION Share (By)
ON ERROR GOTO Handler
GOTO Start
Calling:
  Q = Share(D)
  RETURN
Start:
D = 4: GOSUB Calling: PRINT "first"; Q
D = 0: Q = 9: GOSUB Calling: PRINT "back from the function"; Q
D = 5: GOSUB Calling: PRINT "again"; Q
END
Handler:
  PRINT "error"; ERR;
  RETURN
FUNCTION Share (By)
  PRINT "share";
  Share = 100 \ By
END FUNCTION
