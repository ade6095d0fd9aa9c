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

























































































































