// Turns the visible page into window pixels: text renderer, palette and 32-bit pages,
// change caches, full-screen cycling.
#pragma once
#include <SDL/SDL.h>
#include <atomic>
#include <cstdint>

struct img_struct;

extern SDL_Surface *display_surface;
extern uint32_t *display_surface_offset;
extern int display_x_monitor, display_y_monitor, display_x_offset, display_y_offset;
extern int display_x_scale, display_y_scale;
extern std::atomic<int> full_screen, full_screen_set;   // read by the game thread too
extern std::atomic<int> full_screen_toggle;
extern uint32_t display_frame;
extern int screen_last_valid;
extern uint32_t pal_mode10[2][9];

struct mode_rect { int16_t x, y; uint16_t w, h; };
extern mode_rect *display_modes;
extern int display_nmodes, display_anymode;
extern uint32_t display_updates;             // window updates pushed so far (SDL_UpdateRect)
extern int mouseinput_ignoremovement;        // pointer moves still to be ignored after a mode switch
extern int mouse_hideshow_called;            // set by _MOUSEHIDE/_MOUSESHOW: the refresh leaves the pointer alone

// Held while the main thread reads page memory that the game thread may be drawing.
struct display_page_reader {
  display_page_reader();
  ~display_page_reader();
};

int display();
// _DISPLAY: hands the visible page over as the next frame and turns automatic refresh off;
// the main thread shows it on its next pass, the caller does not wait for that.
void sub__display();
// Game thread: copies the visible page as it stands (cells or pixels, palette, cursor) and
// hands the copy to the main thread as the newest frame to show while autodisplay is off.
void display_hand_frame();
// Frames handed so far, and the last one the window showed (frames are numbered from 1).
uint32_t display_frames_handed();
uint32_t display_frames_shown();
// Drops the handed frames: with autodisplay off, the visible page is shown again (tests).
void display_forget_frames();
// Main thread: what the window shows, the newest handed frame while autodisplay is off, else
// the visible page. Screen dumps read it.
img_struct *display_shown_page();
// Main loop, on the passes without a refresh: answers the page-rebuild handshake, serves a
// refresh asked for by _FULLSCREEN while autodisplay is off, and shows a frame handed by
// _DISPLAY (or the last one again, over a closed box or after Alt+Enter).
void display_serve_requests();
void sub__autodisplay();
void sub__fullscreen(int32_t kind);
int32_t func__fullscreen();

// Pure pieces, testable without a window.
// Picks the stretch and square modes for a page of w x h pixels; -1 where none fits.
void display_choose_modes(const mode_rect *list, int n, int w, int h, int *stretch, int *square);
// Renders the visible text page into a 32-bit buffer (pitch in pixels); returns the count
// of cells redrawn. Used by display() and by tests.
int display_render_text(uint32_t *dest, int pitch, int xoff, int yoff);
// Forgets what was drawn, so the next refresh redraws everything.
void display_invalidate();
// Rows of a text cell of the given height covered by the cursor shape s..e (scan lines),
// in drawing order; returns how many were stored in rows (room for height entries).
int display_cursor_rows(int s, int e, int height, int *rows);
// The arrow pointer as SDL cursor bits (32 x 32, 4 bytes a row) and its hot spot.
void display_cursor_bits(uint8_t data[128], uint8_t mask[128], int *hot_x, int *hot_y);
// Builds the arrow pointer and makes it the current cursor (start-up, after SDL_Init).
void display_make_cursor();
// The visible page as 0x00RRGGBB pixels at its own size, independent of the window:
// text pages through their font with blinking cells shown lit and no cursor, SCREEN 10
// in its first phase. Sets *w and *h to the page's pixel size and fills out (w * h
// pixels) when out is not null. Returns false when there is no page to show.
bool display_screen_rgb(uint32_t *out, int *w, int *h);

// Announced when a mode switch or full-screen change has set a new video mode: the pointer's
// moves it caused are not the user's (the mouse layer registers its flush).
extern void (*display_mode_switched)();
