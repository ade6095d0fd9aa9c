' User-defined types: numeric and fixed-length string fields, a nested type, arrays of records,
' whole-record copies, records passed to procedures, LEN of a record.
TYPE Coord
  X AS INTEGER
  Y AS INTEGER
END TYPE
TYPE Item
  Qty AS INTEGER
  Code AS LONG
  Price AS SINGLE
  Total AS DOUBLE
  Label AS STRING * 6
END TYPE
TYPE Box
  Corner AS Coord
  Size AS Coord
  Tag AS STRING * 3
END TYPE
DECLARE SUB Move (P AS Coord, DX AS INTEGER)
DECLARE FUNCTION Span% (P AS Coord)
DECLARE SUB Restock (It AS Item)

DIM It AS Item
It.Qty = 3
It.Code = 100000
It.Price = 2.5
It.Total = It.Qty * It.Price
It.Label = "ab"
PRINT It.Qty; It.Code; It.Price; It.Total; "["; It.Label; "]"
It.Label = "abcdefghij"
PRINT "["; It.Label; "]"; LEN(It.Label)

DIM Copy AS Item
Copy = It
Copy.Qty = 9
Copy.Label = "new"
PRINT It.Qty; Copy.Qty; " "; It.Label; "|"; Copy.Label; "|"

DIM Pts(1 TO 3) AS Coord
FOR I = 1 TO 3
  Pts(I).X = I
  Pts(I).Y = I * I
NEXT I
Move Pts(3), 10
CALL Move(Pts(1), -1)
PRINT Pts(1).X; Pts(2).X; Pts(3).X; Span%(Pts(3))

DIM B AS Box
B.Corner = Pts(2)
B.Size.X = 5
B.Size.Y = 6
B.Tag = "boxes"
Move B.Corner, 100
PRINT B.Corner.X; B.Corner.Y; B.Size.X; B.Size.Y; B.Tag; Pts(2).X

Restock It
PRINT It.Qty; It.Label

DIM Shelf(1 TO 2) AS Item
Shelf(2) = It
Shelf(2).Qty = Shelf(2).Qty + 1
PRINT Shelf(1).Qty; Shelf(2).Qty; It.Qty; Shelf(2).Label
PRINT LEN(It); LEN(B); LEN(Pts(1)); LEN(Shelf(2))
END

SUB Move (P AS Coord, DX AS INTEGER)
  P.X = P.X + DX
END SUB

FUNCTION Span% (P AS Coord)
  Span% = P.X + P.Y
END FUNCTION

SUB Restock (It AS Item)
  It.Qty = It.Qty + 10
  It.Label = "full"
END SUB
