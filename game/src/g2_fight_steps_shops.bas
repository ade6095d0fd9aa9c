' Fights, the four step routines, the village store and the inn.

' A fight: damage, reward, colour, monster, level die, in this order.
FIGHT: HLTH = HLTH - (INT(RND * HLTHLOSE) + 2)
MNY = INT(RND * MNYGAIN) + MNY + LVL + 7
IF TXTDAT > 12 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
COLLL = INT(RND * 72) + 32
COLOR COLLL
MSNT = INT(RND * 5) + 1
LOCATE TXTDAT, 3
IF MSNT = 1 THEN PRINT "Fight Wyvern"
IF MSNT = 2 THEN PRINT "Fight Chimera"
IF MSNT = 3 THEN PRINT "Fight Gorbunok"
IF MSNT = 4 THEN PRINT "Fight Babayaga"
IF MSNT = 5 THEN PRINT "Fight Tengu"
TXTDAT = TXTDAT + 1
COLOR 15
SOUND 100, 2
LVLUP = INT(RND * 13) + 1
IF LVLUP = 1 THEN
    IF TXTDAT > 12 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LVL = LVL + 1
    COLOR 4
    LOCATE TXTDAT, 3
    PRINT "----LEVEL UP----"
    SOUND 190, 2
    SOUND 80, 1
    TXTDAT = TXTDAT + 1
END IF
COLOR 15
RETURN


































' Step up: encounter roll, daylight, wipe, move, then the bumps.
STEPUP: STP = INT(RND * HOWMANYSTEPS) + 1
IF STP = 1 AND LOCAT < 5 THEN GOSUB FIGHT
DLT = DLT - DLTINCREASE
LOCATE CHRX, CHRY
PRINT " "
CHRX = CHRX - 1
' Ojisan does not move aside.
IF LOCAT = 6 AND CHRX = 9 AND CHRY = 24 THEN
    CHRX = CHRX + 1
    IF TXTDAT >= 12 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Ojisan: `...`"
    TXTDAT = TXTDAT + 2
END IF
' The Zuded Man speaks once a day.
IF POEMS = 1 AND CHRX = 6 AND CHRY = 28 AND LOCAT = 5 THEN
    CHRX = CHRX + 1
    IF TXTDAT >= 11 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Zuded Man: `We"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "have already"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "spoken today.`"
    TXTDAT = TXTDAT + 2
END IF
RETURN













' Step down: encounter roll, daylight, wipe, move, then the bumps.
STEPDOWN: STP = INT(RND * HOWMANYSTEPS) + 1
IF STP = 1 AND LOCAT < 5 THEN GOSUB FIGHT
DLT = DLT - DLTINCREASE
LOCATE CHRX, CHRY
PRINT " "
CHRX = CHRX + 1
' Ojisan does not move aside.
IF LOCAT = 6 AND CHRX = 9 AND CHRY = 24 THEN
    CHRX = CHRX - 1
    IF TXTDAT >= 12 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Ojisan: `...`"
    TXTDAT = TXTDAT + 2
END IF
' The Zuded Man speaks once a day.
IF POEMS = 1 AND CHRX = 6 AND CHRY = 28 AND LOCAT = 5 THEN
    CHRX = CHRX - 1
    IF TXTDAT >= 11 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Zuded Man: `You"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "have already"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "composed today.`"
    TXTDAT = TXTDAT + 2
END IF
RETURN













' Step left: encounter roll, daylight, wipe, move, then the bumps.
STEPLEFT: STP = INT(RND * HOWMANYSTEPS) + 1
IF STP = 1 AND LOCAT < 5 THEN GOSUB FIGHT
DLT = DLT - DLTINCREASE
LOCATE CHRX, CHRY
PRINT " "
CHRY = CHRY - 1
' Ojisan does not move aside.
IF LOCAT = 6 AND CHRX = 9 AND CHRY = 24 THEN
    CHRY = CHRY + 1
    IF TXTDAT >= 12 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Ojisan: `...`"
    TXTDAT = TXTDAT + 2
END IF
' The Zuded Man speaks once a day.
IF POEMS = 1 AND CHRX = 6 AND CHRY = 28 AND LOCAT = 5 THEN
    CHRY = CHRY + 1
    IF TXTDAT >= 11 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Zuded Man: `You"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "have already"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "composed today.`"
    TXTDAT = TXTDAT + 2
END IF
RETURN














' Step right: encounter roll, daylight, wipe, move, then the bumps.
STEPRIGHT: STP = INT(RND * HOWMANYSTEPS) + 1
IF STP = 1 AND LOCAT < 5 THEN GOSUB FIGHT
DLT = DLT - DLTINCREASE
LOCATE CHRX, CHRY
PRINT " "
CHRY = CHRY + 1
' Ojisan does not move aside.
IF LOCAT = 6 AND CHRX = 9 AND CHRY = 24 THEN
    CHRY = CHRY - 1
    IF TXTDAT >= 12 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Ojisan: `...`"
    TXTDAT = TXTDAT + 2
END IF
' The Zuded Man speaks once a day.
IF POEMS = 1 AND CHRX = 6 AND CHRY = 28 AND LOCAT = 5 THEN
    CHRY = CHRY - 1
    IF TXTDAT >= 11 THEN LINE (11, 11)-(149, 99), 0, BF: TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Zuded Man: `You"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "have already"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "composed today.`"
    TXTDAT = TXTDAT + 2
END IF
RETURN














' Takashi's store: 3 yen buy one unit of supplies, one unit sells for 1 yen.
STORE: CLS
ICNX = 6
XX = 0
YY = 0
888 LINE (10, 110)-(310, 190), 15, B
LOCATE 16, 3
PRINT CHR$(1) + ":"
LOCATE 18, 3
PRINT "Lvl:"
LOCATE 18, 7
PRINT LVL
LOCATE 20, 3
PRINT CHR$(157)
LOCATE 20, 5
PRINT MNY
LOCATE 22, 3
PRINT "DAYLIGHT:"
LINE (35, 118)-(HLTH + 35, 128), 15, BF
LINE (HLTH + 36, 118)-(300, 128), 0, BF
LINE (90, 165)-(DLT + 90, 175), 42, BF
LOCATE 1, 1
PRINT " Welcome to Takashi's store. Here you    can trade supplies for the trip ahead."
PRINT " Stuff like katanas, kimonos and sake!"
LOCATE 6, 4
PRINT "Buy supplies"
LOCATE 8, 4
PRINT "Sell supplies"
LOCATE 10, 4
PRINT "Leave store"
LOCATE 12, 4
PRINT "Steal from Takashi"
LOCATE ICNX, 2
PRINT ">"
STOREKEY$ = INKEY$
IF STOREKEY$ = CHR$(0) + "H" THEN XX = XX + 1
IF STOREKEY$ = CHR$(0) + "P" THEN XX = XX - 1
IF STOREKEY$ = CHR$(13) THEN YY = YY + 1
IF STOREKEY$ = CHR$(27) THEN END
IF XX > 0 THEN XX = 0: LOCATE ICNX, 2: PRINT " ": ICNX = ICNX - 2
IF XX < 0 THEN XX = 0: LOCATE ICNX, 2: PRINT " ": ICNX = ICNX + 2
IF ICNX < 6 THEN ICNX = 10
IF ICNX > 10 THEN ICNX = 6
IF YY > 0 THEN
    YY = 0
    IF ICNX = 6 THEN
        IF MNY > 2 AND HLTH < 264 THEN MNY = MNY - 3: HLTH = HLTH + 1
        IF MNY < 3 THEN SOUND 150, 1
    END IF
    IF ICNX = 8 THEN
        IF HLTH > 1 THEN MNY = MNY + 1: HLTH = HLTH - 1
    END IF
    IF ICNX = 10 THEN
        CLS
        GOTO VILLAGE
    END IF
END IF
GOTO 888

































' Musashi's inn: a night sets a new day (full daylight, the Zuded Man speaks again).
INN: CLS
ICNX = 6
XX = 0
YY = 0
777 LINE (10, 110)-(310, 190), 15, B
LOCATE 16, 3
PRINT CHR$(1) + ":"
LOCATE 18, 3
PRINT "Lvl:"
LOCATE 18, 7
PRINT LVL
LOCATE 20, 3
PRINT CHR$(157)
LOCATE 20, 5
PRINT MNY
LOCATE 22, 3
PRINT "DAYLIGHT:"
LINE (35, 118)-(HLTH + 35, 128), 15, BF
LINE (HLTH + 36, 118)-(300, 128), 0, BF
LINE (90, 165)-(DLT + 90, 175), 42, BF
LOCATE 1, 1
PRINT " Welcome to Musashi's inn. Here you can  rest until morning. Sleeping doesn't    increase supplies."
LOCATE 6, 4
PRINT "Stay the night (expensive: " + CHR$(157) + "100)"
LOCATE 8, 4
PRINT "Stay the night (cheap: " + CHR$(157) + "30)"
LOCATE 10, 4
PRINT "Leave ryokan"
LOCATE 12, 4
PRINT "Make love to Musashi's wife"
LOCATE ICNX, 2
PRINT ">"
RYOKANKEY$ = INKEY$
IF RYOKANKEY$ = CHR$(0) + "H" THEN XX = XX + 1
IF RYOKANKEY$ = CHR$(0) + "P" THEN XX = XX - 1
IF RYOKANKEY$ = CHR$(13) THEN YY = YY + 1
IF RYOKANKEY$ = CHR$(27) THEN END
IF XX > 0 THEN XX = 0: LOCATE ICNX, 2: PRINT " ": ICNX = ICNX - 2
IF XX < 0 THEN XX = 0: LOCATE ICNX, 2: PRINT " ": ICNX = ICNX + 2
IF ICNX < 6 THEN ICNX = 10
IF ICNX > 10 THEN ICNX = 6
IF YY > 0 THEN
    YY = 0
    IF ICNX = 6 THEN
        IF MNY > 99 AND DLT < 20 THEN
            MNY = MNY - 100
            DLT = 209
            POEMS = 0
            CLS
            GOTO VILLAGE
        END IF
        IF MNY < 100 THEN SOUND 150, 1
        IF DLT > 19 THEN LOCATE 7, 4: PRINT "(It's too early for bed!)": SOUND 150, 1
    END IF
    IF ICNX = 8 THEN
        IF MNY > 29 AND DLT < 20 THEN
            MNY = MNY - 30
            DLT = 209
            POEMS = 0
            CLS
            GOTO VILLAGE
        END IF
        IF MNY < 30 THEN SOUND 150, 1
        IF DLT > 19 THEN LOCATE 9, 4: PRINT "(It's too early for bed!)": SOUND 150, 1
    END IF
    IF ICNX = 10 THEN
        CLS
        GOTO VILLAGE
    END IF
END IF
GOTO 777






































