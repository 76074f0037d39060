// A window for benchmarks and headless tests that takes everything handed
// to it, draws nothing and counts the cells written to it.
#pragma once

#include "xfront/RenderingWindow.h"

class CountingWindow : public RenderingWindow {
 public:
  unsigned long cells = 0;
  void x_write(int, const unsigned char*, const unsigned short*, int len, char) override {
    cells += static_cast<unsigned long>(len);
  }
  void x_clear() override {}
  void x_set_rows_columns(int, int) override {}
  void x_cursor(int) override {}
  void x_set_cursor_plane(PlaneNumber) override {}
  void x_set_shadow_cursor_row(unsigned int) override {}
  void x_set_text_symbols_display_plane(PlaneNumber) override {}
  void x_set_cursor_blink(int) override {}
  void x_hide_cursor(unsigned int) override {}
  void x_set_text_symbols_display_on_whole_screen(unsigned int) override {}
  void x_set_reset_text_symbols_display(unsigned int) override {}
  void x_set_reset_enptui_symbols_display(unsigned int) override {}
  void x_ding(unsigned int) override {}
  void x_sys(int) override {}
  void x_inserting(unsigned int) override {}
  void x_msgWait(int) override {}
  void x_typeahead(unsigned int) override {}
  void x_capslock(unsigned int) override {}
  void x_shiftkey(unsigned int) override {}
  void x_lang_shift(unsigned int) override {}
  void x_diacritic(unsigned int) override {}
  void x_rtlcursor(unsigned int) override {}
  void x_rtlscreen(unsigned int) override {}
  void x_draw_pushbutton(unsigned int, unsigned int, char, char) override {}
  void x_erase_pushbutton(unsigned int, unsigned int) override {}
  void x_copy_button(unsigned int) override {}
  void x_cut_button(unsigned int) override {}
  void x_paste_button(unsigned int) override {}
  void x_popup_edit_menu() override {}
  void x_copy(CopiedDataInformation*) override {}
  void x_get_copied_data(CopiedDataInformation*, unsigned int) override {}
  void defineLine(DRAW_LINE_METHOD, int, int, int) override {}
  void drawMarkingLines(int) override {}
  void unmarkText() override {}
  bool ruleLineShown() const override { return false; }
  void drawRuleLine() override {}
};
