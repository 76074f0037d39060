#include "print/ScreenPrint.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/LocalMalloc.h"
#include "print/OutDataStream.h"

namespace {

// Symbols of the control codes 0x00-0x1F when the session shows them.
const char kControlGlyphs[] = " AV< >:.. :..:    :.././ *:-**  ";
static_assert(sizeof kControlGlyphs == 33, "one glyph per control code");

// Standard PostScript font sizes and the room for a line: 0.75 inch margins
// on an 8.5 x 11 inch page; Courier is 0.6 of its size wide.
constexpr double kPortraitFontSize = 10.0;
constexpr double kLandscapeFontSize = 8.0;
constexpr double kPortraitLineWidth = 8.5 * 72 - 2 * 54;
constexpr double kLandscapeLineWidth = 11.0 * 72 - 2 * 54;
constexpr double kCourierAdvance = 0.6;

// The PCL fonts and horizontal motion indexes: 12 pitch, or 16.7 pitch for
// landscape and for screens wider than 80 columns.
const char kPclPortraitFont[] = "\x1B(s0p00012h0s0b003T";
const char kPclNarrowFont[] = "\x1B(s0p016.7h0s0b003T";
const char kPclPortraitHmi[] = "\x1B&k00010H";
const char kPclNarrowHmi[] = "\x1B&k00007H";

bool Put(OutDataStream& ds, const char* s) { return ds.copyString(s) == OutDataStream::Done; }

}  // namespace

ScreenPrintBuilder::ScreenPrintBuilder(const PrintScreen& screen, const ScreenPrintOptions& options)
    : screen_(screen), options_(options) {}

ScreenPrintBuilder::CharType ScreenPrintBuilder::getCharType(unsigned char byte) {
  if (byte == 0) return NullChar;
  if (byte < 0x20) return ControlCode;
  if (byte < 0x40) return FieldAttribute;
  return Character;
}

ScreenPrintBuilder::Attributes ScreenPrintBuilder::getAttributes(unsigned char byte) {
  Attributes a;
  if (getCharType(byte) != FieldAttribute) return a;
  if ((byte & 0x07) == 0x07) {
    a.nonDisplay = true;
    return a;
  }
  a.underline = (byte & 0x04) != 0;
  a.bold = byte == 0x22 || byte == 0x23 || byte == 0x26;
  return a;
}

void ScreenPrintBuilder::initTrimPrint() {
  field_ = Attributes{};
  fieldStarted_ = false;
  underlineActive_ = false;
}

bool ScreenPrintBuilder::checkForTrimPrint(unsigned position) const {
  if (!screen_.marked) return true;
  const unsigned lo = std::min(screen_.from, screen_.to), hi = std::max(screen_.from, screen_.to);
  if (position < lo || position > hi) return false;
  if (!screen_.block) return true;
  const unsigned column = position % static_cast<unsigned>(screen_.columns) + 1;
  const unsigned c0 = std::min(screen_.fromColumn, screen_.toColumn), c1 = std::max(screen_.fromColumn, screen_.toColumn);
  return column >= c0 && column <= c1;
}

ScreenPrintBuilder::PrintCmds ScreenPrintBuilder::getPrintCmds(unsigned char byte, unsigned position) {
  PrintCmds c;
  const unsigned cells = static_cast<unsigned>(screen_.rows * screen_.columns);
  const bool closing = position >= cells;
  const bool attribute = !closing && getCharType(byte) == FieldAttribute;
  if (!checkForTrimPrint(position)) {
    if (underlineActive_) c.endUnderline = true;
    if (fieldStarted_) c.endBold = true;
    underlineActive_ = false;
    fieldStarted_ = false;
    c.blank = true;
    if (attribute) field_ = getAttributes(byte);
    return c;
  }
  if ((attribute || closing) && fieldStarted_) {
    c.endBold = true;
    fieldStarted_ = false;
    field_.bold = false;
  }
  const bool underlined = !closing && (screen_.attributes[position] & 0x80) != 0;
  if (underlined) {
    if (!underlineActive_) c.beginUnderline = true;
    underlineActive_ = true;
  } else if (underlineActive_) {
    c.endUnderline = true;
    underlineActive_ = false;
  }
  if (attribute) {
    field_ = getAttributes(byte);
    fieldStarted_ = false;
  }
  if (!fieldStarted_) {
    if (field_.bold) c.beginBold = true;
    fieldStarted_ = true;
  }
  c.blank = !(!field_.nonDisplay && byte != 0 && !attribute);
  return c;
}

unsigned char ScreenPrintBuilder::glyphOf(unsigned char code) const {
  if (screen_.enptuiSymbols) return static_cast<unsigned char>(kControlGlyphs[code & 0x1F]);
  return code == 0x1C ? '*' : ' ';
}

double ScreenPrintBuilder::PostscriptFontSize(int columns, unsigned char orientation) {
  const bool landscape = orientation == 2;
  const double standard = landscape ? kLandscapeFontSize : kPortraitFontSize;
  const double room = landscape ? kLandscapeLineWidth : kPortraitLineWidth;
  if (columns <= 0) return standard;
  const double fitting = room / (columns * kCourierAdvance);
  return fitting < standard ? fitting : standard;
}

template <typename Pass>
PrintData ScreenPrintBuilder::buildTwice(PRINT_FORMAT format, Pass pass) {
  PrintData result;
  if (!screen_.ebcdic || !screen_.local || !screen_.attributes || screen_.rows <= 0 || screen_.columns <= 0)
    return result;
  PrinterDefTable table(options_.pdtOption);
  if (!options_.pdtDirectory.empty()) table.setDirectory(options_.pdtDirectory);
  table.loadAsciiCodePage(options_.codeSet.c_str(), options_.euro, format);
  table.getPrinterDefTable(options_.description.c_str(), format);

  OutDataStream ds;
  ds.setupDsBuffForCount();
  pass(ds, table);
  const std::size_t counted = ds.length();
  if (counted == 0 || counted > 0xFFFFFFFFu) return result;
  ds.setupDsBuff(static_cast<unsigned>(counted));
  if (!ds.getDsBuffPtr()) return result;
  if (!pass(ds, table) || ds.length() != counted) return result;
  auto* out = static_cast<unsigned char*>(LocalMalloc("screen print buffer", counted, MallocFailLowMemoryDialog));
  if (!out) return result;
  std::memcpy(out, ds.getDsBuffPtr(), counted);
  result.bytes.reset(out);
  result.size = static_cast<unsigned>(counted);
  return result;
}

PrintData ScreenPrintBuilder::buildPostscriptData() {
  return buildTwice(PRINT_FORMAT_POSTSCRIPT,
                    [this](OutDataStream& ds, const PrinterDefTable& t) { return writePostscript(ds, t); });
}

PrintData ScreenPrintBuilder::buildAsciiData() {
  return buildTwice(PRINT_FORMAT_ASCII,
                    [this](OutDataStream& ds, const PrinterDefTable& t) { return writeText(ds, t, PRINT_FORMAT_ASCII); });
}

PrintData ScreenPrintBuilder::buildPCLData() {
  return buildTwice(PRINT_FORMAT_PCL,
                    [this](OutDataStream& ds, const PrinterDefTable& t) { return writeText(ds, t, PRINT_FORMAT_PCL); });
}

bool ScreenPrintBuilder::writePosition(OutDataStream& ds, const PrinterDefTable& table, PRINT_FORMAT format,
                                       unsigned position) {
  const unsigned cells = static_cast<unsigned>(screen_.rows * screen_.columns);
  const bool closing = position >= cells;
  const unsigned char byte = closing ? 0 : screen_.ebcdic[position];
  const PrintCmds c = getPrintCmds(byte, position);
  auto command = [&](unsigned short id) { return table.loadFromPDF(&ds, id) != 2; };
  auto beginUnderline = [&]() {
    if (format == PRINT_FORMAT_PCL && !table.fileInUse()) return Put(ds, "\x1B&d0D");
    return command(pdt::START_HIGHLIGHT_UNDERLINE);
  };
  if (c.endUnderline && !command(pdt::END_HIGHLIGHT_UNDERLINE)) return false;
  if (c.endBold && !command(pdt::END_HIGHLIGHT_INTENSE)) return false;
  if (closing) return true;
  const CharType type = getCharType(byte);
  const bool attribute = type == FieldAttribute;
  if (!attribute) {
    if (c.beginUnderline && !beginUnderline()) return false;
    if (c.beginBold && !command(pdt::START_HIGHLIGHT_INTENSE)) return false;
  }
  unsigned short code = ' ';
  if (!c.blank) code = type == ControlCode ? glyphOf(byte) : screen_.local[position];
  if (table.loadFromCharDef(&ds, code) == 2) return false;
  if (attribute) {
    if (c.beginUnderline && !beginUnderline()) return false;
    if (c.beginBold && !command(pdt::START_HIGHLIGHT_INTENSE)) return false;
  }
  return true;
}

bool ScreenPrintBuilder::writeText(OutDataStream& ds, const PrinterDefTable& table, PRINT_FORMAT format) {
  auto command = [&](unsigned short id) { return table.loadFromPDF(&ds, id) != 2; };
  if (format == PRINT_FORMAT_PCL) {
    const bool landscape = options_.orientation == 2;
    const bool narrow = landscape || screen_.columns > 80;
    for (const char* s : {"\x1B\x45", "\x1B\x39", "\x1B&l3E", "\x1B&a6L", "\x1B&l0L", landscape ? "\x1B&l1O" : "\x1B&l0O",
                          "\x1B&k0G", narrow ? kPclNarrowFont : kPclPortraitFont, narrow ? kPclNarrowHmi : kPclPortraitHmi,
                          "\x1B&l6D", "\x1B(s12V"})
      if (!Put(ds, s)) return false;
  }
  if (!command(pdt::START_JOB)) return false;
  initTrimPrint();
  const unsigned cells = static_cast<unsigned>(screen_.rows * screen_.columns);
  for (unsigned pos = 0; pos < cells; ++pos) {
    if (!writePosition(ds, table, format, pos)) return false;
    if ((pos + 1) % static_cast<unsigned>(screen_.columns) == 0) {
      if (!command(pdt::CARRIAGE_RETURN) || !command(pdt::LINE_FEED)) return false;
    }
  }
  if (!writePosition(ds, table, format, cells)) return false;
  if (options_.formFeed == 1 && !command(pdt::FORM_FEED)) return false;
  if (format == PRINT_FORMAT_ASCII || table.fileInUse()) {
    if (!command(pdt::END_JOB)) return false;
  }
  return true;
}

bool ScreenPrintBuilder::writePostscript(OutDataStream& ds, const PrinterDefTable&) {
  static const char* const kPrologue[] = {
      "%!PS-Adobe\n",
      "/inch {72 mul} def\n",
      "/newline { /vpos vpos 12 sub def 0.75 inch vpos moveto } def\n",
      "/top_of_page {  0.75 inch vpos moveto  } def\n",
      "/begin_ul { currentpoint /b_ul_y exch def /b_ul_x exch def } def\n",
      ("/end_ul { currentpoint /e_ul_y exch def /e_ul_x exch def newpath b_ul_x b_ul_y 2 sub moveto e_ul_x e_ul_y 2 "
       "sub lineto stroke newpath e_ul_x e_ul_y moveto } def\n"),
      "/Courier findfont\n",
      "dup length dict begin\n",
      "{1 index /FID ne {def} {pop pop} ifelse} forall\n",
      "/Encoding ISOLatin1Encoding def\n",
      "currentdict\n",
      "end\n",
      "/Courier-ISOLatin1 exch definefont pop\n"};
  for (const char* line : kPrologue)
    if (!Put(ds, line)) return false;
  const bool landscape = options_.orientation == 2;
  const double size = PostscriptFontSize(screen_.columns, options_.orientation);
  char sizeText[32];
  if (size == (landscape ? kLandscapeFontSize : kPortraitFontSize)) std::snprintf(sizeText, sizeof sizeText, "%d", static_cast<int>(size));
  else std::snprintf(sizeText, sizeof sizeText, "%.3f", size - 0.0005);  // rounded down: the line still fits
  char fontLine[200];
  if (landscape)
    std::snprintf(fontLine, sizeof fontLine,
                  "/Courier-ISOLatin1 findfont %s scalefont setfont 0.5 setlinewidth /vpos 7.5 inch def 8.5 inch 0 inch "
                  "translate 90 rotate\n",
                  sizeText);
  else
    std::snprintf(fontLine, sizeof fontLine,
                  "/Courier-ISOLatin1 findfont %s scalefont setfont 0.5 setlinewidth /vpos 10  inch def 0.0 inch 0 inch "
                  "translate 00 rotate\n",
                  sizeText);
  if (!Put(ds, fontLine) || !Put(ds, "top_of_page\n") || !Put(ds, "(")) return false;

  initTrimPrint();
  const unsigned columns = static_cast<unsigned>(screen_.columns);
  const unsigned cells = static_cast<unsigned>(screen_.rows) * columns;
  for (unsigned pos = 0; pos < cells; ++pos) {
    const unsigned char byte = screen_.ebcdic[pos];
    const PrintCmds c = getPrintCmds(byte, pos);
    const CharType type = getCharType(byte);
    if (c.endUnderline && !Put(ds, ") show end_ul (")) return false;
    if (type != FieldAttribute && c.beginUnderline && !Put(ds, ") show begin_ul (")) return false;
    unsigned char ch = ' ';
    if (!c.blank) ch = type == ControlCode ? glyphOf(byte) : screen_.local[pos];
    if (ch == '(' || ch == ')' || ch == '\\') {
      if (ds.putDsBuffChar('\\') != OutDataStream::Done) return false;
    }
    if (ds.putDsBuffChar(ch) != OutDataStream::Done) return false;
    if (type == FieldAttribute && c.beginUnderline && !Put(ds, ") show begin_ul (")) return false;
    if ((pos + 1) % columns == 0) {
      if (!Put(ds, ") show")) return false;
      if (underlineActive_ && !Put(ds, " end_ul ")) return false;
      if (!Put(ds, " newline\n")) return false;
      if (pos + 1 < cells) {
        if (underlineActive_ && !Put(ds, " begin_ul ")) return false;
        if (!Put(ds, "(")) return false;
      }
    }
  }
  return Put(ds, "showpage\n");
}
