' A small bytecode interpreter: the program, written in hexadecimal, is turned into a string of
' one character a byte and run by SELECT CASE on ASC(MID$(...)) with its stack and registers in
' INTEGER arrays.
' The bytecode loops R(0) times folding the counter into R(1); the steps and R(1) are the result.
DEFINT A-Z
DIM S(64), R(7)
' 1 n: push n   2 add   3 sub   4 mul   5 mod   6 dup   7 r: push R(r)   8 r: pop into R(r)
' 9 a: pop, jump to a unless zero   10: halt. Positions count from 1.
' R(1) = (R(1) * 3 + R(0) MOD 7) MOD 1000: R(0) = R(0) - 1: loop while R(0) <> 0
Prog$ = "0701 0103 04 0700 0107 05 02 01FA 0104 04 05 0801 0700 0101 03 06 0800 0901 0A"
Code$ = ""
FOR I = 1 TO LEN(Prog$) STEP 2
    IF MID$(Prog$, I, 1) = " " THEN I = I - 1 ELSE Code$ = Code$ + CHR$(VAL("&H" + MID$(Prog$, I, 2)))
NEXT I
Steps& = 0
FOR Rep = 1 TO 8
    R(0) = 20000: R(1) = Rep: SP = 0: PC = 1
    DO
        Op = ASC(MID$(Code$, PC, 1)): PC = PC + 1: Steps& = Steps& + 1
        SELECT CASE Op
            CASE 1: SP = SP + 1: S(SP) = ASC(MID$(Code$, PC, 1)): PC = PC + 1
            CASE 2: S(SP - 1) = S(SP - 1) + S(SP): SP = SP - 1
            CASE 3: S(SP - 1) = S(SP - 1) - S(SP): SP = SP - 1
            CASE 4: S(SP - 1) = S(SP - 1) * S(SP): SP = SP - 1
            CASE 5: S(SP - 1) = S(SP - 1) MOD S(SP): SP = SP - 1
            CASE 6: SP = SP + 1: S(SP) = S(SP - 1)
            CASE 7: SP = SP + 1: S(SP) = R(ASC(MID$(Code$, PC, 1))): PC = PC + 1
            CASE 8: R(ASC(MID$(Code$, PC, 1))) = S(SP): SP = SP - 1: PC = PC + 1
            CASE 9
                IF S(SP) <> 0 THEN PC = ASC(MID$(Code$, PC, 1)) ELSE PC = PC + 1
                SP = SP - 1
            CASE 10: EXIT DO
            CASE ELSE: ERROR 5
        END SELECT
    LOOP
    Steps& = Steps& + R(1)
NEXT Rep
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Steps& AND 255: POKE &H601, (Steps& \ 256) AND 255
POKE &H602, (Steps& \ 65536) AND 255: POKE &H603, (Steps& \ 16777216) AND 255
DEF SEG
