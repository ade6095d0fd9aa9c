' The five-body simulation of the Sun and the four giant planets in DOUBLE (DEFDBL), INTEGER
' indices: 50,000 steps of 0.01 days, the system's energy before and after as the result.
DEFDBL A-H, O-Z
DEFINT I-N
DECLARE FUNCTION Energy# ()
CONST NB = 5
DIM SHARED X(NB), Y(NB), Z(NB), VX(NB), VY(NB), VZ(NB), M#(NB)
PI = 3.141592653589793#: SOLAR = 4 * PI * PI: DPY = 365.24#
FOR I = 1 TO NB
    READ X(I), Y(I), Z(I), VX(I), VY(I), VZ(I), M#(I)
    VX(I) = VX(I) * DPY: VY(I) = VY(I) * DPY: VZ(I) = VZ(I) * DPY: M#(I) = M#(I) * SOLAR
NEXT I
PX = 0: PY = 0: PZ = 0
FOR I = 1 TO NB
    PX = PX + VX(I) * M#(I): PY = PY + VY(I) * M#(I): PZ = PZ + VZ(I) * M#(I)
NEXT I
VX(1) = -PX / SOLAR: VY(1) = -PY / SOLAR: VZ(1) = -PZ / SOLAR
E0 = Energy#
DT = .01#
FOR S& = 1 TO 50000
    FOR I = 1 TO NB - 1
        FOR J = I + 1 TO NB
            DX = X(I) - X(J): DY = Y(I) - Y(J): DZ = Z(I) - Z(J)
            D2 = DX * DX + DY * DY + DZ * DZ
            Mag# = DT / (D2 * SQR(D2))
            VX(I) = VX(I) - DX * M#(J) * Mag#: VY(I) = VY(I) - DY * M#(J) * Mag#: VZ(I) = VZ(I) - DZ * M#(J) * Mag#
            VX(J) = VX(J) + DX * M#(I) * Mag#: VY(J) = VY(J) + DY * M#(I) * Mag#: VZ(J) = VZ(J) + DZ * M#(I) * Mag#
        NEXT J
    NEXT I
    FOR I = 1 TO NB
        X(I) = X(I) + DT * VX(I): Y(I) = Y(I) + DT * VY(I): Z(I) = Z(I) + DT * VZ(I)
    NEXT I
NEXT S&
Result& = CLNG(-E0 * 1D+08) + CLNG(-Energy# * 1D+08)
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
' Sun, Jupiter, Saturn, Uranus, Neptune: position (AU), velocity (AU a day / 365.24), mass.
DATA 0, 0, 0, 0, 0, 0, 1
DATA 4.84143144246472090D+00, -1.16032004402742839D+00, -1.03622044471123109D-01
DATA 1.66007664274403694D-03, 7.69901118419740425D-03, -6.90460016972063023D-05, 9.54791938424326609D-04
DATA 8.34336671824457987D+00, 4.12479856412430479D+00, -4.03523417114321381D-01
DATA -2.76742510726862411D-03, 4.99852801234917238D-03, 2.30417297573763929D-05, 2.85885980666130812D-04
DATA 1.28943695621391310D+01, -1.51111514016986312D+01, -2.23307578892655734D-01
DATA 2.96460137564761618D-03, 2.37847173959480950D-03, -2.96589568540237556D-05, 4.36624404335156298D-05
DATA 1.53796971148509165D+01, -2.59193146099879641D+01, 1.79258772950371181D-01
DATA 2.68067772490389322D-03, 1.62824170038242295D-03, -9.51592254519715870D-05, 5.15138902046611451D-05
FUNCTION Energy#
    E = 0
    FOR I = 1 TO NB
        E = E + .5# * M#(I) * (VX(I) * VX(I) + VY(I) * VY(I) + VZ(I) * VZ(I))
        FOR J = I + 1 TO NB
            DX = X(I) - X(J): DY = Y(I) - Y(J): DZ = Z(I) - Z(J)
            E = E - M#(I) * M#(J) / SQR(DX * DX + DY * DY + DZ * DZ)
        NEXT J
    NEXT I
    Energy# = E
END FUNCTION
