#pragma once
// The root of the area tree: every screen position belongs to one area, a
// field or the output area (the positions that no field owns). Every key,
// mouse event and AID reaches the current area through these operations, in
// this slot order; the field operations follow in Field.
class DisplayBag;
class DataKeystroke;
class Field;

class AreaOfScreen {
 public:
  // Operator error numbers the default operations raise.
  static constexpr unsigned int kErrorNotInField = 5;

  virtual void settleCursor(DisplayBag* d);                                       // 0
  virtual unsigned int adjustCursorOffset(DisplayBag* d, unsigned int offset);    // 1
  virtual int asdKey(DisplayBag* d, unsigned int key);                            // 2
  virtual int characterAdvance(DisplayBag* d);                                    // 3
  virtual int characterBackspace(DisplayBag* d);                                  // 4
  virtual int close(DisplayBag* d);                                               // 5
  virtual int cursorDown(DisplayBag* d);                                          // 6
  virtual int cursorLeft(DisplayBag* d, unsigned int count);                      // 7
  virtual int cursorRight(DisplayBag* d, unsigned int count);                     // 8
  virtual int cursorSelect(DisplayBag* d);                                        // 9
  virtual int cursorUp(DisplayBag* d);                                            // 10
  virtual int cut(DisplayBag* d, unsigned int start, unsigned int rows,
                  unsigned int width);                                            // 11
  virtual int dataKey(DisplayBag* d, DataKeystroke* key);                         // 12
  virtual int deleteKey(DisplayBag* d);                                           // 13
  virtual unsigned int determinePollType(DisplayBag* d);                          // 14
  virtual int dup(DisplayBag* d);                                                 // 15
  virtual int endKey(DisplayBag* d, unsigned int how);                            // 16
  virtual int enter(DisplayBag* d);                                               // 17
  virtual int isUnavailableAt(unsigned int offset, AreaOfScreen* from);           // 18
  // The cursor reaches `offset` moving left (right); the next offset to try,
  // or -1 when the move is done.
  virtual int enterMovingLeft(DisplayBag* d, unsigned int offset);                // 19
  virtual int enterMovingRight(DisplayBag* d, unsigned int offset);               // 20
  virtual int enterAtOffset(DisplayBag* d, unsigned int offset);                  // 21
  virtual unsigned int getEntryOffset(DisplayBag* d);                             // 22
  virtual int eraseEOF(DisplayBag* d);                                            // 23
  // The cursor enters the area (at `offset`); 0 = accepted.
  virtual int enterArea(DisplayBag* d, unsigned int offset);                      // 24
  virtual int fieldAdvance(DisplayBag* d);                                        // 25
  virtual int fieldBackspace(DisplayBag* d);                                      // 26
  virtual int fieldExit(DisplayBag* d);                                           // 27
  virtual int fieldMark(DisplayBag* d);                                           // 28
  virtual int fieldMinus(DisplayBag* d);                                          // 29
  virtual int gainFocus(DisplayBag* d) = 0;                                       // 30
  // The input field that New Line reaches from `offset` (null: none).
  virtual Field* findNextFieldForward(DisplayBag* d, unsigned int offset);        // 31
  virtual int goHome(DisplayBag* d);                                              // 32
  virtual int home(DisplayBag* d);                                                // 33
  virtual int ownsOffset(unsigned int offset);                                    // 34
  virtual int isEntryField();                                                     // 35
  virtual int isInputCapableAt(unsigned int offset);                              // 36
  virtual int isWordWrap();                                                       // 37
  virtual int mouseClick(DisplayBag* d, unsigned int offset);                     // 38
  virtual void lightPenWrite(DisplayBag* d);                                      // 39
  virtual void lightPenPosition(DisplayBag* d, unsigned int offset);              // 40
  virtual void loseFocus(DisplayBag* d) = 0;                                      // 41
  virtual int newline(DisplayBag* d);                                             // 42
  virtual int pasteCharacter(DisplayBag* d, unsigned char c);                     // 43
  virtual void positionCursor(DisplayBag* d);                                     // 44
  virtual void choiceHook45(DisplayBag* d);                                       // 45
  virtual int reverse(DisplayBag* d);                                             // 46
  virtual void toggleCursorDirection(DisplayBag* d);                              // 47
  virtual int areaHook48(DisplayBag* d, unsigned int offset);                     // 48
  virtual void setCursorDirectionIndicator(DisplayBag* d);                        // 49
  virtual unsigned int mirrorOffset(unsigned int offset);                         // 50
  virtual int interruptShaping(DisplayBag* d);                                    // 51
  virtual int checkBeforeAid(DisplayBag* d, unsigned char aid);                   // 52
  // The Reset key in the normal state, after insert mode ended: nothing.
  virtual void resetKey(DisplayBag* d);

  // Whether the marked range (start, rows, width) may be cut out of this
  // area: only an input field may lose data.
  int isCutAllowed(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width);

 protected:
  AreaOfScreen() = default;
  ~AreaOfScreen() = default;
  // Raises operator error `code` on the station; returns it.
  static int raise(DisplayBag* d, unsigned int code);
};

// The positions that no field owns.
class OutputArea : public AreaOfScreen {
 public:
  int gainFocus(DisplayBag* d) override;
  void loseFocus(DisplayBag* d) override;
  int areaHook48(DisplayBag* d, unsigned int offset) override;
};
