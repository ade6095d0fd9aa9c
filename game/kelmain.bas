DIM SHARED HAIKU1 AS LONG, HAIKU2 AS LONG, HAIKU3 AS LONG, HAIKU4 AS LONG, HAIKU5 AS LONG, GOVER1 AS LONG, GOVER2 AS LONG, HKA AS LONG, HKB AS LONG, HKC AS LONG, COLLL AS INTEGER, MASTERSCORE AS INTEGER, MMASTERSCORE AS INTEGER, JJJJ AS INTEGER, JFFHEU AS STRING, HTYG AS STRING, SJDJFHFGG AS STRING, YON AS STRING
111 CLEAR
RANDOMIZE TIMER
SCREEN 13
CLS
LOCATE 2, 13
COLOR 12
PRINT "Kestravelle"
COLOR 15
LOCATE 3, 2
PRINT "Journey for the five zen diamonds"
LOCATE 6, 2
PRINT "Only through mastering haiku,"
PRINT " will you attain the 5 diamonds."
PRINT " But you can only compose once"
PRINT " a day. Use the ryokan to rest."
PRINT
SOUND 150, 1
SOUND 250, 1
SOUND 100, 1
SLEEP 1
PRINT " * Roam and find Zuded Tower"
PRINT " * Compose the 5 perfect haiku"
PRINT " * Visit the village for supplies"
PRINT " * Talk with the village old man"
PRINT " * Do NOT stay out after dark"
PRINT
PRINT " ALT + ENTER = FULL SCREEN!!!"
' Wait for Enter; every 2001 x 101 passes the title takes a new colour and the credits show.
DO
    ZZZX = ZZZX + 1
    IF ZZZX > 2000 THEN
        ZZZX = 0
        GGGH = GGGH + 1
        IF GGGH > 100 THEN
            GGGH = 0
            TITLCOL = INT(RND * 72) + 32
            COLOR TITLCOL
            LOCATE 2, 13
            PRINT "Kestravelle"
            LOCATE 19, 2
            PRINT "Creator: Mira Okonkwo"
            PRINT " Zuded Man: Tavi Lorensen"
            PRINT " Traveller: Ines Varga-Holm"
            PRINT " Reaper: Bram Oduya"
        END IF
    END IF
LOOP UNTIL INKEY$ = CHR$(13)
COLOR 15
CLS
' The seven recorded clips; a missing file gives handle 0 and plays silently.
HAIKU1 = _SNDOPEN("MAIN1.wav", "sync,vol")
HAIKU2 = _SNDOPEN("MAIN2.wav", "sync,vol")
HAIKU3 = _SNDOPEN("MAIN3.wav", "sync,vol")
HAIKU4 = _SNDOPEN("MAIN4.wav", "sync,vol")
HAIKU5 = _SNDOPEN("MAIN5.wav", "sync,vol")
GOVER1 = _SNDOPEN("Gameover1.wav", "sync,vol")
GOVER2 = _SNDOPEN("Gameover2.wav", "sync,vol")
' A new game.
CHRX = 5
CHRY = 30
PPOEMS = 0
POEMS = 0
HK1 = 0
HK2 = 0
HK3 = 0
HK4 = 0
HK5 = 0
HLTH = 60
DLT = 160
LVL = 1
MNY = 0
HOWMANYSTEPS = 4
DLTINCREASE = 1
TXTDAT = 3
HLTHLOSE = 3
MNYGAIN = 6
LOCAT = 3

GOSUB AREA3





' One roaming pass: frames, bars, edges, places, status, keys, death tests.
99 LINE (10, 10)-(150, 100), 15, B
LINE (160, 10)-(310, 100), 15, B
LINE (10, 110)-(310, 190), 15, B
LINE (35, 118)-(HLTH + 35, 128), 15, BF
LINE (HLTH + 36, 118)-(300, 128), 0, BF
LINE (90, 165)-(DLT + 90, 175), 42, BF
LINE (DLT + 91, 165)-(300, 175), 0, BF
IF CHRX < 4 THEN GOSUB EDGES
IF CHRX > 11 THEN GOSUB EDGES
IF CHRY < 23 THEN GOSUB EDGES
IF CHRY > 37 THEN GOSUB EDGES
IF LOCAT = 1 AND CHRX = 7 AND CHRY = 32 THEN GOSUB EDGES
IF LOCAT = 4 AND CHRX = 8 AND CHRY = 33 THEN GOSUB EDGES
IF LOCAT = 6 AND CHRX = 7 AND CHRY = 35 THEN GOSUB STORE
IF LOCAT = 6 AND CHRX = 4 AND CHRY = 27 THEN GOSUB INN
IF POEMS = 0 AND CHRX = 6 AND CHRY = 28 AND LOCAT = 5 THEN GOSUB ZUDED
LOCATE CHRX, CHRY
PRINT CHR$(1)
LOCATE 16, 3
PRINT CHR$(1) + ":"
LOCATE 18, 3
PRINT "Lvl:"
LOCATE 18, 7
PRINT LVL
COLOR 12
IF BIGSCORE = 1 THEN LOCATE 18, 14: PRINT CHR$(4)
IF BIGSCORE = 2 THEN LOCATE 18, 14: PRINT CHR$(4) + CHR$(4)
IF BIGSCORE = 3 THEN LOCATE 18, 14: PRINT CHR$(4) + CHR$(4) + CHR$(4)
IF BIGSCORE = 4 THEN LOCATE 18, 14: PRINT CHR$(4) + CHR$(4) + CHR$(4) + CHR$(4)
COLOR 15
LOCATE 18, 19
PRINT "/" + STRING$(5, 4)
IF AVRGHAIKUSCORE > 84 THEN COLOR 12 ELSE COLOR 15
LOCATE 18, 27
PRINT "Avg scr:"; CINT(AVRGHAIKUSCORE)
IF HISCORE > 84 THEN COLOR 12 ELSE COLOR 15
LOCATE 19, 28
PRINT "Hi-scr:"; CINT(HISCORE)
IF MASTERSCORE > 84 THEN COLOR 12 ELSE COLOR 15
LOCATE 20, 25
PRINT "Zuded Man:"; MASTERSCORE
COLOR 15
LOCATE 20, 3
PRINT CHR$(157)
LOCATE 20, 5
PRINT MNY
LOCATE 22, 3
PRINT "DAYLIGHT:"
' The hall-of-fame cell in area 2.
IF LOCAT = 2 AND CHRX = 4 AND CHRY = 37 THEN
    COLOR 7
    LOCATE CHRX, CHRY
    PRINT " "
    SOUND 150, 1
    SOUND 100, 2
    SOUND 200, 1
    LINE (11, 11)-(149, 99), 0, BF
    TXTDAT = 3
    LOCATE TXTDAT, 3
    PRINT "Holy Zuded Gods"
    TXTDAT = TXTDAT + 2
    LOCATE TXTDAT, 3
    PRINT "Dov Ade"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "Zivor Are Ruviru"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "Rez I. Viv"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "Hala Quenby"
    TXTDAT = TXTDAT + 1
    LOCATE TXTDAT, 3
    PRINT "Orrin Tesk"
    TXTDAT = TXTDAT + 2
    CHRX = CHRX + 1
    CHRY = CHRY - 1
    COLOR 15
END IF
ROAMKEY$ = INKEY$
IF ROAMKEY$ = CHR$(0) + "H" THEN GOSUB STEPUP
IF ROAMKEY$ = CHR$(0) + "P" THEN GOSUB STEPDOWN
IF ROAMKEY$ = CHR$(0) + "K" THEN GOSUB STEPLEFT
IF ROAMKEY$ = CHR$(0) + "M" THEN GOSUB STEPRIGHT
IF ROAMKEY$ = CHR$(27) THEN END
IF HLTH < 1 THEN GOTO DEATH1
IF DLT < 1 THEN GOTO DEATH2
GOTO 99































' Edge routine: map edges, passages between areas, tower and village doors.
EDGES: IF CHRX < 4 AND LOCAT = 1 THEN CHRX = 4
IF CHRX < 4 AND LOCAT = 2 THEN CHRX = 4
IF CHRX < 4 AND LOCAT = 3 THEN CHRX = 11: GOSUB AREA1
IF CHRX < 4 AND LOCAT = 4 THEN CHRX = 11: GOSUB AREA2
IF CHRX > 11 AND LOCAT = 1 THEN CHRX = 4: GOSUB AREA3
IF CHRX > 11 AND LOCAT = 2 THEN CHRX = 4: GOSUB AREA4
IF CHRX > 11 AND LOCAT = 3 THEN CHRX = 11
IF CHRX > 11 AND LOCAT = 4 THEN CHRX = 11
IF CHRY < 23 AND LOCAT = 1 THEN CHRY = 23
IF CHRY < 23 AND LOCAT = 2 THEN GOSUB AREA1: CHRY = 37
IF CHRY < 23 AND LOCAT = 3 THEN CHRY = 23
IF CHRY < 23 AND LOCAT = 4 THEN GOSUB AREA3: CHRY = 37
IF CHRY > 37 AND LOCAT = 1 THEN GOSUB AREA2: CHRY = 23
IF CHRY > 37 AND LOCAT = 2 THEN CHRY = 37
IF CHRY > 37 AND LOCAT = 3 THEN GOSUB AREA4: CHRY = 23
IF CHRY > 37 AND LOCAT = 4 THEN CHRY = 37
' The tower and the village glyphs.
IF LOCAT = 1 AND CHRX = 7 AND CHRY = 32 THEN GOSUB TOWER
IF LOCAT = 4 AND CHRX = 8 AND CHRY = 33 THEN GOSUB VILLAGE
' Inside the tower the walls hold; its open bottom leads out below the tower glyph.
IF CHRX < 4 AND LOCAT = 5 THEN CHRX = 4
IF CHRX > 11 AND LOCAT = 5 THEN CHRX = 8: CHRY = 32: GOSUB AREA1
IF CHRY < 23 AND LOCAT = 5 THEN CHRY = 23
IF CHRY > 37 AND LOCAT = 5 THEN CHRY = 37
' Every edge of the village leads out beside the village glyph.
IF CHRX < 4 AND LOCAT = 6 THEN CHRX = 7: CHRY = 33: GOSUB AREA4
IF CHRX > 11 AND LOCAT = 6 THEN CHRX = 9: CHRY = 33: GOSUB AREA4
IF CHRY < 23 AND LOCAT = 6 THEN CHRX = 8: CHRY = 32: GOSUB AREA4
IF CHRY > 37 AND LOCAT = 6 THEN CHRX = 8: CHRY = 34: GOSUB AREA4
RETURN



























































' Area 1, top left: mountains on the top and left, the tower.
AREA1: LINE (161, 11)-(309, 99), 0, BF
LOCAT = 1
LOCATE 3, 22
PRINT "/\/\/\/\/\/\/\/\/\"
MNTN = 4
DO
    LOCATE MNTN, 22
    PRINT "/"
    MNTN = MNTN + 1
    LOCATE MNTN, 22
    PRINT "\"
    MNTN = MNTN + 1
LOOP UNTIL MNTN > 11
LOCATE MNTN, 22
PRINT "/"
LOCATE 7, 32
PRINT CHR$(20)
RETURN





' Area 2, top right: mountains on the top and right.
AREA2: LINE (161, 11)-(309, 99), 0, BF
LOCAT = 2
LOCATE 3, 21
PRINT "/\/\/\/\/\/\/\/\/\"
MNTN = 4
DO
    LOCATE MNTN, 38
    PRINT "\"
    MNTN = MNTN + 1
    LOCATE MNTN, 38
    PRINT "/"
    MNTN = MNTN + 1
LOOP UNTIL MNTN > 11
LOCATE MNTN, 38
PRINT "\"
RETURN



' Area 3, bottom left: mountains on the bottom and left; the start.
AREA3: LINE (161, 11)-(309, 99), 0, BF
LOCAT = 3
LOCATE 12, 22
PRINT "/\/\/\/\/\/\/\/\/"
MNTN = 3
DO
    LOCATE MNTN, 22
    PRINT "/"
    MNTN = MNTN + 1
    LOCATE MNTN, 22
    PRINT "\"
    MNTN = MNTN + 1
LOOP UNTIL MNTN > 10
LOCATE MNTN, 22
PRINT "/"
LOCATE 2, 22
PRINT "\"
RETURN





' Area 4, bottom right: mountains on the bottom and right, the village.
AREA4: LINE (161, 11)-(309, 99), 0, BF
LOCAT = 4
LOCATE 12, 22
PRINT "\/\/\/\/\/\/\/\/\"
MNTN = 3
DO
    LOCATE MNTN, 38
    PRINT "\"
    MNTN = MNTN + 1
    LOCATE MNTN, 38
    PRINT "/"
    MNTN = MNTN + 1
LOOP UNTIL MNTN > 10
LOCATE MNTN, 38
PRINT "\"
LOCATE 2, 38
PRINT "/"
LOCATE 8, 33
PRINT CHR$(127)
RETURN






' Tower screen: three walls, open at the bottom, and the Zuded Man.
TOWER: CLS
WEREDONEHERE = 0
LINE (174, 22)-(174, 99), 15
LINE (174, 22)-(297, 22), 15
LINE (297, 22)-(297, 99), 15
LOCAT = 5
CHRX = 11
CHRY = 30
LOCATE 6, 28
PRINT CHR$(2)
LINE (11, 11)-(149, 99), 0, BF
TXTDAT = 3
LOCATE TXTDAT, 3
PRINT "You climb the"
TXTDAT = TXTDAT + 1
LOCATE TXTDAT, 3
PRINT "tall tower."
TXTDAT = TXTDAT + 2
LOCATE TXTDAT, 3
PRINT "Before you is"
TXTDAT = TXTDAT + 1
LOCATE TXTDAT, 3
PRINT "Zuded Man."
TXTDAT = TXTDAT + 2
RETURN





' Village screen: the ryokan door, the combini door and the old man.
VILLAGE: LINE (161, 11)-(309, 99), 0, BF
LOCAT = 6
CHRX = 11
CHRY = 31
LINE (11, 11)-(149, 99), 0, BF
TXTDAT = 3
LOCATE TXTDAT, 3
PRINT "Left Ryokan"
TXTDAT = TXTDAT + 2
LOCATE TXTDAT, 3
PRINT "Right Combini"
TXTDAT = TXTDAT + 2
LOCATE 4, 27
PRINT "#"
LOCATE 7, 35
PRINT "#"
LOCATE 9, 24
PRINT CHR$(2)
RETURN



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






































' The Zuded Man: recitation, the player's score, the compose grid and its picks, grading.
ZUDED: POEMS = 1
CLS
' Every haiku already heard: straight to composing.
IF HK1 = 1 AND HK2 = 1 AND HK3 = 1 AND HK4 = 1 AND HK5 = 1 THEN GOTO 5559
LOCATE 2, 2: PRINT "A new day, a new haiku."
SLEEP 1
' Draw until a haiku not yet heard comes up; it is marked heard at once.
HKK = 0
DO
  WHK = INT(RND * 5) + 1
  IF WHK = 1 AND HK1 = 0 THEN
    HK1 = 1: HKK = 1: HKTOPLAY = 1
  ELSEIF WHK = 2 AND HK2 = 0 THEN
    HK2 = 1: HKK = 1: HKTOPLAY = 2
  ELSEIF WHK = 3 AND HK3 = 0 THEN
    HK3 = 1: HKK = 1: HKTOPLAY = 3
  ELSEIF WHK = 4 AND HK4 = 0 THEN
    HK4 = 1: HKK = 1: HKTOPLAY = 4
  ELSEIF WHK = 5 AND HK5 = 0 THEN
    HK5 = 1: HKK = 1: HKTOPLAY = 5
  END IF
  IF HK1 = 1 AND HK2 = 1 AND HK3 = 1 AND HK4 = 1 AND HK5 = 1 THEN HKK = 1
LOOP UNTIL HKK = 1
PPOEMS = PPOEMS + 1
' The clip plays on while the lines appear; a key cuts a pause short.
SELECT CASE HKTOPLAY
  CASE 1
    _SNDPLAY HAIKU1
    LOCATE 5, 2: PRINT "The small ship flies"
    SLEEP 3
    LOCATE 7, 2: PRINT "Rigid serpent in warm places"
    SLEEP 4
    LOCATE 9, 2: PRINT "Conformists vanish"
    SLEEP 3
  CASE 2
    _SNDPLAY HAIKU2
    LOCATE 5, 2: PRINT "Two men in the street"
    SLEEP 3
    LOCATE 7, 2: PRINT "A huge enemy approaches"
    SLEEP 4
    LOCATE 9, 2: PRINT "Princess in a castle"
    SLEEP 3
  CASE 3
    _SNDPLAY HAIKU3
    LOCATE 5, 2: PRINT "In and out, again, again"
    SLEEP 3
    LOCATE 7, 2: PRINT "Ancient bare knuckle technique"
    SLEEP 4
    LOCATE 9, 2: PRINT "Smell of dead fish"
    SLEEP 3
  CASE 4
    _SNDPLAY HAIKU4
    LOCATE 5, 2: PRINT "From the sky they fall   "
    SLEEP 3
    LOCATE 7, 2: PRINT "Glade of green pipes stretching forth"
    SLEEP 4
    LOCATE 9, 2: PRINT "Father's legacy"
    SLEEP 3
  CASE 5
    _SNDPLAY HAIKU5
    LOCATE 5, 2: PRINT "In a box hiding"
    SLEEP 3
    LOCATE 7, 2: PRINT "Moulding the body's position"
    SLEEP 4
    LOCATE 9, 2: PRINT "Fierce burning is felt"
    SLEEP 3
END SELECT
































12345 LOCATE 12, 2: PRINT "What would you score that, out of 100?"
LOCATE 13, 2: PRINT "Be honest now."
LOCATE 15, 2: INPUT "Score:", MMASTERSCORE
IF MMASTERSCORE < 1 THEN GOTO 12345
IF MMASTERSCORE > 100 THEN MMASTERSCORE = 100
IF MMASTERSCORE < 80 THEN
  LOCATE 18, 2: PRINT "I see, you are a stern student."
ELSE
  LOCATE 18, 2: PRINT "You are too kind!"
END IF
' A running average: the first score counts whole, each later one half.
IF MASTERSCORE = 0 THEN MASTERSCORE = MMASTERSCORE
MASTERSCORE = (MASTERSCORE + MMASTERSCORE) / 2
LOCATE 20, 2: INPUT "If you have heard two or more of my     poems you can compose your own...", JFFHEU
GOTO 5559













5559 CLS
ICNX = 3: ICNY = 1
IF PPOEMS < 2 THEN GOTO TOWER
IF WEREDONEHERE = 1 THEN GOTO TOWER
LOCATE 1, 2: PRINT "Now, compose your own. ESC to reset."
IF HK1 = 1 THEN
  LOCATE 3, 2: PRINT "The small   Rigid serpent   Confrmists"
  LOCATE 4, 2: PRINT "ship flies  in warm places  vanish"
END IF
IF HK2 = 1 THEN
  LOCATE 7, 2: PRINT "Two men in  A huge enemy    Prncess in"
  LOCATE 8, 2: PRINT "the street  approaches      a castle"
END IF
IF HK3 = 1 THEN
  LOCATE 11, 2: PRINT "In & out,   Ancient bare    Smell of"
  LOCATE 12, 2: PRINT "again,      knuckle         dead fish"
  LOCATE 13, 2: PRINT "again       technique"
END IF
IF HK4 = 1 THEN
  LOCATE 16, 2: PRINT "From the    Glade of        Father`s"
  LOCATE 17, 2: PRINT "sky they    green pipes     legacy"
  LOCATE 18, 2: PRINT "fall        stretch forth"
END IF
IF HK5 = 1 THEN
  LOCATE 21, 2: PRINT "In a box    Moulding        Fierce"
  LOCATE 22, 2: PRINT "hiding      the body`s      burning"
  LOCATE 23, 2: PRINT "            position        is felt"
END IF



























555 IF WEREDONEHERE = 1 THEN GOTO TOWER
LOCATE ICNX, ICNY: PRINT ">"
COMPOSEKEY$ = INKEY$
IF COMPOSEKEY$ = CHR$(0) + "H" THEN XX = XX + 1
IF COMPOSEKEY$ = CHR$(0) + "P" THEN XX = XX - 1
IF COMPOSEKEY$ = CHR$(13) THEN YY = YY + 1
IF COMPOSEKEY$ = CHR$(27) THEN GOTO 5559
' Down one block, the last wrapping round to the first.
IF XX < 0 THEN
  XX = 0
  LOCATE ICNX, ICNY: PRINT " "
  SELECT CASE ICNX
    CASE 3: ICNX = 7
    CASE 7: ICNX = 11
    CASE 11: ICNX = 16
    CASE 16: ICNX = 21
    CASE 21: ICNX = 3
  END SELECT
END IF
' Up one block, the first wrapping round to the last.
IF XX > 0 THEN
  XX = 0
  LOCATE ICNX, ICNY: PRINT " "
  SELECT CASE ICNX
    CASE 3: ICNX = 21
    CASE 7: ICNX = 3
    CASE 11: ICNX = 7
    CASE 16: ICNX = 11
    CASE 21: ICNX = 16
  END SELECT
END IF
IF YY <= 0 THEN GOTO 555
LOCATE ICNX, ICNY: PRINT " "
' A pick needs a heard haiku in the cursor's block; each replaced clip is closed,
' so a long game does not run out of sound handles.
IF ICNY = 1 THEN
  IF ICNX = 3 AND HK1 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    A1 = 1: ICNY = 13
    IF HKA <> 0 THEN _SNDCLOSE HKA
    HKA = _SNDOPEN("A1.wav", "sync,vol")
  ELSEIF ICNX = 7 AND HK2 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    A1 = 2: ICNY = 13
    IF HKA <> 0 THEN _SNDCLOSE HKA
    HKA = _SNDOPEN("A2.wav", "sync,vol")
  ELSEIF ICNX = 11 AND HK3 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    A1 = 3: ICNY = 13
    IF HKA <> 0 THEN _SNDCLOSE HKA
    HKA = _SNDOPEN("A3.wav", "sync,vol")
  ELSEIF ICNX = 16 AND HK4 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    A1 = 4: ICNY = 13
    IF HKA <> 0 THEN _SNDCLOSE HKA
    HKA = _SNDOPEN("A4.wav", "sync,vol")
  ELSEIF ICNX = 21 AND HK5 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    A1 = 5: ICNY = 13
    IF HKA <> 0 THEN _SNDCLOSE HKA
    HKA = _SNDOPEN("A5.wav", "sync,vol")
  END IF
  COLOR 15: YY = 0
ELSEIF ICNY = 13 THEN
  IF ICNX = 3 AND HK1 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    B1 = 1: ICNY = 29
    IF HKB <> 0 THEN _SNDCLOSE HKB
    HKB = _SNDOPEN("B1.wav", "sync,vol")
  ELSEIF ICNX = 7 AND HK2 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    B1 = 2: ICNY = 29
    IF HKB <> 0 THEN _SNDCLOSE HKB
    HKB = _SNDOPEN("B2.wav", "sync,vol")
  ELSEIF ICNX = 11 AND HK3 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    B1 = 3: ICNY = 29
    IF HKB <> 0 THEN _SNDCLOSE HKB
    HKB = _SNDOPEN("B3.wav", "sync,vol")
  ELSEIF ICNX = 16 AND HK4 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    B1 = 4: ICNY = 29
    IF HKB <> 0 THEN _SNDCLOSE HKB
    HKB = _SNDOPEN("B4.wav", "sync,vol")
  ELSEIF ICNX = 21 AND HK5 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    B1 = 5: ICNY = 29
    IF HKB <> 0 THEN _SNDCLOSE HKB
    HKB = _SNDOPEN("B5.wav", "sync,vol")
  END IF
  COLOR 15: YY = 0
ELSEIF ICNY = 29 THEN
  ' An empty block picks nothing here either, so no stale line is ever graded.
  C1 = 0
  IF ICNX = 3 AND HK1 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    C1 = 1
    IF HKC <> 0 THEN _SNDCLOSE HKC
    HKC = _SNDOPEN("C1.wav", "sync,vol")
  ELSEIF ICNX = 7 AND HK2 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    C1 = 2
    IF HKC <> 0 THEN _SNDCLOSE HKC
    HKC = _SNDOPEN("C2.wav", "sync,vol")
  ELSEIF ICNX = 11 AND HK3 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    C1 = 3
    IF HKC <> 0 THEN _SNDCLOSE HKC
    HKC = _SNDOPEN("C3.wav", "sync,vol")
  ELSEIF ICNX = 16 AND HK4 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    C1 = 4
    IF HKC <> 0 THEN _SNDCLOSE HKC
    HKC = _SNDOPEN("C4.wav", "sync,vol")
  ELSEIF ICNX = 21 AND HK5 = 1 THEN
    LOCATE ICNX, ICNY: COLOR 12: PRINT ">"
    C1 = 5
    IF HKC <> 0 THEN _SNDCLOSE HKC
    HKC = _SNDOPEN("C5.wav", "sync,vol")
  END IF
  COLOR 15: YY = 0
  IF C1 > 0 THEN
    ' A copy of a recited haiku, or a diamond already earned, starts afresh.
    IF A1 = B1 AND B1 = C1 THEN GOTO 5559
    IF A1 = 1 AND B1 = 2 AND C1 = 3 AND MAIN1 = 1 THEN GOTO 5559
    IF A1 = 2 AND B1 = 3 AND C1 = 5 AND MAIN2 = 1 THEN GOTO 5559
    IF A1 = 3 AND B1 = 4 AND C1 = 2 AND MAIN3 = 1 THEN GOTO 5559
    IF A1 = 4 AND B1 = 5 AND C1 = 1 AND MAIN4 = 1 THEN GOTO 5559
    IF A1 = 5 AND B1 = 1 AND C1 = 4 AND MAIN5 = 1 THEN GOTO 5559
    _SNDPLAY HKA
    SLEEP 3
    _SNDPLAY HKB
    SLEEP 3
    _SNDPLAY HKC
    SLEEP 3
    WEREDONEHERE = 1
  END IF
END IF
IF WEREDONEHERE = 0 THEN GOTO 555
' Grading of the composition (A1, B1, C1).
CLS
IF A1 = 1 AND B1 = 2 AND C1 = 3 THEN RATING = 1: MAIN1 = 1
IF A1 = 2 AND B1 = 3 AND C1 = 5 THEN RATING = 1: MAIN2 = 1
IF A1 = 3 AND B1 = 4 AND C1 = 2 THEN RATING = 1: MAIN3 = 1
IF A1 = 4 AND B1 = 5 AND C1 = 1 THEN RATING = 1: MAIN4 = 1
IF A1 = 5 AND B1 = 1 AND C1 = 4 THEN RATING = 1: MAIN5 = 1
IF A1 = 1 AND B1 = 2 AND C1 = 5 THEN RATING = 2
IF A1 = 1 AND B1 = 2 AND C1 = 1 THEN RATING = 2
IF A1 = 1 AND B1 = 5 AND C1 = 1 THEN RATING = 2
IF A1 = 1 AND B1 = 1 AND C1 = 5 THEN RATING = 2
IF A1 = 1 AND B1 = 1 AND C1 = 3 THEN RATING = 2
IF A1 = 2 AND B1 = 5 AND C1 = 1 THEN RATING = 2
IF A1 = 2 AND B1 = 3 AND C1 = 4 THEN RATING = 2
IF A1 = 2 AND B1 = 4 AND C1 = 2 THEN RATING = 2
IF A1 = 2 AND B1 = 1 AND C1 = 2 THEN RATING = 2
IF A1 = 2 AND B1 = 1 AND C1 = 5 THEN RATING = 2
IF A1 = 2 AND B1 = 2 AND C1 = 4 THEN RATING = 2
IF A1 = 2 AND B1 = 2 AND C1 = 1 THEN RATING = 2
IF A1 = 2 AND B1 = 2 AND C1 = 5 THEN RATING = 2
IF A1 = 2 AND B1 = 4 AND C1 = 1 THEN RATING = 2
IF A1 = 3 AND B1 = 1 AND C1 = 4 THEN RATING = 2
IF A1 = 3 AND B1 = 1 AND C1 = 2 THEN RATING = 2
IF A1 = 3 AND B1 = 3 AND C1 = 5 THEN RATING = 2
IF A1 = 3 AND B1 = 3 AND C1 = 2 THEN RATING = 2
IF A1 = 3 AND B1 = 1 AND C1 = 5 THEN RATING = 2
IF A1 = 3 AND B1 = 4 AND C1 = 3 THEN RATING = 2
IF A1 = 3 AND B1 = 5 AND C1 = 5 THEN RATING = 2
IF A1 = 4 AND B1 = 4 AND C1 = 3 THEN RATING = 2
IF A1 = 4 AND B1 = 2 AND C1 = 5 THEN RATING = 2
IF A1 = 4 AND B1 = 4 AND C1 = 2 THEN RATING = 2
IF A1 = 4 AND B1 = 1 AND C1 = 3 THEN RATING = 2
IF A1 = 4 AND B1 = 3 AND C1 = 1 THEN RATING = 2
IF A1 = 4 AND B1 = 5 AND C1 = 5 THEN RATING = 2
IF A1 = 5 AND B1 = 2 AND C1 = 2 THEN RATING = 2
IF A1 = 5 AND B1 = 2 AND C1 = 1 THEN RATING = 2
IF A1 = 5 AND B1 = 5 AND C1 = 3 THEN RATING = 2
IF A1 = 5 AND B1 = 5 AND C1 = 4 THEN RATING = 2
IF A1 = 5 AND B1 = 1 AND C1 = 5 THEN RATING = 2
IF RATING = 1 THEN
  RATING = 0
  BIGSCORE = BIGSCORE + 1
  LOCATE 2, 2: PRINT "Ahh my student, that was astounding."
  LOCATE 4, 2: PRINT "Not since Jusenkyo have I heard"
  LOCATE 5, 2: PRINT "such zen haiku. I'll remember it!"
  IF A1 = 1 AND B1 = 2 AND C1 = 3 THEN LOCATE 6, 2: PRINT "Reminds me of Darius!"
  IF A1 = 2 AND B1 = 3 AND C1 = 5 THEN LOCATE 6, 2: PRINT "Reminds me of Streets of Fighter Rage!"
  IF A1 = 3 AND B1 = 4 AND C1 = 2 THEN LOCATE 6, 2: PRINT "Reminds me of the Luigi Brothers!"
  IF A1 = 4 AND B1 = 5 AND C1 = 1 THEN LOCATE 6, 2: PRINT "Reminds me of Soviet Russia!"
  IF A1 = 5 AND B1 = 1 AND C1 = 4 THEN LOCATE 6, 2: PRINT "Reminds me of Snake's Revenge!"
  LOCATE 8, 2: PRINT "Let me grade you..."
  WTSCORE = INT(RND * 10) + 90
  SCOREVISUAL = 1
  DO
    SCOREVISUAL = SCOREVISUAL + 1
    LOCATE 9, 10: PRINT "score:"; SCOREVISUAL
    IF SCOREVISUAL > 84 THEN COLOR 12
    SOUND SCOREVISUAL + 80, 1
    LINE (50, 75)-(SCOREVISUAL + 50, 90), , BF
  LOOP UNTIL SCOREVISUAL >= WTSCORE
  COLOR 15
ELSEIF RATING = 2 THEN
  RATING = 0
  LOCATE 3, 2: PRINT "Not bad! You're almost"
  LOCATE 4, 2: PRINT "as good as I am. But I can't"
  LOCATE 5, 2: PRINT "remember if you've done that"
  LOCATE 6, 2: PRINT "one already... Have you?"
  LOCATE 8, 2: PRINT "Let me grade you..."
  WTSCORE = INT(RND * 15) + 70
  SCOREVISUAL = 1
  DO
    SCOREVISUAL = SCOREVISUAL + 1
    LOCATE 9, 10: PRINT "score:"; SCOREVISUAL
    IF SCOREVISUAL > 84 THEN COLOR 12
    SOUND SCOREVISUAL + 80, 1
    LINE (50, 75)-(SCOREVISUAL + 50, 90), , BF
  LOOP UNTIL SCOREVISUAL >= WTSCORE
  COLOR 15
ELSE
  LOCATE 3, 2: PRINT "Hmmm... You need more training!"
  LOCATE 5, 2: PRINT "I can't remember - did you"
  LOCATE 6, 2: PRINT "already read that one?"
  LOCATE 8, 2: PRINT "Let me rate that for you..."
  WTSCORE = INT(RND * 40) + LVL * 3 + MASTERSCORE / 5
  WTSCORE = WTSCORE + 5
  IF WTSCORE > 65 THEN WTSCORE = 65
  SCOREVISUAL = 1
  DO
    SCOREVISUAL = SCOREVISUAL + 1
    LOCATE 9, 10: PRINT "Score:"; SCOREVISUAL
    IF SCOREVISUAL > 84 THEN COLOR 12
    SOUND SCOREVISUAL + 80, 1
    LINE (50, 75)-(SCOREVISUAL + 50, 90), , BF
  LOOP UNTIL SCOREVISUAL >= WTSCORE
  COLOR 15
END IF
IF WTSCORE > HISCORE THEN HISCORE = WTSCORE
IF AVRGHAIKUSCORE = 0 THEN AVRGHAIKUSCORE = WTSCORE
AVRGHAIKUSCORE = (AVRGHAIKUSCORE + WTSCORE) / 2
LOCATE 20, 2: INPUT "Push enter", HTYG
IF BIGSCORE > 4 THEN GOTO ENDING
' Back to the cursor loop, which sees the composition done and leaves for the tower.
GOTO 555

























































































































' ---- The ending (fifth diamond) and the two death screens ----
' The ending congratulates, then plays a prank: a mock listing of C:\WINDOWS and a mock
' deletion. Nothing on disk is read or touched; every row below is printed text.

ENDING: CLS
LOCATE 2, 2: PRINT "You've earned all five haiku diamonds."
PRINT " You have shown yourself now to"
PRINT " be a zen master."
SOUND 150, 1: SOUND 250, 1: SOUND 100, 1
SLEEP 1
COLOR 12
PRINT
PRINT "        " + STRING$(5, 4)
COLOR 15
LOCATE 8, 2: PRINT "Surely, adhering to the rules of"
PRINT " Buddhism, you no longer need"
PRINT " material wealth?"
PRINT
' neither answer is looked at: the prank follows whatever is typed
INPUT " Your answer?", SJDJFHFGG
PRINT
INPUT " Really?", SJDJFHFGG
CLS
SCREEN 12
COLOR 7
PRINT "C:\WINDOWS"
SOUND 300, 4
SLEEP 1
' JEDDY is 0 here (nothing else changes it), so the listing scrolls by fifty times
DO
    PRINT "13/04/2010  01:25    <REP>          AppPatch"
    PRINT "09/03/2009  18:17             1,815 Ascd_tmp.ini"
    PRINT "13/07/2008  14:00             2,944 clock.avi"
    PRINT "03/08/2009  00:34    <REP>          Config"
    PRINT "02/00/2009  00:34    <REP>          Connection Wizard"
    PRINT "04/02/2009  17:09                 0 control.ini"
    PRINT "15/03/2010  13:27    <REP>          Microsoft.NET"
    PRINT "06/05/2009  17:06    <REP>          Cursors"
    PRINT "18/07/2010  11:21    <REP>          Debug"
    PRINT "10/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "14/09/2008  14:00                 2 desktop.ini"
    PRINT "07/05/2009  00:34    <REP>          Driver Cache"
    PRINT "14/00/2008  14:00             1,037 explorer.exe"
    PRINT "15/00/2008  14:00                80 explorer.scf"
    PRINT "18/00/2010  11:46    <REP>          Favorites"
    PRINT "17/00/2010  09:30    <REP>          Help"
    PRINT "11/00/2010  13:27    <REP>          Microsoft.NET"
    PRINT "27/09/1999  14:31                39 iccsigs.dat"
    PRINT "18/08/2010  11:24    <REP>          ie7updates"
    PRINT "09/01/2009  17:09    <REP>          ime"
    PRINT "05/01/2009  00:34    <REP>          java"
    PRINT "12/06/2010  11:52                 0 longfile.INI"
    PRINT "04/01/2009  18:40    <REP>          Media"
    PRINT "18/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "04/01/2009  00:38    <REP>          msagent"
    PRINT "06/01/2009  00:34    <REP>          msapps"
    PRINT "14/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "02/01/2009  00:34    <REP>          mui"
    PRINT "06/01/2009  00:38    <REP>          Network Diagnostic"
    PRINT "19/04/2008  14:00             7,656 NOTEPAD.EXE"
    PRINT "18/06/2010  00:41                 0 nsreg.dat"
    PRINT "28/08/2010  15:14    <REP>          Prefetch"
    PRINT "12/04/2008  14:00             1,088 regedit.exe"
    PRINT "01/01/2009  17:09    <REP>          Registration"
    PRINT "02/01/2009  17:11             8,192 REGLOCS.OLD"
    PRINT "13/06/2010  23:33    <REP>          repair"
    PRINT "04/01/2009  00:34    <REP>          Resources"
    PRINT "15/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "07/01/2009  17:09    <REP>          security"
    PRINT "08/01/2009  18:25             1,875 setupapi.log.0.old"
    PRINT "13/06/2010  03:39    <REP>          ShellNew"
    PRINT "06/01/2009  17:08    <REP>          srchasst"
    PRINT "13/06/2010  03:46               345 system.ini"
    PRINT "21/08/2010  11:12    <REP>          system32"
    PRINT "22/08/2010  10:53    <REP>          Temp"
    PRINT "16/04/2008  14:00             9,578 twain.dll"
    PRINT "07/01/2009  00:36    <REP>          twain_32"
    PRINT "16/04/2008  14:00             5,348 twain_32.dll"
    PRINT "14/04/2008  14:00             1,665 vmmreg32.dll"
    PRINT "15/06/2010  15:54               788 win.ini"
    PRINT "28/08/2010  10:54             1,370 WindowsUpdate.log"
    PRINT "19/04/2008  14:00             2,768 winhelp.exe"
    PRINT "12/04/2008  14:00             8,256 winhlp32.exe"
    JEDDY = JEDDY + 1
LOOP UNTIL JEDDY = 50
SOUND 300, 4
SLEEP 1
' fifteen one-blank lines scroll the tail of the listing up
DO
    CREDS = CREDS + 1
    PRINT " "
LOOP UNTIL CREDS > 14
LOCATE 19, 2: PRINT "Deleting C:\WINDOWS"
LOCATE 20, 2: PRINT STRING$(58, 176)
' the bar fills from column 1; each cell's tick paces it
BARD = 1
DO
    LOCATE 20, BARD: PRINT CHR$(177)
    BARD = BARD + 1
    SOUND 90, 1
LOOP UNTIL BARD = 60
' four more lines, never read, before the end
INPUT "", JJJJ
INPUT "", JJJJ
INPUT "", JJJJ
INPUT "", JJJJ







END

' Supplies gone: HLTH fell below 1 (tested by the roaming loop after each pass)
DEATH1: CLS
SOUND 150, 6
SLEEP 1
_SNDPLAY GOVER1
LOCATE 5, 5: PRINT "Supplies are now gone"
SLEEP 3
LOCATE 7, 5: PRINT "No shield, no sword, no food"
SLEEP 4
LOCATE 9, 5: PRINT "A mound of soil"
SLEEP 3
LOCATE 14, 5: PRINT "You best haiku score:"; HISCORE
LOCATE 16, 5
' a wrong answer asks again on the line below, where INPUT left the cursor





556677 INPUT "Play again? y/n", YON
IF YON = "y" THEN GOTO 111
IF YON = "n" THEN END ELSE GOTO 556677


' After dark: DLT fell below 1 with supplies left
DEATH2: CLS
SOUND 150, 6
SLEEP 1
_SNDPLAY GOVER2
LOCATE 5, 5: PRINT "Small hero after dark"
SLEEP 2
LOCATE 7, 5: PRINT "Cannot see the tengu"
SLEEP 3
LOCATE 9, 5: PRINT "Rusting armour"
SLEEP 3
LOCATE 14, 5: PRINT "You best haiku score:"; HISCORE
LOCATE 16, 5
' a wrong answer asks again on the line below, where INPUT left the cursor





223344 INPUT "Play again? y/n", YON
IF YON = "y" THEN GOTO 111
IF YON = "n" THEN END ELSE GOTO 223344
