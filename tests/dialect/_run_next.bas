' The program run.bas ends in with RUN "_run_next": it starts with its own variables cleared.
PRINT "next program: seen"; Seen
READ W$
PRINT "its own data: "; W$
END
DATA wolf
