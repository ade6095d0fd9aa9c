// The message box's picture, which the display layer draws for the platform layer.
#pragma once
#include <SDL/SDL.h>
#include <vector>
#include "platform.h"

// Draws a message box over the window's frame (the platform layer's box picture): caption,
// text and buttons, filling in the buttons' rectangles.
void display_draw_msgbox(SDL_Surface *s, const char *caption, const char *text,
                         std::vector<platform_msgbox_button> &buttons);
