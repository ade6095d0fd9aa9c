' FUNCTIONs that end by calling a FUNCTION (tail calls): their values, errors in the arguments
' of such a call (the call is not made, RESUME NEXT goes on after the statement), and an error
' in a procedure's arguments, which is the calling statement's: the procedure does not run.
DECLARE FUNCTION Gcd% (A AS INTEGER, B AS INTEGER)
DECLARE FUNCTION Grow% (N AS INTEGER)
DECLARE FUNCTION IsEven% (N AS LONG)
DECLARE FUNCTION IsOdd% (N AS LONG)
DECLARE FUNCTION Sum& (N AS LONG, Acc AS LONG)
DECLARE SUB Show (N AS INTEGER)
ON ERROR GOTO Trouble
PRINT "gcd"; Gcd%(1071, 462); Gcd%(17, 5); Gcd%(0, 9)
X% = 48: Y% = 36: PRINT "vars"; Gcd%(X%, Y%); X%; Y%
PRINT "even"; IsEven%(10); IsEven%(7); IsOdd%(7)
PRINT "sum"; Sum&(100, 0); Sum&(20000, 0)
PRINT "grow"; Grow%(3)
PRINT "grow big"; Grow%(20000)
400 Show 32767 + 1
PRINT "after show"
END

Trouble:
PRINT "err"; ERR; "at"; ERL
RESUME NEXT

FUNCTION Gcd% (A AS INTEGER, B AS INTEGER)
    IF B = 0 THEN Gcd% = A ELSE Gcd% = Gcd%(B, A MOD B)
END FUNCTION

' Doubles N until it passes 30000; from 20000 the doubling overflows in the call's argument.
FUNCTION Grow% (N AS INTEGER)
    IF N > 30000 THEN
        Grow% = N
        EXIT FUNCTION
    END IF
300 Grow% = Grow%(N * 2)
END FUNCTION

FUNCTION IsEven% (N AS LONG)
    IF N = 0 THEN IsEven% = -1 ELSE IsEven% = IsOdd%(N - 1)
END FUNCTION

FUNCTION IsOdd% (N AS LONG)
    IF N = 0 THEN IsOdd% = 0 ELSE IsOdd% = IsEven%(N - 1)
END FUNCTION

FUNCTION Sum& (N AS LONG, Acc AS LONG)
    IF N = 0 THEN
        Sum& = Acc
    ELSE
        Sum& = Sum&(N - 1, Acc + N)
    END IF
END FUNCTION

SUB Show (N AS INTEGER)
500 PRINT "in show"; N
END SUB
