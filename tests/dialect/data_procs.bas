' DATA inside SUB and FUNCTION belongs to the program's DATA in the order it is written; READ
' anywhere reads on from where the last READ stopped; RESTORE reaches labels in procedures.
DECLARE SUB LoadNames ()
DECLARE FUNCTION NextNum% ()
DECLARE FUNCTION Third$ ()
READ a, b
PRINT a; b
LoadNames
READ c$
PRINT c$
PRINT NextNum%; NextNum%
RESTORE Inside
READ x$
PRINT x$
PRINT Third$
RESTORE
READ a
PRINT a
END
DATA 1, 2

SUB LoadNames
  READ n$, m$
  PRINT n$; " "; m$
  DATA alpha, beta
Inside:
  DATA gamma
END SUB

FUNCTION NextNum%
  READ v%
  NextNum% = v% * 10
  DATA 3, 4
END FUNCTION

FUNCTION Third$
  RESTORE Here
  READ t$
  Third$ = t$
Here:
  DATA "third one"
END FUNCTION
