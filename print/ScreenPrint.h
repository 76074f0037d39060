#pragma once
// The screen-print builders: the current screen of a session as a
// PostScript, plain printer-code (ASCII) or PCL job. Field attributes are
// honoured (non-display fields print as blanks, underline and high
// intensity become printer commands) and, with a copy mark, only the marked
// area is printed.
#include <string>

#include "print/PrintData.h"
#include "print/PrinterDefTable.h"

class OutDataStream;

// What the builders read of the session: the screen, plane by plane.
struct PrintScreen {
  int rows = 24;
  int columns = 80;
  const unsigned char* ebcdic = nullptr;       // presentation space (plane 0), rows x columns
  const unsigned char* local = nullptr;        // the screen text in the local code set
  const unsigned short* attributes = nullptr;  // display attribute words (0x80: underlined)
  bool enptuiSymbols = false;                  // control codes show as symbols
  // The copy mark (positions 0-based, rows and columns 1-based).
  bool marked = false;
  bool block = false;
  unsigned from = 0, fromRow = 0, fromColumn = 0;
  unsigned to = 0, toRow = 0, toColumn = 0;
};

struct ScreenPrintOptions {
  unsigned char orientation = 1;  // 1 portrait, 2 landscape
  unsigned char formFeed = 1;     // 1 yes, 2 no
  int pdtOption = 0;              // non-zero: look for the printer's definition file
  std::string codeSet;            // the session's local code set ("ISO8859-1", ...)
  int euro = 0;
  std::string description;        // the printer's description (definition table key)
  std::string pdtDirectory;       // empty: the system's folder
};

class ScreenPrintBuilder {
 public:
  // Byte classes of the presentation space.
  enum CharType { NullChar = 0, ControlCode = 1, FieldAttribute = 2, Character = 3 };
  struct Attributes {
    bool nonDisplay = false, underline = false, bold = false;
  };
  struct PrintCmds {
    bool beginUnderline = false, endUnderline = false, beginBold = false, endBold = false, blank = false;
  };

  ScreenPrintBuilder(const PrintScreen& screen, const ScreenPrintOptions& options);

  PrintData buildPostscriptData();
  PrintData buildAsciiData();
  PrintData buildPCLData();

  static CharType getCharType(unsigned char byte);
  static Attributes getAttributes(unsigned char byte);
  void initTrimPrint();
  bool checkForTrimPrint(unsigned position) const;
  PrintCmds getPrintCmds(unsigned char byte, unsigned position);

  // The PostScript font size for the screen's columns: the standard size
  // when the line fits between the margins, smaller when it would not.
  static double PostscriptFontSize(int columns, unsigned char orientation);

 private:
  // One pass of a job into ds; false when the stream ran out of room.
  bool writePostscript(OutDataStream& ds, const PrinterDefTable& table);
  bool writeText(OutDataStream& ds, const PrinterDefTable& table, PRINT_FORMAT format);
  bool writePosition(OutDataStream& ds, const PrinterDefTable& table, PRINT_FORMAT format, unsigned position);
  template <typename Pass>
  PrintData buildTwice(PRINT_FORMAT format, Pass pass);
  unsigned char glyphOf(unsigned char controlCode) const;

  PrintScreen screen_;
  ScreenPrintOptions options_;
  // Running state of the walk.
  Attributes field_;
  bool fieldStarted_ = false;
  bool underlineActive_ = false;
};
