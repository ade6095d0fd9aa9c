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



