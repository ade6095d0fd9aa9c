' SHELL runs a command through the host's command interpreter in the current folder and waits
' for it to finish; the command's exit status does not stop the program.
ON ERROR GOTO Trouble
SHELL "echo hi > out.txt"
OPEN "out.txt" FOR INPUT AS #1
LINE INPUT #1, L$
CLOSE #1
PRINT "read back: "; L$
SHELL "sleep 0.2; printf 'late 1' > late.txt; echo ' and 2' >> late.txt"
OPEN "LATE.TXT" FOR INPUT AS #1
LINE INPUT #1, L$
CLOSE #1
PRINT "after waiting: "; L$
SHELL "exit 3"
PRINT "exit 3 came back"
SHELL
PRINT "no command came back"
MKDIR "inner"
CHDIR "inner"
C$ = "pwd > where.txt"
SHELL C$
CHDIR ".."
OPEN "inner\where.txt" FOR INPUT AS #2
LINE INPUT #2, W$
CLOSE #2
PRINT "ran in inner: "; RIGHT$(W$, 6) = "/inner"
KILL "inner\where.txt"
RMDIR "inner"
SHELL "echo bad" + CHR$(0)
PRINT "after a NUL: error"; E
KILL "out.txt": KILL "late.txt"
END
Trouble:
E = ERR
RESUME NEXT
