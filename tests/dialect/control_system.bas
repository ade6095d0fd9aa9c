' expect-status: 0
' SYSTEM ends the program at once with status 0: no "Press any key" and no wait for a key.
PRINT "bye"
FOR I = 1 TO 3
  IF I = 2 THEN SYSTEM
NEXT I
PRINT "not reached"
END
