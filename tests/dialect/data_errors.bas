' READ errors caught by ON ERROR: running out of DATA (4) and a word read into a number (13).
ON ERROR GOTO Handler
RESTORE Nums
READ A, B
PRINT A; B
READ C
PRINT "after:"; C
RESTORE Words
READ N
PRINT "N:"; N
RESTORE Words
READ W$, M
PRINT W$; M
END

Handler:
PRINT "error"; ERR
RESUME NEXT

' READ goes on from one DATA statement to the next, so the numbers come last.
Words:
DATA apple, 3
Nums:
DATA 1, 2
