// CIRCLE: circles, ellipses, arcs and pie slices on graphics pages.
#pragma once
#include <cstdint>

// CIRCLE [STEP] (x, y), radius [, colour [, start [, end [, aspect]]]].
// passed: 1 colour, 2 start, 4 end, 8 aspect. Angles in radians, counter-clockwise from the
// right; a negative angle also draws the radius line from the centre to that end of the arc.
// An angle up to 2pi as rounded to single precision counts as 2pi. A stop request
// (stop_program) ends the drawing early.
void sub_circle(int32_t step, double x, double y, double radius, uint32_t colour, double start,
                double end, double aspect, int32_t passed);
