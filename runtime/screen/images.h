// Images and pages: the image and page tables, screen modes with their defaults,
// SCREEN, COLOR, PALETTE, WIDTH and PCOPY.
#pragma once
#include <cstdint>

struct img_struct {
  uint8_t in_use;
  uint8_t is_text;
  uint16_t width, height;          // pixels, or columns and rows on a text page
  uint8_t bytes_per_pixel;
  uint8_t bits_per_pixel;
  uint32_t mask;
  uint16_t screen_mode;            // 0 text, 1, 2, 7 ... 13, 32, 256
  uint32_t color;
  uint32_t background_color;
  uint32_t draw_color;
  uint32_t font;
  int16_t top_row, bottom_row;
  int16_t cursor_x, cursor_y;
  uint8_t cursor_show, cursor_first, cursor_last;
  uint8_t *pixels;
  uint32_t flags;                  // img_own_palette | img_screen_page | img_own_pixels
  uint32_t *palette;
  int32_t transparent_color;
  uint8_t alpha_disabled;
  uint8_t holding_cursor;
  uint8_t print_mode;              // 1 foreground, 2 background, 3 both
  // graphics state carried to a new active page: view_x1 ... draw_scale
  int32_t view_x1, view_y1, view_x2, view_y2;
  int32_t view_offset_x, view_offset_y;
  float graphics_x, graphics_y;
  uint8_t coord_mode;              // 0 none, 1 VIEW, 2 WINDOW
  float scale_x, scale_y, scale_offset_x, scale_offset_y;
  float window_x1, window_y1, window_x2, window_y2;
  double draw_angle, draw_scale;
};

constexpr uint32_t img_own_palette = 1, img_screen_page = 2, img_own_pixels = 4;

extern img_struct *img;
extern uint32_t nimg, nextimg;
extern uint32_t *fimg;
extern uint32_t nfimg;
extern int32_t lastfimg;

extern uint32_t *img_page;              // page number -> image slot (0: not made yet)
extern uint32_t img_pages;              // entries in img_page
extern int32_t display_page_index, write_page_index, read_page_index;
extern img_struct *display_page, *write_page, *read_page;
extern int sub_screen_keep_page0;
extern int width8050switch;
extern int32_t sub_screen_width_in_characters, sub_screen_height_in_characters, sub_screen_font;

extern uint8_t fontwidth[1024], fontheight[1024], fontflags[1024];
extern uint8_t charset8x8[16384], charset8x16[32768];
extern uint32_t palette_256[256], palette_64[64];

// Announced when SCREEN has built a new page 0, so whatever shows pages draws it whole (the
// display registers).
extern void (*images_page_rebuilt)();

void images_init();                // tables, fonts and palettes (start-up)
void images_free_program_images(); // CLEAR: every image that is not a screen page
uint32_t newimg();
int freeimg(uint32_t slot);
uint32_t imgframe(uint8_t *data, int32_t w, int32_t h, int32_t mode);
uint32_t imgnew(int32_t w, int32_t h, int32_t mode);
void imgrevert(uint32_t slot);
void validatepage(int32_t n);
void kelg_screen(int32_t mode, int32_t colorswitch, int32_t active, int32_t visual, int32_t refresh, int32_t passed);
void kelg_sub_color(uint32_t fg, uint32_t bg, uint32_t border, int32_t passed);
void kelg_palette(uint32_t attribute, uint32_t colour, int32_t passed);
void defaultcolors();
void restorepalette(img_struct *im);
int selectfont(int32_t f, img_struct *im);
void kelsub_width(int32_t file, int32_t columns, int32_t rows, int32_t passed);
void sub_pcopy(int32_t src, int32_t dst);

// Text rows and columns of an image, as PRINT and LOCATE count them.
int img_rows(const img_struct *im);
int img_columns(const img_struct *im);
