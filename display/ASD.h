#pragma once
// Arabic and Farsi shaping of a display station. Text is held as
// single-byte EBCDIC code points, one shape of a letter per code point; the
// shaper keeps each letter in its isolated, initial, middle or final shape
// as the operator types, inserts, replaces and deletes, and the shape keys
// force a shape for the following characters. It edits through an ASDInfo
// (an entry field) and reads the character at the display cursor.
class ASDInfo;
class DisplayBag;
class qrnOStream;
class qrnIStream;

class ASD {
 public:
  enum : unsigned int { kNoLanguage = 0, kArabic = 1, kFarsi = 2 };
  // States: 0 off, 1 nothing joins the next character, 2-6 the kind of
  // character before the cursor, 7-11 a forced shape.
  enum : unsigned int {
    kOff = 0, kNoJoin = 1, kJoinsInitial = 2, kSeenInitial = 3, kLamFirst = 4, kLamJoined = 5,
    kJoinsMiddle = 6, kForceBase = 7, kForceInitial = 8, kForceMiddle = 9, kForceFinal = 10,
    kForceFarsiBase = 11,
  };
  // Result of an edit that has no room for the shapes it needs.
  static constexpr int kScreenFull = 90;
  static constexpr int kNoRoom = 12;

  ASD(DisplayBag* display, unsigned int language);

  void setASDLanguage(unsigned int language);
  unsigned int language() const { return language_; }
  void initializeASD();
  unsigned int state() const { return state_; }
  // The cursor stands after the last character of a full text.
  bool afterText() const { return pastEnd_; }
  bool shapeForced() const { return state_ >= kForceBase && state_ <= kForceFarsiBase; }

  // The language's shape table: groups of a class number (below 0x40)
  // followed by the code points of that class.
  const unsigned char* shapeTable(unsigned int& size) const {
    size = tableSize_;
    return table_;
  }
  // Shape classes and shapes of the language's table.
  unsigned int classifyCharacter(unsigned char c) const;
  unsigned char fetchCorrespondingCharacter(unsigned char c, unsigned int target) const;
  unsigned char getBaseShape(unsigned char c) const;
  unsigned char getInitialShape(unsigned char c) const;
  unsigned char getMiddleShape(unsigned char c) const;
  unsigned char getFinalShape(unsigned char c) const;
  unsigned char getBaseFarsiShape(unsigned char c) const;
  unsigned char getKeyboardShape(unsigned char c) const;
  unsigned char translateDigit(unsigned char c) const;
  // The character at the cursor: 0xFF while interrupted or past the end of
  // the text.
  unsigned char readCharacter() const;

  // Editing. 0, or the operator error of an edit that does not fit (the
  // caller then puts the text back as it was).
  int insertLogicalCharacter(ASDInfo& info, unsigned char c);
  int replaceLogicalCharacter(ASDInfo& info, unsigned char c, unsigned int& interrupted);
  int deleteLogicalCharacter(ASDInfo& info);
  // Ends the shaping run at the cursor: the word before it takes its final
  // shapes (type 1), or the characters after it are reshaped (type 2).
  int interruptASDType1(ASDInfo& info, unsigned int keep, unsigned int& interrupted);
  int interruptASDType2(ASDInfo& info, unsigned int advance);

  void moveCursor(ASDInfo& info, unsigned int offset);
  void advanceCursor(ASDInfo& info);
  void backUpCursor(ASDInfo& info);

  // Shape keys: 0, or kNoRoom when the text after the cursor could not
  // take the shapes it needs.
  int baseKey(ASDInfo& info) { return key(info, kForceBase); }
  int initialKey(ASDInfo& info) { return key(info, kForceInitial); }
  int middleKey(ASDInfo& info) { return key(info, kForceMiddle); }
  int finalKey(ASDInfo& info) { return key(info, kForceFinal); }
  int farsiBaseKey(ASDInfo& info) { return key(info, kForceFarsiBase); }

  void saveASD(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreASD(qrnIStream* in);

  DisplayBag* display() const { return display_; }

 private:
  bool farsi() const { return language_ == kFarsi; }
  unsigned char shapeBy(const unsigned char* map, unsigned int entries, unsigned char c) const;
  bool isVowel(unsigned char c) const;
  bool isTail(unsigned char c) const;
  unsigned int cursorOffset() const;
  void writeAtCursor(unsigned char c);
  // Moves within the text; the position after the last character counts.
  bool back(ASDInfo& info);
  // Steps back over vowel marks to the letter before them (counting both);
  // false when the field's start comes first.
  bool backToLetter(ASDInfo& info, unsigned char& letter, unsigned int& vowels, unsigned int& steps);
  void forward(ASDInfo& info);
  // The shaping state is kept for the cursor position where it was made.
  void checkPosition();
  void notePosition();
  int shapeCharacter(ASDInfo& info, unsigned char& c, bool typed, unsigned int& added);
  int endPrecedingWord(ASDInfo& info, bool typed, unsigned int& added, bool mustFit);
  int reshapeSucceedingCharacters(ASDInfo& info, unsigned int advance);
  void resumeASD(ASDInfo& info);
  void rewriteVowels(ASDInfo& info, unsigned int count);
  int key(ASDInfo& info, unsigned int forced);
  unsigned char forcedShape(unsigned char c) const;

  DisplayBag* display_;
  unsigned int language_;
  const unsigned char* table_ = nullptr;
  unsigned int tableSize_ = 0;
  // Per class: the class and state taken when shaping resumes.
  const unsigned char (*properties_)[2] = nullptr;
  unsigned char state_ = 0;
  unsigned char interrupt1_ = 0;
  unsigned char interrupt2_ = 0;
  // The cursor stands after the last character of a full text.
  bool pastEnd_ = false;
  unsigned int stateAt_ = 0;
};
