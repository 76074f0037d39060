#include "tests/demohost/DemoScreens.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace demohost {

namespace {

struct Tables {
  uint8_t toLatin1[256];
  uint8_t toCp037[256];
  Tables() {
    // Without the converter only blanks and question marks are known.
    std::memset(toLatin1, '?', sizeof toLatin1);
    std::memset(toCp037, 0x6F, sizeof toCp037);
    iconv_t cd = iconv_open("ISO-8859-1", "CP037");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      toLatin1[0x40] = ' ';
      toCp037[static_cast<uint8_t>(' ')] = 0x40;
      return;
    }
    for (int e = 0; e < 256; ++e) {
      char in = static_cast<char>(e), out = 0;
      char* ip = &in;
      char* op = &out;
      size_t il = 1, ol = 1;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 0) {
        const uint8_t c = static_cast<uint8_t>(out);
        toLatin1[e] = c;
        // Only printable characters go back: the controls of CP037 would be
        // orders on the screen.
        if (e >= 0x40 && e != 0xFF) toCp037[c] = static_cast<uint8_t>(e);
      }
    }
    iconv_close(cd);
  }
};

const Tables& T() {
  static const Tables t;
  return t;
}

void Put(Bytes& r, std::initializer_list<int> b) {
  for (int x : b) r.push_back(static_cast<uint8_t>(x));
}
void Text(Bytes& r, const std::string& s) {
  const Bytes e = Cp037(s);
  r.insert(r.end(), e.begin(), e.end());
}
void Sba(Bytes& r, int row, int column) { Put(r, {0x11, row, column}); }
// Text at (row, column) in the attribute given, back to normal green after.
void Show(Bytes& r, int row, int column, int attribute, const std::string& s) {
  Sba(r, row, column);
  Put(r, {attribute});
  Text(r, s);
  Put(r, {0x20});
}
// An input field (start field order): the attribute at column - 1, `length`
// positions of input from the column on.
void Field(Bytes& r, int row, int column, int ffw2, int attribute, int length) {
  Sba(r, row, column - 1);
  Put(r, {0x1D, 0x40, ffw2, attribute, length >> 8, length & 0xFF});
}

// A record of the given operation code around `data`.
Bytes Record(uint8_t opcode, const Bytes& data) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0, 0, opcode};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}

// The record of a screen: Clear Unit, Write To Display (unlock the
// keyboard), the orders, Insert Cursor, then Read MDT Fields.
Bytes Frame(const Bytes& orders, int cursorRow, int cursorColumn) {
  Bytes data;
  Put(data, {0x04, 0x40, 0x04, 0x11, 0x00, 0x08});
  data.insert(data.end(), orders.begin(), orders.end());
  Put(data, {0x13, cursorRow, cursorColumn, 0x04, 0x52, 0x00, 0x08});
  return Record(0x03, data);  // put/get
}

std::string Clip(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

constexpr int kUserRow = 7, kPasswordRow = 8, kProgramRow = 10, kInputColumn = 53;
constexpr int kCommandRow = 20, kCommandColumn = 8;

}  // namespace

uint8_t FromCp037(uint8_t e) { return T().toLatin1[e]; }
uint8_t ToCp037(uint8_t c) { return T().toCp037[c]; }

Bytes Cp037(const std::string& latin1) {
  Bytes out;
  out.reserve(latin1.size());
  for (char c : latin1) out.push_back(ToCp037(static_cast<uint8_t>(c)));
  return out;
}

std::string Readable(const Bytes& ebcdic) {
  std::string s;
  for (uint8_t e : ebcdic) s += e < 0x40 || e == 0xFF ? ' ' : static_cast<char>(FromCp037(e));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

Inbound ParseInbound(const Bytes& r) {
  Inbound in;
  if (r.size() < 10) return in;
  const size_t length = (static_cast<size_t>(r[0]) << 8) | r[1];
  if (length != r.size()) return in;
  in.valid = true;
  in.flags1 = r[7];
  in.opcode = r[9];
  if (in.flags1 & 0x01) {
    // Help in error: the error number in two bytes, after a five-byte
    // prefix (C9 00 02) from a client that sends one.
    in.helpInError = true;
    const size_t at = r.size() >= 15 && r[10] == 0xC9 ? 13 : 10;
    if (r.size() >= at + 2) in.helpErrorCode = (static_cast<unsigned>(r[at]) << 8) | r[at + 1];
    return in;
  }
  // Row, column and AID of an input record, then the fields, each after a
  // Set Buffer Address; a transparent field (0x10) has a two-byte length.
  if (r.size() < 13) return in;
  in.hasAid = true;
  in.cursorRow = r[10];
  in.cursorColumn = r[11];
  in.aid = r[12];
  size_t i = 13;
  while (i < r.size() && in.fields.size() < 64) {
    if (r[i] == 0x11 && i + 2 < r.size()) {
      InputField f;
      f.row = r[i + 1];
      f.column = r[i + 2];
      i += 3;
      if (i + 2 < r.size() && r[i] == 0x10) {
        const size_t n = (static_cast<size_t>(r[i + 1]) << 8) | r[i + 2];
        const size_t take = std::min(n, r.size() - (i + 3));
        f.data.assign(r.begin() + static_cast<long>(i + 3), r.begin() + static_cast<long>(i + 3 + take));
        i += 3 + take;
      } else {
        while (i < r.size() && r[i] != 0x11) f.data.push_back(r[i++]);
      }
      in.fields.push_back(std::move(f));
    } else if (r[i] == 0x11) {
      break;  // an address cut short
    } else {
      // Data before any address (read input fields): one field of unknown
      // place.
      InputField f;
      while (i < r.size() && r[i] != 0x11) f.data.push_back(r[i++]);
      in.fields.push_back(std::move(f));
    }
  }
  return in;
}

std::string AidName(uint8_t aid) {
  if (aid >= 0x31 && aid <= 0x3C) return "F" + std::to_string(aid - 0x30);
  if (aid >= 0xB1 && aid <= 0xBC) return "F" + std::to_string(aid - 0xB1 + 13);
  switch (aid) {
    case 0xF1: return "Enter";
    case 0xBD: return "Clear";
    case 0xF3: return "Help";
    case 0xF4: return "Page Up";
    case 0xF5: return "Page Down";
    case 0xF6: return "Print";
    case 0xF8: return "Record Backspace";
    case 0x3F: return "Auto Enter";
    default: {
      static const char hex[] = "0123456789ABCDEF";
      return std::string("AID 0x") + hex[aid >> 4] + hex[aid & 15];
    }
  }
}

std::string OperatorErrorText(unsigned code) {
  switch (code) {
    case 1: return "Keyboard overrun.";
    case 2: return "Key not allowed now.";
    case 3: return "Key not allowed in this state.";
    case 4: return "Data not allowed in this field.";
    case 5: return "Cursor in protected area of display.";
    case 6: return "Key after System Request not valid.";
    case 7: return "Mandatory entry field: type data.";
    case 8: return "Alphabetic only field.";
    case 9: return "Numeric only field.";
    case 10: return "Only digits allowed in this field.";
    case 11: return "Key not valid for the sign position.";
    case 12: return "No room to insert data.";
    case 13: return "Insert mode: only data keys allowed.";
    case 14: return "Mandatory fill field: fill it to the end.";
    case 15: return "Check digit error.";
    case 16: return "Field Minus not valid in this field.";
    case 17: return "Mandatory fill field: key not valid.";
    case 18: return "Key used to exit the field not valid.";
    case 19: return "Dup or Field Mark not allowed in this field.";
    case 20: return "Field Exit required.";
    case 26: return "Field Minus not valid here.";
    case 27: return "Key not defined.";
    default: return "Operator error.";
  }
}

Bytes DemoSession::ErrorHelp(unsigned code) {
  // Write Error Code: the text in high intensity on the error line; the
  // client keeps the screen and what was typed until Reset.
  char number[8];
  std::snprintf(number, sizeof number, "%04u", code % 10000);
  const std::string text = std::string(number) + " " + OperatorErrorText(code) + " Press Reset.";
  Bytes data;
  Put(data, {0x04, 0x21, 0x22});
  Text(data, Clip(text, 76));
  Put(data, {0x20});
  return Record(0x02, data);  // output only
}

Bytes DemoSession::Start(const std::string& display) {
  display_ = Clip(display, 20);
  mainMenu_ = false;
  return SignOn("");
}

Bytes DemoSession::SignOn(const std::string& message) const {
  Bytes o;
  Show(o, 1, 36, 0x22, "Sign On");
  Show(o, 3, 47, 0x20, "System  . . . . :");
  Show(o, 3, 65, 0x22, "QWDEMO");
  Show(o, 4, 47, 0x20, "Subsystem . . . :");
  Show(o, 4, 65, 0x22, "QINTER");
  Show(o, 5, 47, 0x20, "Display . . . . :");
  Show(o, 5, 65, 0x22, display_.empty() ? "QPADEV0001" : display_);
  Show(o, kUserRow, 17, 0x20, "User  . . . . . . . . . . . .");
  Field(o, kUserRow, kInputColumn, 0x20, 0x24, 10);  // monocase, underlined
  Show(o, kPasswordRow, 17, 0x20, "Password  . . . . . . . . . .");
  Field(o, kPasswordRow, kInputColumn, 0x00, 0x27, 10);  // non-display
  Show(o, kProgramRow, 17, 0x20, "Program/procedure . . . . . .");
  Field(o, kProgramRow, kInputColumn, 0x20, 0x24, 10);
  Show(o, 14, 17, 0x21, " QW5250 demo host ");
  Show(o, 14, 37, 0x3A, "Blue text");
  Show(o, 14, 48, 0x26, "Underlined white");
  Show(o, 14, 66, 0x32, "Yellow");
  Show(o, 16, 17, 0x38, "Type any user name and press Enter.");
  Show(o, 17, 17, 0x34, "F3 always comes back to this screen.");
  if (!message.empty()) Show(o, 24, 2, 0x28, Clip(message, 76));
  Show(o, 23, 48, 0x22, "(C) COPYRIGHT QW5250 DEMO HOST");
  return Frame(o, kUserRow, kInputColumn);
}

Bytes DemoSession::MainMenu(const Inbound* in) const {
  Bytes o;
  Show(o, 1, 36, 0x22, "Main Menu");
  Show(o, 1, 65, 0x20, "System: QWDEMO");
  Sba(o, 3, 2);
  Put(o, {0x20});
  Text(o, "Hello,");
  Put(o, {0x22});
  Text(o, Clip(user_, 20));
  Put(o, {0x20});
  Text(o, "- you are signed on to the QW5250 demo host.");
  Show(o, 5, 2, 0x32, "The sign-on screen sent:");
  Show(o, 6, 4, 0x20, "User  . . . . . . . :");
  Show(o, 6, 26, 0x22, Clip(user_, 50));
  Show(o, 7, 4, 0x20, "Password  . . . . . :");
  Show(o, 7, 26, 0x22,
       passwordLength_ ? std::string(std::min<size_t>(passwordLength_, 10), '*') + " (" +
                             std::to_string(passwordLength_) + " characters, not shown)"
                       : "(none)");
  Show(o, 8, 4, 0x20, "Program/procedure . :");
  Show(o, 8, 26, 0x22, program_.empty() ? "(none)" : Clip(program_, 50));
  Show(o, 9, 4, 0x20, "Key, cursor . . . . :");
  Show(o, 9, 26, 0x22,
       aidName_ + " at row " + std::to_string(cursorRow_) + ", column " + std::to_string(cursorColumn_));
  Show(o, 11, 2, 0x20, "Select one of the following:");
  Show(o, 12, 6, 0x20, "1. User tasks");
  Show(o, 13, 6, 0x20, "2. Office tasks");
  Show(o, 14, 6, 0x20, "3. General system tasks");
  Show(o, 15, 6, 0x20, "90. Sign off");
  if (in) {
    std::string typed;
    for (const InputField& f : in->fields)
      if (f.row == kCommandRow || f.row == 0) typed = Readable(f.data);
    Show(o, 17, 2, 0x3A, "You pressed " + AidName(in->aid) + (typed.empty() ? "." : " after typing:"));
    if (!typed.empty()) Show(o, 17, 40, 0x22, Clip(typed, 37));
  }
  Show(o, kCommandRow - 1, 2, 0x20, "Selection or command");
  Show(o, kCommandRow, 2, 0x20, "===>");
  Field(o, kCommandRow, kCommandColumn, 0x00, 0x24, 70);
  Show(o, 22, 2, 0x3A, "F3=Sign off   Enter=Show what you typed");
  return Frame(o, kCommandRow, kCommandColumn);
}

Bytes DemoSession::Answer(const Bytes& record) {
  const Inbound in = ParseInbound(record);
  answeredHelp_ = in.valid && in.helpInError;
  if (answeredHelp_) {
    helpErrorCode_ = in.helpErrorCode;
    return ErrorHelp(in.helpErrorCode);
  }
  if (!in.valid) return mainMenu_ ? MainMenu(nullptr) : SignOn("The last record could not be read.");
  // A negative response to one of our screens: answering it again could
  // loop, so nothing is sent.
  if (in.flags1 & 0x80) return Bytes();
  if (!in.hasAid) {
    // Attention, System Request or an empty record: the screen again.
    return mainMenu_ ? MainMenu(nullptr) : SignOn("");
  }
  if (in.aid == 0x33) {  // F3
    mainMenu_ = false;
    return SignOn("");
  }
  if (mainMenu_) return MainMenu(&in);
  if (in.aid != 0xF1) return SignOn(AidName(in.aid) + " is not active here: press Enter to sign on.");
  std::string user, program;
  size_t password = 0;
  for (const InputField& f : in.fields) {
    if (f.row == kUserRow) user = Readable(f.data);
    if (f.row == kPasswordRow) password = Readable(f.data).size();
    if (f.row == kProgramRow) program = Readable(f.data);
  }
  while (!user.empty() && user.front() == ' ') user.erase(user.begin());
  if (user.empty()) return SignOn("Type a user name, then press Enter.");
  user_ = user;
  program_ = program;
  passwordLength_ = password;
  aidName_ = AidName(in.aid);
  cursorRow_ = in.cursorRow;
  cursorColumn_ = in.cursorColumn;
  mainMenu_ = true;
  return MainMenu(nullptr);
}

}  // namespace demohost
