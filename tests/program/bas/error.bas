' A runtime error names its line in the box.
DIM A(3)
PRINT "before"
A(4) = 1
PRINT "after"
