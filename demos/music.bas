' Demo: a short tune with PLAY, each note's name printed as it sounds, then a chord, a
' phrase played in the background and two SOUND effects. T, L, O, V and MB/MF carry over
' from one PLAY to the next; a foreground PLAY returns once its music has been played.
CLS
PRINT "Kestravelle music"
PRINT
PLAY "T180 O3 L8 V60 MN"
T$ = "E E F G G F E D C C D E E. D16 D4"
PRINT "Tune: ";
P = 1
DO WHILE P <= LEN(T$)
  S = INSTR(P, T$ + " ", " ")
  N$ = MID$(T$, P, S - P)
  PRINT N$; " ";
  PLAY N$
  P = S + 1
LOOP
PRINT
PRINT "Chord: C E G"
PLAY "ML C,E,G4 MN"
PRINT "Background: G A B > C"
PLAY "MB G A B > C <"
PRINT "Sound effects: 880 Hz, 440 Hz"
SOUND 880, 2
SOUND 440, 2
PLAY "MF"
PRINT "Done"
END
