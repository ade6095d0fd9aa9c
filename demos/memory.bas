' Demo: POKE draws bands of colour straight into SCREEN 13's memory, a small machine-code
' routine run with CALL ABSOLUTE draws a block and swaps two variables, CALL INTERRUPT asks
' the mouse driver whether it is there, and PEEK reads a pixel back.
SCREEN 13
DEF SEG = &HA000
FOR Y& = 100 TO 131: FOR X& = 0 TO 319: POKE Y& * 320 + X&, 32 + X& \ 20: NEXT X&, Y&

' The routine in hex. CALL ABSOLUTE leaves on its stack, above the far return address, the
' offsets in segment 80 (the routine's DS) of its arguments' values, the last one lowest:
' [BP+4] the pixel offset, [BP+6] the colour, [BP+8] B% and [BP+10] A%.
Code$ = "8BEC" '                       MOV BP, SP
Code$ = Code$ + "B800A0" '             MOV AX, A000
Code$ = Code$ + "8EC0" '               MOV ES, AX
Code$ = Code$ + "8B5E04" + "8B3F" '    MOV BX, [BP+4]: MOV DI, [BX]    the pixel offset
Code$ = Code$ + "8B5E06" + "8B07" '    MOV BX, [BP+6]: MOV AX, [BX]    the colour
Code$ = Code$ + "8AE0" '               MOV AH, AL
Code$ = Code$ + "268905" '             MOV ES:[DI], AX                 two pixels
Code$ = Code$ + "26894502" '           MOV ES:[DI+2], AX               two more
Code$ = Code$ + "2689854001" '         MOV ES:[DI+320], AX             the row below
Code$ = Code$ + "2689854201" '         MOV ES:[DI+322], AX
Code$ = Code$ + "8B760A" '             MOV SI, [BP+10]                 where A% is
Code$ = Code$ + "8B5E08" '             MOV BX, [BP+8]                  where B% is
Code$ = Code$ + "FF34" + "FF37" '      PUSH [SI]: PUSH [BX]
Code$ = Code$ + "8F04" + "8F07" '      POP [SI]: POP [BX]              A% and B% swapped
Code$ = Code$ + "CB" '                 RETF

DEF SEG = &H1000
FOR I% = 0 TO LEN(Code$) \ 2 - 1
  POKE I%, VAL("&H" + MID$(Code$, 2 * I% + 1, 2))
NEXT I%
A% = 3: B% = 7: PRINT "Before the call:"; A%; B%
CALL ABSOLUTE(A%, B%, 14, 150 * 320& + 160, 0)
DEF SEG: PRINT "After the call:"; A%; B%

DIM Regs%(9) '                         AX, BX, CX, DX, BP, SI, DI, FLAGS, DS, ES
Regs%(0) = 0: CALL INTERRUPT(&H33, Regs%(), Regs%())
PRINT "Mouse driver:"; Regs%(0); Regs%(1)

DEF SEG = &HA000: PRINT "Pixel (170,120):"; PEEK(120 * 320& + 170): DEF SEG
PRINT "Press a key"
DO: _DELAY 0.01: LOOP WHILE INKEY$ = ""
END
