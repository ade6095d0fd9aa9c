' Chained to by exits.bas ("chain13"): its COMMON wants a number where a string comes.

COMMON Handed%
PRINT "after the box"; Handed%
