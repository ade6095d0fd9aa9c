' PSET over the whole SCREEN 13 page, one colour per row.
FOR Y% = 0 TO 199
    FOR X% = 0 TO 319
        PSET (X%, Y%), Y% AND 255
    NEXT
NEXT
