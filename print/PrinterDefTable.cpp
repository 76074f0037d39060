#include "print/PrinterDefTable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/LogMsg.h"
#include "print/OutDataStream.h"

namespace {

const char kEsc = '\x1B';

// ISO 8859-1 0xA1-0xFF to code page 850.
const unsigned char kLatin1To850[95] = {
    0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5, 0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE, 0xF8, 0xF1, 0xFD, 0xFC,
    0xEF, 0xE6, 0xF4, 0xFA, 0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8, 0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92,
    0x80, 0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8, 0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E, 0x9D, 0xEB,
    0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1, 0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D,
    0xA1, 0x8C, 0x8B, 0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98};

struct GfidRow {
  std::vector<int> numbers;
  const char* sequence;  // after ESC; empty: no command
};

const GfidRow kGfidRows[] = {
    {{3, 5, 11, 12, 13, 19, 30, 40, 42, 44, 50, 198}, "(s0p10h12v0s0b3T"},
    {{18, 43}, "(s0p10h12v1s0b3T"},
    {{20}, "(s0p10h12v0s0b1T"},
    {{38, 39, 46}, "(s0p10h12v0s3b3T"},
    {{41}, "(s0p10h12v0s0b5T"},
    {{66, 70, 80, 84, 107, 115}, "(s0p12h12v0s0b8T"},
    {{68, 71, 91}, "(s0p12h12v1s0b8T"},
    {{69, 72}, "(s0p12h12v0s3b8T"},
    {{85}, "(s0p12h10v0s0b3T"},
    {{86}, "(s0p12h10v0s0b8T"},
    {{87}, "(s0p12h12v0s0b6T"},
    {{110}, "(s0p12h12v0s3b6T"},
    {{111}, "(s0p12h10v0s3b8T"},
    {{112}, "(s0p12h10v1s0b8T"},
    {{155, 162, 177}, "(s1p10v1s0b5T"},
    {{158, 160, 173, 175, 193}, "(s1p10v0s0b5T"},
    {{159, 176}, "(s1p10v0s3b5T"},
    {{163, 168}, "(s1p10v0s3b4T"},
    {{204, 221, 222, 225, 229}, "(s0p16.66h8.5v0s0b8T"},
    {{223, 230}, "(s0p16.66h8.5v0s0b3T"},
    {{245}, "(s0p05h12v0s3b3T"},
    {{252}, "(s0p16.66h8.5v0s0b0T"},
    {{253}, "(s0p16.66h8.5v0s3b0T"},
    {{254, 280, 281, 290}, "(s0p16.66h7v0s0b8T"},
};

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }
std::vector<unsigned char> Esc(const std::string& s) { return Bytes(std::string(1, kEsc) + s); }

int Id(const char* keyword) { return pdt::KeywordId(keyword); }

// Reads a whole file of at most `limit` bytes; false (errno kept) when it
// cannot be opened or read, or is larger.
bool ReadWholeFile(const std::string& path, std::size_t limit, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (out.size() + n > limit) {
      std::fclose(f);
      errno = EFBIG;
      return false;
    }
    out.append(chunk, n);
  }
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace

PrinterDefTable::PrinterDefTable(int pdtOption) : fileInUse_(pdtOption) {
  if (DebugFlag()) LogMsg(LevelDebug, "Constructor for PrinterDefTable\n");
  for (int i = 0; i < 256; ++i) map_[i] = static_cast<unsigned char>(i);
}

PrinterDefTable::~PrinterDefTable() {
  if (DebugFlag()) LogMsg(LevelDebug, "starting Destructor for PrinterDefTable\n");
  if (DebugFlag()) LogMsg(LevelDebug, "ending Destructor for PrinterDefTable\n");
}

void PrinterDefTable::loadAsciiCodePage(const char* codeSet, int euro, PRINT_FORMAT format) {
  euro_ = euro;
  static const char* const kCodePages[] = {"ISO8859-2", "ISO8859-5", "ISO8859-7", "ISO8859-9", "QAV-922"};
  codePage_ = 0;
  for (int i = 0; codeSet && i < 5; ++i)
    if (std::strcmp(codeSet, kCodePages[i]) == 0) codePage_ = i + 1;
  for (int i = 0; i < 256; ++i) map_[i] = static_cast<unsigned char>(i);
  if (format == PRINT_FORMAT_POSTSCRIPT) return;
  if (codePage_ == 5) {
    map_[0xD0] = 'S';
    map_[0xDE] = 'Z';
    map_[0xF0] = 's';
    map_[0xFE] = 'z';
  }
  if (codePage_) return;
  if (format == PRINT_FORMAT_PCL) {
    if (euro_ == 1) map_[0xA4] = 0x80;
    return;
  }
  for (int i = 0x80; i <= 0x9F; ++i) map_[i] = 0xFF;
  map_[0xA0] = 0xA0;
  for (int i = 0xA1; i <= 0xFF; ++i) map_[i] = kLatin1To850[i - 0xA1];
  if (euro_ == 1) map_[0xA4] = 0xD5;
}

void PrinterDefTable::getPrinterDefTable(const char* description, PRINT_FORMAT format) {
  if (DebugFlag()) LogMsg(LevelDebug, "starting get Printer Definition Table\n");
  bool loaded = false;
  if (fileInUse_) {
    if (DebugFlag()) LogMsg(LevelDebug, "getting the 819, printer des = %s\n", description ? description : "");
    loaded = getPDF819(description) == 0;
  }
  if (!loaded) {
    if (DebugFlag()) LogMsg(LevelDebug, "getting the default\n");
    fileInUse_ = 0;
    if (format == PRINT_FORMAT_PCL) loadDefaultPcl();
    else loadDefaultAscii();
  }
  if (DebugFlag()) LogMsg(LevelDebug, "ending get Printer Definition Table\n");
}

int PrinterDefTable::getPDF819(const char* description) {
  if (!description) return -1;
  const char* user = std::getenv("USER");
  if (!user) user = "";
  if (DebugFlag()) LogMsg(LevelDebug, "userid = %s\n", user);
  const std::string path = directory_ + "/PDT.819";
  std::string text;
  if (!ReadWholeFile(path, pdf_limits::kMaxText, text)) {
    LogMsg(LevelError, "%s: PDT.819 file, %s, open failed. errno = %d.\n", "QWC0335", path.c_str(), errno);
    return -1;
  }
  const std::string name = FindPrinterDefinitionFile(text.data(), text.size(), description, user);
  if (name.empty()) return -1;
  // The name is one file of the folder, never a path.
  if (name.find('/') != std::string::npos || name == "." || name == "..") {
    LogMsg(LevelError, "%s: PDT file, %s, open failed. errno = %d.\n", "QWC0336", name.c_str(), EINVAL);
    return -1;
  }
  return getPDF(name.c_str());
}

int PrinterDefTable::getPDF(const char* name) {
  const std::string path = directory_ + "/" + name;
  std::string text;
  bool read = false;
  try {
    read = ReadWholeFile(path, pdf_limits::kMaxText, text);
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
  }
  if (!read) {
    LogMsg(LevelError, "%s: PDT file, %s, open failed. errno = %d.\n", "QWC0336", path.c_str(), errno);
    return -1;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "getting the pdf file %s\n", name);
  if (processPDF(text.data(), text.size()) != 0) {
    LogMsg(LevelError, "%s: PDF file, %s, not in correct format\n", "QWC0337", path.c_str());
    LogMsg(LevelError, "%s: PDF file, %s, %s.\n", "QWC0337", path.c_str(), lastError_.c_str());
    return -1;
  }
  return 0;
}

int PrinterDefTable::processPDF(const char* text, unsigned long length) {
  // Running out of memory refuses the file; it never ends the program.
  std::unique_ptr<PrinterDefinition> def;
  PrinterDefinitionResult r;
  try {
    def = std::make_unique<PrinterDefinition>();
    r = ReadPrinterDefinition(text, length, *def);
  } catch (const std::bad_alloc&) {
    lastError_ = "not enough memory to read it";
    return 2;
  }
  if (r.status != PrinterDefinitionResult::Read) {
    lastError_ = "line " + std::to_string(r.line) + ": " + r.message;
    return 2;
  }
  lastError_.clear();
  clearTables();
  parameters_ = def->parameters;
  for (int id = pdt::kParameterCount; id < pdt::kKeywordCount; ++id) commands_[id] = std::move(def->commands[id]);
  for (int c = 0x20; c < 256; ++c) characters_[c] = std::move(def->characters[c]);
  return 0;
}

void PrinterDefTable::clearTables() {
  parameters_.fill(0);
  for (auto& c : commands_) c.clear();
  for (auto& c : characters_) c.clear();
}

void PrinterDefTable::loadDefaultCharDef() {
  for (int c = 0; c < 256; ++c) characters_[c].assign(1, static_cast<unsigned char>(c));
}

void PrinterDefTable::loadDefaultAscii() {
  clearTables();
  parameters_[Id("MAXIMUM_PAGE_LENGTH")] = 66;
  parameters_[Id("MAXIMUM_PRINT_POSITION")] = 80;
  parameters_[Id("AUTO_NEWLINE_AT_MAX_POS?")] = 1;
  commands_[Id("HORIZONTAL_TAB")] = {0x09};
  commands_[Id("BEL")] = {0x07};
  commands_[Id("CARRIAGE_RETURN")] = {0x0D};
  commands_[Id("LINE_FEED")] = {0x0A};
  commands_[Id("FORM_FEED")] = {0x0C};
  commands_[Id("NEW_LINE")] = {0x0D, 0x0A};
  loadDefaultCharDef();
}

std::string PrinterDefTable::symbolSet() const {
  switch (codePage_) {
    case 1: return "2N";
    case 2: return "10N";
    case 3: return "12N";
    case 4: return "5N";
    default: return codePage_ == 0 && euro_ == 1 ? "19U" : "0N";
  }
}

void PrinterDefTable::loadDefaultPcl() {
  clearTables();
  const struct {
    const char* name;
    unsigned short value;
  } params[] = {{"MAXIMUM_PAGE_LENGTH", 66}, {"MAXIMUM_PRINT_POSITION", 80}, {"INTERV_REQ_TIMER", 1},
                {"HORIZONTAL_PEL", 720},     {"VERTICAL_PEL", 720},          {"DEFAULT_CPI?", 10},
                {"DEFAULT_LPI?", 6},         {"LINE_SPACING_RATIO", 48},     {"FORM_FEED_ANY_POSITION?", 1},
                {"OVERRIDE_FORMATTED_PRINT?", 1}, {"AUTO_NEWLINE_AT_MAX_POS?", 1}};
  for (const auto& p : params) parameters_[Id(p.name)] = p.value;

  std::vector<unsigned char> start = Esc("&d@");
  for (const auto& part : {Esc("(s0B"), Esc("(" + symbolSet())}) start.insert(start.end(), part.begin(), part.end());
  commands_[Id("START_JOB")] = start;
  std::vector<unsigned char> end = Esc("&d@");
  for (const auto& part : {Esc("(s0B"), Esc("(8U")}) end.insert(end.end(), part.begin(), part.end());
  end.push_back(0x0C);
  commands_[Id("END_JOB")] = end;
  commands_[Id("HORIZONTAL_TAB")] = {0x09};
  commands_[Id("BACKSPACE")] = {0x08};
  commands_[Id("CARRIAGE_RETURN")] = {0x0D};
  commands_[Id("LINE_FEED")] = {0x0A};
  commands_[Id("FORM_FEED")] = {0x0C};
  commands_[Id("NEW_LINE")] = {0x0D, 0x0A};
  commands_[Id("DUP")] = Bytes("*");
  commands_[Id("FIELD_MARK")] = Bytes(";");
  commands_[Id("START_SUBSCRIPT")] = commands_[Id("END_SUPERSCRIPT")] = Esc("&a+.3R");
  commands_[Id("END_SUBSCRIPT")] = commands_[Id("START_SUPERSCRIPT")] = Esc("&a-.3R");
  // The variable is sent as four decimal digits.
  std::vector<unsigned char> density = Esc("&l");
  density.insert(density.end(), {0xFF, 0x05, 'C'});
  commands_[Id("SET_VARIABLE_LINE_DENSITY")] = density;
  commands_[Id("SET_2_LINES_PER_INCH")] = Esc("&l2D");
  commands_[Id("SET_3_LINES_PER_INCH")] = Esc("&l3D");
  commands_[Id("SET_4_LINES_PER_INCH")] = Esc("&l4D");
  commands_[Id("SET_6_LINES_PER_INCH")] = Esc("&l6D");
  commands_[Id("SET_8_LINES_PER_INCH")] = Esc("&l8D");
  commands_[Id("SET_10_CHARACTERS_PER_INCH")] = Esc("&k0S");
  commands_[Id("SET_12_CHARACTERS_PER_INCH")] = Esc("&k4S");
  commands_[Id("SET_17_CHARACTERS_PER_INCH")] = Esc("&k2S");
  commands_[Id("SELECT_DRAWER1")] = Esc("&l1H");
  commands_[Id("SELECT_DRAWER2")] = Esc("&l4H");
  commands_[Id("SELECT_DRAWER3")] = Esc("&l2H");
  commands_[Id("SELECT_ENVELOPE")] = Esc("&l3h1O");
  std::vector<unsigned char> skip = Esc("&a+");
  skip.insert(skip.end(), {0xFF, 0x05, 'H'});
  commands_[Id("FORWARD_HORIZONTAL_SKIP")] = skip;
  skip.back() = 'V';
  commands_[Id("FORWARD_VERTICAL_STEP_FEED")] = skip;
  commands_[Id("START_HIGHLIGHT_INTENSE")] = Esc("(s1B");
  commands_[Id("END_HIGHLIGHT_INTENSE")] = Esc("(s0B");
  commands_[Id("START_HIGHLIGHT_UNDERLINE")] = Esc("&dD");
  commands_[Id("END_HIGHLIGHT_UNDERLINE")] = Esc("&d@");
  commands_[Id("SET_DUPLEX")] = Esc("&l2S");
  commands_[Id("SET_DUPLEX_TUMBLE")] = Esc("&l1S");
  commands_[Id("RESET_DUPLEX")] = Esc("&l0S");
  commands_[Id("SET_PORTRAIT_ORIENT")] = Esc("&l0O");
  commands_[Id("SET_LANDSCAPELEFT_ORIENT")] = Esc("&l1O");
  commands_[Id("SET_PORTRAITUPDWN_ORIENT")] = Esc("&l2O");
  commands_[Id("SET_LANDSCAPERGHT_ORIENT")] = Esc("&l3O");
  for (const GfidRow& row : kGfidRows) {
    for (int n : row.numbers) {
      char name[20];
      std::snprintf(name, sizeof name, "SET_GFID_%04d", n);
      commands_[Id(name)] = Esc(row.sequence);
    }
  }
  loadDefaultCharDef();
}

unsigned PrinterDefTable::getPdtValue(int id) const {
  return id >= 0 && id < pdt::kParameterCount ? parameters_[id] : 0;
}

int PrinterDefTable::loadFromPDF(OutDataStream* ds, unsigned short id, unsigned count, const unsigned char* values,
                                 unsigned char insert) const {
  if (id >= pdt::kKeywordCount || commands_[id].empty()) return 1;
  const std::vector<unsigned char>& def = commands_[id];
  std::vector<unsigned char> out;
  out.reserve(def.size() + count + 4);
  const unsigned value = count == 0 ? 0 : count == 1 ? values[0] : values[0] * 256u + values[1];
  for (std::size_t i = 0; i < def.size(); ++i) {
    if (def[i] != 0xFF || i + 1 >= def.size() || def[i + 1] > 9) {
      out.push_back(def[i]);
      continue;
    }
    const int n = def[++i];
    if (count == 0) continue;
    switch (n) {
      case 0:
      case 4: out.push_back(values[0]); break;
      case 1:
      case 9: out.insert(out.end(), values, values + count); break;
      case 2:
      case 6:
        if (count == 1) out.insert(out.end(), {values[0], 0});
        else out.insert(out.end(), {values[1], values[0]});
        break;
      case 3:
        if (count == 1) out.insert(out.end(), {0, values[0]});
        else out.insert(out.end(), {values[0], values[1]});
        break;
      case 5: {
        const unsigned v = value % 10000;
        out.insert(out.end(), {static_cast<unsigned char>('0' + v / 1000), static_cast<unsigned char>('0' + v / 100 % 10),
                               static_cast<unsigned char>('0' + v / 10 % 10), static_cast<unsigned char>('0' + v % 10)});
        break;
      }
      default:
        if (count == 1) out.insert(out.end(), {0, values[0]});
        else out.insert(out.end(), values, values + count);
        break;
    }
  }
  const unsigned n = static_cast<unsigned>(out.size());
  const int rc = insert ? ds->insertAtWordBegin(out.data(), n) : ds->putDsBuffChar(out.data(), n);
  return rc == OutDataStream::NoRoom ? 2 : 0;
}

int PrinterDefTable::loadFromCharDef(OutDataStream* ds, unsigned short code, unsigned char raw) const {
  const std::vector<unsigned char>* def = &characters_[map_[code & 0xFF]];
  if (def->empty()) return 0;
  if (parameters_[pdt::OVERRIDE_FORMATTED_PRINT] != 0 && def->size() == 1 && (*def)[0] == 0x00 &&
      (raw == 0 || fileInUse_))
    def = &characters_[map_[0x20]];
  if (def->empty()) return 0;
  int rc;
  if (!fileInUse_ && raw == 0 && (*def)[0] < 0x20) rc = ds->putDsBuffChar(blank_);
  else rc = ds->putDsBuffChar(def->data(), static_cast<unsigned>(def->size()));
  return rc == OutDataStream::NoRoom ? 2 : 0;
}
