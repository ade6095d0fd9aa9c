' Demo: a formatted table. Asks how many rows, then prints N, its square, its cube, its
' square root and its parity in columns with PRINT USING, then the totals.
CLS
PRINT "Squares, cubes and roots"
AskCount: INPUT "How many rows (1 to 20)"; N%
IF N% < 1 OR N% > 20 THEN PRINT "Please give a number from 1 to 20.": GOTO AskCount
PRINT
PRINT "   N     N^2       N^3   SQR(N)  N is"
FOR I% = 1 TO N%
  Squares& = Squares& + CLNG(I%) * I%
  Roots# = Roots# + SQR(I%)
  IF I% MOD 2 = 0 THEN P$ = "even" ELSE P$ = "odd"
  PRINT USING "####  ######  ########  ##.####  \  \"; I%; CLNG(I%) * I%; CLNG(I%) * I% * I%; SQR(I%); P$
NEXT I%
PRINT
PRINT USING "Sum of the squares: ###,###"; Squares&
PRINT USING "Mean of the roots:  ###.###"; Roots# / N%
END
