#pragma once
// SDK text boxes: one line of editable text in a rectangle of a window
// (several boxes may share a dialog window). The text is bounded; hidden
// boxes (passwords, PINs) draw one '*' per character and wipe their buffer
// when cleared or freed.
#include <X11/Xlib.h>

struct NLSFont;
struct SdkScreen;

enum { TextBoxMaxLength = 255 };

enum TextBoxKeyResult {
  TextBoxIgnored = 0,  // not a key for the box
  TextBoxChanged = 1,  // the text or the caret moved (or the key was refused at the bound)
  TextBoxEnter = 2,    // Return or Enter
  TextBoxTab = 3,      // Tab: the dialog moves the focus
};

struct TextBox {
  SdkScreen* screen;
  Window window;
  int x, y, width, height;
  NLSFont* font;
  int maxLength;
  int hidden;
  int focused;
  int caretOn;
  int length;
  int caret;  // byte index
  char text[TextBoxMaxLength + 1];
};

void TextBoxInit(TextBox* box, SdkScreen* screen, Window window, int x, int y, int width,
                 int height, NLSFont* font, int maxLength, int hidden);
// Takes at most maxLength bytes; the caret goes to the end.
void TextBoxSetContents(TextBox* box, const char* text);
const char* TextBoxGetContents(const TextBox* box);
int TextBoxKey(TextBox* box, XKeyEvent* event);
// A press inside the box puts the caret at the nearest character; 1 when inside.
int TextBoxPress(TextBox* box, const XButtonEvent* event);
// Turns the caret on and off (a dialog calls it from a timer while focused).
void TextBoxBlink(TextBox* box);
void TextBoxSetFocus(TextBox* box, int focused);
void TextBoxExpose(TextBox* box);
// Empties the box (wiping the old text) and redraws it.
void TextBoxClear(TextBox* box);
// What the box shows: the text, or one '*' per character when hidden.
int TextBoxShownText(const TextBox* box, char* buffer, int size);
