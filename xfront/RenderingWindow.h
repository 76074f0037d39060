#pragma once
// What the X display device asks of the session window. The device keeps
// the shadow planes and works out display characters and attributes; the
// window keeps its screen copy, the dirty range and everything X. The
// session window implements this; tests give the device a recording one.
// No X types here: the engine's side includes it.
#include "display/PlaneNumber.h"

class CopiedDataInformation;

// Sides of a marking-line segment.
enum DRAW_LINE_METHOD : int { kLineTop = 0, kLineBottom = 1, kLineLeft = 2, kLineRight = 3 };

class RenderingWindow {
 public:
  virtual ~RenderingWindow() = default;

  // Screen copy and repaint requests.
  virtual void x_write(int pos, const unsigned char* chars, const unsigned short* attrs, int len,
                       char perCellAttrs) = 0;
  virtual void x_clear() = 0;
  virtual void x_set_rows_columns(int rows, int columns) = 0;

  // Cursor and display switches.
  virtual void x_cursor(int pos) = 0;
  virtual void x_set_cursor_plane(PlaneNumber plane) = 0;
  virtual void x_set_shadow_cursor_row(unsigned int row) = 0;
  virtual void x_set_text_symbols_display_plane(PlaneNumber plane) = 0;
  virtual void x_set_cursor_blink(int on) = 0;
  virtual void x_hide_cursor(unsigned int hide) = 0;
  virtual void x_set_text_symbols_display_on_whole_screen(unsigned int on) = 0;
  virtual void x_set_reset_text_symbols_display(unsigned int on) = 0;
  virtual void x_set_reset_enptui_symbols_display(unsigned int on) = 0;
  virtual void x_ding(unsigned int later) = 0;
  // A burst of host records begins (true) or ends: the window may keep the
  // X side of its status line until the end, when the last state shows.
  virtual void x_hold_updates(bool /*hold*/) {}

  // Status-line indicators.
  virtual void x_sys(int on) = 0;
  virtual void x_inserting(unsigned int on) = 0;
  virtual void x_msgWait(int on) = 0;
  virtual void x_typeahead(unsigned int on) = 0;
  virtual void x_capslock(unsigned int on) = 0;
  virtual void x_shiftkey(unsigned int on) = 0;
  virtual void x_lang_shift(unsigned int on) = 0;
  virtual void x_diacritic(unsigned int on) = 0;
  virtual void x_rtlcursor(unsigned int on) = 0;
  virtual void x_rtlscreen(unsigned int on) = 0;

  // Push buttons, edit menu and clipboard.
  virtual void x_draw_pushbutton(unsigned int pos, unsigned int len, char highlighted, char hotSpot) = 0;
  virtual void x_erase_pushbutton(unsigned int pos, unsigned int len) = 0;
  virtual void x_copy_button(unsigned int on) = 0;
  virtual void x_cut_button(unsigned int on) = 0;
  virtual void x_paste_button(unsigned int on) = 0;
  virtual void x_popup_edit_menu() = 0;
  virtual void x_copy(CopiedDataInformation* info) = 0;
  virtual void x_get_copied_data(CopiedDataInformation* info, unsigned int offset) = 0;

  // Marking lines and the rule line.
  virtual void defineLine(DRAW_LINE_METHOD side, int from, int to, int number) = 0;
  virtual void drawMarkingLines(int count) = 0;
  virtual void unmarkText() = 0;
  virtual bool ruleLineShown() const = 0;
  virtual void drawRuleLine() = 0;
};
