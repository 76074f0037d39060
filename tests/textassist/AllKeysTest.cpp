// Every key word of the text-assist keyboard state, through the input-object
// generator and DisplayBag::processUserInputObject, on the page of R1
// (scale line: left margin column 2, tab column 10, right margin column 70;
// row 3 "HELLO WORLD" and a carrier return; the host waits for a record),
// with the host's command-key table holding a prompt (PF2 "FIND") and a
// locate (PF3 "LOCATE"). Each case: the keys before, the key, the handler
// of the text session that took it, the page rows after, the cursor, the
// AID sent, the operator error shown and the station's state after (insert
// mode, system request, keyboard locked, prompt input, the signals sent to
// the host, reverse video, the text-symbols display). The other text rows
// (5 to 23) stay empty.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/TextHostTables.h"
#include "tests/textassist/TextRows.h"

namespace {

// The words of the keys, by category: 1 cursor movement, 2 exit field,
// 3 function, 4 immediate, 5 PF, 6 AID, 9..19 data, 23 translator errors,
// 26 text keys, 27 mouse.
const FunctionWord kRight = K(1, 3), kLeft = K(1, 2);
const FunctionWord kDup = K(2, 4);
const FunctionWord kInsert = K(3, 1);
const FunctionWord kReset = K(4, 1), kAttention = K(4, 2), kSysReq = K(4, 3);
const FunctionWord kPromptKey = K(5, 2), kLocateKey = K(5, 3);
const FunctionWord kUnderscore = K(26, 1);
const FunctionWord kLeftPress = K(27, 1);

// A row in a small alphabet: '_' null, '|' carrier return, '^' required
// carrier return, '~' tab, '@' attribute 0x20, '#' underscore 0x24, '%'
// bold underscore 0x26, '&' reverse 0x23, '*' word underscore, '$' stop code, '+' required
// space, '<' superscript 0x09, '>' subscript 0x01, letters, digits, '.',
// ',' and '-'.
const RowAlphabet kRows{{{'_', 0x00}, {'|', 0x03}, {'^', 0x06}, {'~', 0x05}, {'@', 0x20}, {'#', 0x24}, {'&', 0x23},
                         {'%', 0x26}, {'*', 0x1D}, {'$', 0x1E}, {'+', 0x41}, {'<', 0x09}, {'>', 0x01}, {'.', 0x4B},
                         {',', 0x6B}, {'-', 0x60}}};
std::string Show(const Bytes& row) { return kRows.show(row); }

// The host's command-key table: PF2 a prompt, PF3 a locate and, with
// `withDelete`, the Delete key (254) starting a delete and Home (255) a
// prompt.
Bytes CommandKeys(bool withDelete) {
  auto entry = [](unsigned char key, unsigned char type, const std::string& text) {
    return Bytes{static_cast<unsigned char>(3 + text.size()), key, type} + Ebc(text);
  };
  Bytes entries = entry(2, 1, "FIND") + entry(3, 2, "LOCATE");
  if (withDelete) entries = entries + entry(254, 5, "DELETE") + entry(255, 1, "GOTO");
  const unsigned int n = static_cast<unsigned int>(entries.size()) + 5;
  // A table of another id replaces the one in use.
  const unsigned char id = withDelete ? 0x05 : 0x04;
  return Bytes{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, 0x31, id} + entries;
}

// The host side, with the signals that are not records.
class SignalHost : public CapturingHost {
 public:
  int sendAttnSignalToHost(Rendering*) override {
    ++attentions;
    return 1;
  }
  int sendHelpInErrorSignalToHost(unsigned int error, Rendering*) override {
    helpErrors.push_back(error);
    return 1;
  }
  int sendTestRequestToHost(Rendering*) override {
    ++testRequests;
    return 1;
  }
  int sendSystemRequestToHost(unsigned char* data, unsigned int n, Rendering* r) override {
    ++systemRequests;
    return HostInterface::sendSystemRequestToHost(data, n, r);
  }
  unsigned int attentions = 0, testRequests = 0, systemRequests = 0;
  std::vector<unsigned int> helpErrors;
};

// The text station of the other tables, over the host above.
class KeysStation {
 public:
  KeysStation()
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        psBuffer(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, psBuffer.data()) {
    SetErrorHaltHook(TextThrowingHalt);
    tax.setKeyboardType(0xB0);
  }
  ~KeysStation() { SetErrorHaltHook(nullptr); }
  KeysStation(const KeysStation&) = delete;
  KeysStation& operator=(const KeysStation&) = delete;

  uint32_t run(const Bytes& record) {
    unsigned int unlocked = 0;
    return display.dataStreamManager().dsm(DataStreamManager::kRecord, record.data(),
                                           static_cast<uint32_t>(record.size()), unlocked);
  }
  // The host's command keys: PF2 a prompt, PF3 a locate.
  uint32_t defineCommandKeys() {
    const Bytes dfcdk = CommandKeys(false);
    uint32_t sense = 0;
    display.hostInterface()->textTables().dfcdk(dfcdk.data(), sense);
    return sense;
  }
  // A key word, or a mouse event at `at` for category 27.
  void key(FunctionWord w, unsigned int at = 0) {
    if (w.category == 27)
      display.inObjGen().processMouseEvent(&display, &w, at);
    else
      display.inObjGen().processKeystrokeEvent(&display, &w);
  }
  TextSession* text() { return display.textSession(); }
  unsigned int offset(unsigned int row, unsigned int column) { return (row - 1) * c.columns() + column - 1; }
  Bytes row(unsigned int r) {
    Bytes b(c.columns());
    display.presentationSpace().getData(offset(r, 1), c.columns(), b.data());
    return b;
  }

  DisplayCharacteristics c;
  TimerRendering rendering;
  SignalHost host;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};

// The station's state after a key, as bits.
enum : unsigned int {
  kInsertOn = 1u << 0,
  kSystemRequest = 1u << 1,
  kLocked = 1u << 2,
  kPrompt = 1u << 3,
  kAttentionSent = 1u << 4,
  kHelpInErrorSent = 1u << 5,
  kTestRequestSent = 1u << 6,
  kReverseVideo = 1u << 7,
  kTextSymbolsShown = 1u << 8,
  kLocateArmed = 1u << 9,
  kSystemRequestSent = 1u << 10,
};
constexpr unsigned int kReverseVideoBit = 0x20000000u;  // display-control word

unsigned int StateOf(KeysStation& s) {
  unsigned int st = 0;
  if (s.display.modeFlagsA() & DisplayBag::kAInsert) st |= kInsertOn;
  if (s.display.keyboardState().state() == KeyboardState::kSystemRequest) st |= kSystemRequest;
  if (s.display.keyboardState().isLockedState()) st |= kLocked;
  if (s.text()->stateWord() & text_mode::kPromptInput) st |= kPrompt;
  if (s.text()->stateWord() & text_mode::kLocate) st |= kLocateArmed;
  if (s.host.attentions) st |= kAttentionSent;
  if (!s.host.helpErrors.empty()) st |= kHelpInErrorSent;
  if (s.host.testRequests) st |= kTestRequestSent;
  if (s.host.systemRequests) st |= kSystemRequestSent;
  if (s.display.controlData().controlWord() & kReverseVideoBit) st |= kReverseVideo;
  if (s.display.controlData().textSymbolsDisplayState()) st |= kTextSymbolsShown;
  return st;
}

const char* const kRow3 = "_HELLO WORLD|";
// An attribute in effect at the right margin ends after it (column 71).
const std::string kEnds = std::string(56, '_') + "@";
// No handler of the text session runs.
const char* const kNone = "";

struct KeyCase {
  const char* name;
  Keys before;
  FunctionWord key;
  const char* handler;       // kNone: the key reaches no handler
  std::string row3;          // after; "=": as before
  std::string row4;          // after; "": empty
  unsigned int row, column;  // the cursor after
  unsigned char aid;         // 0: nothing sent
  unsigned int error;        // 0: none shown
  unsigned int state;        // the state bits after
  unsigned char errorResetPreference = 0;
  unsigned int at = 0;       // a mouse event's screen offset
  Bytes record = {};         // a host record after the keys before
  Bytes page = {};           // a host record after R1, before the keys
};

// The host's pending-operation definition with option bit 26 (Insert
// toggles), between a write that locks and one that unlocks, and a read.
Bytes InsertToggles() {
  return Wsf(Wrtxt(0x80, 0x20, 0x40, 0, 0, {}) + Field(0x33, Bytes{0x00, 0x01, 0x00}) +
             Wrtxt(0x80, 0x00, 0x08, 0, 0, {}) + Rdtxt());
}
// R1 again with the text definition's flags byte `flags` (0x08 restricted
// editing, 0x80 no required tabs or page ends), without the tab stop
// (restricted editing has none).
Bytes R1With(unsigned char flags) {
  return PageRecord(flags, 0x80, ScaleLine(1, {{2, 1}, {70, 2}}), R1Lines(), true);
}
// R1 in restricted editing where the host forbids the required space (the
// last of the eight core functions).
Bytes RestrictedWithoutRequiredSpace() {
  return Wsf(Dftxt(0x08, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
             Field(0x3B, Bytes{0x00, 0x00, 0x00, 0x04, 0x80, 0x01, 0x00}) + Wrtxt(0x80, 0x00, 0x08, 3, 2, R1Lines()) +
             Rdtxt());
}
// The scale lines defined again without line 1, which the rows name.
Bytes NoScaleLineOne() { return Wsf(Dfscl(ScaleLine(2, {{2, 1}, {70, 2}}))); }

const KeyCase kCases[] = {
    // Cursor movement keys.
    {"new line", {}, K(1, 1), "c_textnewline", "=", "", 4, 2, 0, 0, 0},
    {"cursor left", {kRight}, K(1, 2), "c_textleft", "=", "", 3, 2, 0, 0, 0},
    {"cursor right", {}, K(1, 3), "c_textright", "=", "", 3, 3, 0, 0, 0},
    {"fast cursor left", Repeat(kRight, 4), K(1, 4), "c_textfastleft", "=", "", 3, 3, 0, 0, 0},
    {"fast cursor right", {}, K(1, 5), "c_textfastright", "=", "", 3, 5, 0, 0, 0},
    {"cursor up wraps to the last text row", {}, K(1, 6), "c_textup", "=", "", 23, 2, 0, 0, 0},
    {"cursor down", {}, K(1, 7), "c_textdown", "=", "", 4, 2, 0, 0, 0},
    {"character backspace", {kRight}, K(1, 8), "c_textbackspace", "_ELLO WORLD|", "", 3, 2, 0, 0, 0},
    {"field backspace is back tab", Repeat(kRight, 5), K(1, 9), "c_textbacktab", "=", "", 3, 2, 0, 0, 0},
    {"tab", {}, K(1, 10), "c_texttabadvance", "=", "", 4, 2, 0, 0, 0},
    {"tab, second word", {}, K(1, 11), "c_texttabadvance", "=", "", 4, 2, 0, 0, 0},
    {"shifted tab enters a tab", {kRight}, K(1, 12), "c_texttabfunction", "_H~LLO WORLD|", "", 3, 4, 0, 0, 0},
    {"home without a command field", {}, K(1, 13), "c_texthome", "=", "", 3, 2, 0xEC, 0, kLocked},
    {"home in restricted editing", {}, K(1, 13), "c_texthome", "=", "", 3, 2, 0, 77, 0, 0, 0, {}, R1With(0x08)},
    {"home during prompt input acts as reset", {kRight, kPromptKey}, K(1, 13), "c_texthome", "=", "", 3, 3, 0, 0, 0},
    {"home with the host's entry shows its prompt", {}, K(1, 13), "c_texthome", "=", "", 24, 5, 0, 0, kPrompt, 0, 0,
     {}, Wsf(CommandKeys(true))},
    {"enter after the home prompt sends its function", {K(1, 13)}, K(6, 4), "enterKey", "=", "", 24, 5, 0xF8, 0,
     kLocked | kPrompt, 0, 0, {}, Wsf(CommandKeys(true))},
    {"character advance does nothing", {}, K(1, 14), kNone, "=", "", 3, 2, 0, 0, 0},
    {"required tab", {}, K(1, 15), "c_textrqtabfunction", "=", "", 4, 2, 0, 0, 0},
    {"required tab refused by the host", {}, K(1, 15), "c_textrqtabfunction", "=", "", 3, 2, 0, 77, 0, 0, 0, {},
     R1With(0x80)},
    {"begin of line", Repeat(kRight, 5), K(1, 16), "c_textbeginofline", "=", "", 3, 2, 0, 0, 0},
    {"end of line", {}, K(1, 17), "c_textendofline", "=", "", 3, 13, 0, 0, 0},
    // Exit-field keys: the required carrier return.
    {"field exit", Keys{kInsert} + Repeat(kRight, 6), K(2, 1), "c_textrqcarrierreturn", "_HELLO ^", "@WORLD|", 4,
     2, 0, 0, kInsertOn},
    {"field minus", Keys{kInsert} + Repeat(kRight, 6), K(2, 2), "c_textrqcarrierreturn", "_HELLO ^", "@WORLD|", 4,
     2, 0, 0, kInsertOn},
    {"field plus", Keys{kInsert} + Repeat(kRight, 6), K(2, 3), "c_textrqcarrierreturn", "_HELLO ^", "@WORLD|", 4,
     2, 0, 0, kInsertOn},
    {"dup without locate", {}, K(2, 4), "c_textdup", "=", "", 3, 2, 0, 77, 0},
    {"dup on the prompt row is prompt input", {kPromptKey}, K(2, 4), "c_textdup", "=", "", 24, 6, 0, 0, kPrompt},
    {"carrier return", Keys{kInsert} + Repeat(kRight, 6), K(2, 5), "c_textcarrierreturn", "_HELLO |", "@WORLD|", 4,
     2, 0, 0, kInsertOn},
    {"carrier return with locate armed finds the next one", {kLocateKey}, K(2, 5), "c_textcarrierreturn", "=", "", 3,
     13, 0, 0, kLocateArmed},
    // Function keys.
    {"insert", {}, K(3, 1), "c_textinsertkey", "=", "", 3, 2, 0, 0, kInsertOn},
    {"insert pressed twice stays on", {kInsert}, K(3, 1), "c_textinsertkey", "=", "", 3, 2, 0, 0, kInsertOn},
    {"insert pressed twice toggles when the host says so", {kInsert}, K(3, 1), "c_textinsertkey", "=", "", 3, 2, 0,
     0, 0, 0, 0, {}, InsertToggles()},
    {"reset keeps insert mode when Insert toggles", {kInsert}, K(4, 1), "c_textreset", "=", "", 3, 2, 0, 0, kInsertOn,
     0, 0, {}, InsertToggles()},
    {"delete without a command-key entry", {}, K(3, 2), "deleteKey", "=", "", 3, 2, 0, 77, 0},
    {"delete with its entry marks the start", {kRight}, K(3, 2), "deleteKey", "_&E@LO WORLD|", "", 3, 3, 0, 0,
     kLocateArmed, 0, 0, {}, Wsf(CommandKeys(true))},
    {"erase input", {}, K(3, 3), "c_texterase", "=", "", 3, 2, 0xE3, 0, kLocked},
    {"cancel print does nothing", {}, K(3, 4), kNone, "=", "", 3, 2, 0, 0, 0},
    {"close without a bidirectional editor", {}, K(3, 5), "c_textendpush", "=", "", 3, 2, 0, 0, 0},
    {"reverse without a bidirectional editor", {}, K(3, 6), "c_textpush", "=", "", 3, 2, 0, 0, 0},
    {"shape base", {}, K(3, 7), "c_textbasekey", "=", "", 3, 2, 0, 0, 0},
    {"reverse screen does nothing", {}, K(3, 8), kNone, "=", "", 3, 2, 0, 0, 0},
    {"reverse video toggles", {}, K(3, 9), kNone, "=", "", 3, 2, 0, 0, kReverseVideo},
    {"erase to end of field does nothing", {}, K(3, 10), kNone, "=", "", 3, 2, 0, 0, 0},
    {"field mark does nothing", {}, K(3, 11), kNone, "=", "", 3, 2, 0, 0, 0},
    {"cursor select does nothing", {}, K(3, 12), kNone, "=", "", 3, 2, 0, 0, 0},
    {"a word without a key is not valid", {}, K(3, 13), kNone, "=", "", 3, 2, 0, 2, 0},
    {"display text symbols", {}, K(3, 15), "c_textdisplaytextsymbols", "=", "", 3, 2, 0, 0, kTextSymbolsShown},
    {"shape initial", {}, K(3, 18), "c_textinitialkey", "=", "", 3, 2, 0, 0, 0},
    {"shape middle", {}, K(3, 19), "c_textmiddlekey", "=", "", 3, 2, 0, 0, 0},
    {"shape final", {}, K(3, 20), "c_textfinalkey", "=", "", 3, 2, 0, 0, 0},
    {"shape Farsi base", {}, K(3, 21), "c_textfarsibasekey", "=", "", 3, 2, 0, 0, 0},
    {"a marking key without copy and paste", {}, K(3, 23), kNone, "=", "", 3, 2, 0, 0, 0},
    // Immediate keys.
    {"reset ends insert mode", {kInsert}, K(4, 1), "c_textreset", "=", "", 3, 2, 0, 0, 0},
    {"reset while an error is shown ends it", {kDup}, K(4, 1), "c_textreset", "=", "", 3, 2, 0, 0, 0},
    {"reset while a missing scale line is shown leaves it", {kRight}, K(4, 1), "c_textreset", "=", "", 3, 2, 0xE1,
     78, 0, 0, 0, {}, NoScaleLineOne()},
    {"reset ends the prompt", {kRight, kPromptKey}, K(4, 1), "c_textreset", "=", "", 3, 3, 0, 0, 0},
    {"attention", {}, K(4, 2), "c_textattention", "=", "", 3, 2, 0, 0, kAttentionSent},
    {"attention in system request", {kSysReq}, K(4, 2), "c_textsysrequest", "=", "", 3, 2, 0, 6, 0},
    {"system request", {}, K(4, 3), "c_textsysrequest", "=", "", 3, 2, 0, 0, kSystemRequest},
    {"system request during prompt input", {kPromptKey}, K(4, 3), "c_textsysrequest", "=", "", 24, 5, 0, 74,
     kPrompt},
    {"system request while an error is shown", {kDup}, K(4, 3), "c_textsysrequest", "=", "", 3, 2, 0, 77, 0},
    {"reset leaves system request", {kSysReq}, K(4, 1), "c_textsysrequest", "=", "", 3, 2, 0, 0, 0},
    {"enter in system request sends it and leaves", {kSysReq}, K(6, 4), "c_textsysrequest", "=", "", 3, 2, 0, 0,
     kSystemRequestSent},
    {"an AID key in system request", {kSysReq}, K(6, 3), "c_textsysrequest", "=", "", 3, 2, 0, 6, 0},
    {"a text key in system request", {kSysReq}, K(26, 1), "c_textsysrequest", "=", "", 3, 2, 0, 6, 0},
    // PF keys through the host's command-key table.
    {"PF1 without an entry", {}, K(5, 1), "pfCmdKey", "=", "", 3, 2, 0x31, 0, kLocked},
    {"PF2 shows its prompt", {}, K(5, 2), "pfCmdKey", "=", "", 24, 5, 0, 0, kPrompt},
    {"PF3 arms the locate", {}, K(5, 3), "pfCmdKey", "=", "", 3, 2, 0, 0, kLocateArmed},
    {"PF12", {}, K(5, 12), "pfCmdKey", "=", "", 3, 2, 0x3C, 0, kLocked},
    {"PF13", {}, K(5, 13), "pfCmdKey", "=", "", 3, 2, 0xB1, 0, kLocked},
    {"PF24", {}, K(5, 24), "pfCmdKey", "=", "", 3, 2, 0xBC, 0, kLocked},
    // AID keys.
    {"print", {}, K(6, 1), "c_textprint", "=", "", 3, 2, 0xF6, 0, kLocked},
    {"roll up pages down", {}, K(6, 2), "c_textpgdown", "=", "", 3, 2, 0xF5, 0, kLocked},
    {"roll down pages up", {}, K(6, 3), "c_textpgup", "=", "", 3, 2, 0xF4, 0, kLocked},
    {"enter", {}, K(6, 4), "enterKey", "=", "", 3, 2, 0xF1, 0, kLocked},
    {"enter during prompt input sends the prompt's key", {kPromptKey}, K(6, 4), "enterKey", "=", "", 24, 5, 0x32, 0,
     kLocked | kPrompt},
    {"clear", {}, K(6, 5), "c_textclear", "=", "", 3, 2, 0xBD, 0, kLocked},
    {"test request", {}, K(6, 6), "c_texttestrequest", "=", "", 3, 2, 0, 0, kLocked | kTestRequestSent},
    {"help", {}, K(6, 7), "c_texthelp", "=", "", 3, 2, 0xF3, 0, kLocked},
    {"help while an error is shown", {kDup}, K(6, 7), "c_texthelp", "=", "", 3, 2, 0, 77, kHelpInErrorSent},
    {"help while an error is shown keeps it when most keys end errors", {kDup}, K(6, 7), "c_texthelp", "=", "", 3, 2,
     0, 77, kHelpInErrorSent, 2},
    {"PA1 does nothing", {}, K(6, 8), kNone, "=", "", 3, 2, 0, 0, 0},
    {"PA2 does nothing", {}, K(6, 9), kNone, "=", "", 3, 2, 0, 0, 0},
    {"PA3 does nothing", {}, K(6, 10), kNone, "=", "", 3, 2, 0, 0, 0},
    {"top of page", {}, K(6, 11), "c_texttopofpage", "=", "", 3, 2, 0xE5, 0, kLocked},
    {"bottom of page", {}, K(6, 12), "c_textbottomofpage", "=", "", 3, 2, 0xE6, 0, kLocked},
    // Data keys of every kind replace the character under the cursor.
    {"alphabetic", {}, K(9, 0xE7), "datakeys", "_XELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"alphabetic with caps", {}, K(10, 0xE8), "datakeys", "_YELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"punctuation", {}, K(11, 0x4B), "datakeys", "_.ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"punctuation with caps", {}, K(12, 0x6B), "datakeys", "_,ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"top-row digit", {}, K(13, 0xF1), "datakeys", "_1ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"keypad digit", {}, K(14, 0xF2), "datakeys", "_2ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"numeric", {}, K(15, 0xF3), "datakeys", "_3ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"alphanumeric", {}, K(16, 0xC1), "datakeys", "_AELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"data-entry minus", {}, K(17, 0x60), "datakeys", "_-ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"card-reader digit", {}, K(18, 0xF4), "datakeys", "_4ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"card-reader punctuation", {}, K(19, 0x4B), "datakeys", "_.ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"insert mode", {kInsert}, K(10, 0xE7), "datakeys", "_XHELLO WORLD|", "", 3, 3, 0, 0, kInsertOn},
    {"a data key on the prompt row", {kPromptKey}, K(10, 0xC1), "datakeys", "=", "", 24, 6, 0, 0, kPrompt},
    {"a data key with locate armed finds it", {kLocateKey}, K(10, 0xD6), "datakeys", "=", "", 3, 6, 0, 0,
     kLocateArmed},
    // Keys while an error is shown.
    {"a data key while an error is shown", {kDup}, K(10, 0xE7), kNone, "=", "", 3, 2, 0, 77, 0},
    {"a data key ends the error when most keys do", {kDup}, K(10, 0xE7), "datakeys", "_XELLO WORLD|", "", 3, 3, 0, 0,
     0, 2},
    {"a cursor key while an error is shown", {kDup}, K(1, 3), "c_textdup", "=", "", 3, 2, 0, 77, 0},
    {"a cursor key ends the error when cursor keys do", {kDup}, K(1, 3), "c_textright", "=", "", 3, 3, 0, 0, 0, 1},
    {"a data key is not taken when only cursor keys end errors", {kDup}, K(10, 0xE7), kNone, "=", "", 3, 2, 0, 77, 0,
     1},
    {"attention while an error is shown", {kDup}, K(4, 2), "c_textattention", "=", "", 3, 2, 0, 77, kAttentionSent},
    {"a click while an error is shown leaves it", {kDup}, kLeftPress, "c_textmouseclick", "=", "", 3, 2, 0, 77, 0, 0,
     4 * 80 + 9},
    {"a click ends the error when presses do", {kDup}, kLeftPress, "c_textmouseclick", "=", "", 5, 10, 0, 0, 0, 1,
     4 * 80 + 9},
    // Translator errors.
    {"a translator error", {}, K(23, 1), kNone, "=", "", 3, 2, 0, 1, 0},
    // Text keys.
    {"underscore", {kInsert}, K(26, 1), "c_textunderscore", "_#HELLO WORLD|" + kEnds, "", 3, 3, 0, 0, kInsertOn},
    {"end attribute", {kInsert, kUnderscore, kLeft}, K(26, 2), "c_textendattribute", "_#HELLO WORLD|" + kEnds, "", 3,
     3, 0, 0, kInsertOn},
    {"bold", {kInsert, kUnderscore, kLeft}, K(26, 3), "c_textintensify", "_%HELLO WORLD|" + kEnds, "", 3, 3, 0, 0,
     kInsertOn},
    {"word underscore", {}, K(26, 4), "c_textwordunderscore", "_*ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"superscript without planes enters its character", {}, K(26, 5), "processsecattr", "_<ELLO WORLD|", "", 3, 3, 0,
     0, 0},
    {"subscript without planes enters its character", {}, K(26, 6), "processsecattr", "_>ELLO WORLD|", "", 3, 3, 0, 0,
     0},
    {"stop code", {}, K(26, 7), "c_textstopcodefunction", "_$ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"required space", {}, K(26, 8), "c_textrqspace", "_+ELLO WORLD|", "", 3, 3, 0, 0, 0},
    {"required space in restricted editing", {}, K(26, 8), "c_textrqspace", "_+ELLO WORLD|", "", 3, 3, 0, 0, 0, 0, 0,
     {}, R1With(0x08)},
    {"required space forbidden by the host", {}, K(26, 8), "c_textrqspace", "=", "", 3, 2, 0, 77, 0, 0, 0, {},
     RestrictedWithoutRequiredSpace()},
    {"centre", {}, K(26, 9), "c_textcentertext", "_" + std::string(29, ' ') + "HELLO WORLD|", "", 3, 41, 0, 0, 0},
    {"page end", {}, K(26, 10), "c_textpageend", "=", "", 3, 2, 0xE7, 0, kLocked},
    {"page end on the prompt row is prompt input", {kPromptKey}, K(26, 10), "c_textpageend", "=", "", 24, 6, 0, 0,
     kPrompt},
    {"page end refused by the host", {}, K(26, 10), "c_textpageend", "=", "", 3, 2, 0, 77, 0, 0, 0, {}, R1With(0x80)},
    {"page end in restricted editing", {}, K(26, 10), "c_textpageend", "=", "", 3, 2, 0, 77, 0, 0, 0, {},
     R1With(0x08)},
    {"stop-code advance without a stop code", {}, K(26, 11), "c_textstopcodeadvance", "=", "", 3, 2, 0xE0, 0,
     kLocked},
    {"text symbols without an entry", {}, K(26, 12), "altAKey", "=", "", 3, 2, 0, 3, 0},
    {"text symbols with locate armed", {kLocateKey}, K(26, 12), "altAKey", "=", "", 3, 2, 0xEB, 0,
     kLocked | kLocateArmed},
    {"text symbols during prompt input", {kPromptKey}, K(26, 12), "altAKey", "=", "", 24, 5, 0, 74, kPrompt},
    {"alt d", {}, K(26, 13), "c_textaltd", "=", "", 3, 2, 0xD4, 0, kLocked},
    // The mouse.
    {"a click in the text moves the cursor", {}, kLeftPress, "c_textmouseclick", "=", "", 5, 10, 0, 0, 0, 0,
     4 * 80 + 9},
    {"a click left of the margin is ignored", {}, kLeftPress, "c_textmouseclick", "=", "", 3, 2, 0, 0, 0, 0, 4 * 80},
    {"a double click is Enter", {kRight}, K(27, 3), "c_textmousedoubleclick", "=", "", 3, 3, 0xF1, 0, kLocked, 0,
     4 * 80 + 9},
};

TEST(AllKeys, EveryKeyReachesItsHandler) {
  for (const KeyCase& c : kCases) {
    SCOPED_TRACE(c.name);
    KeysStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    ASSERT_EQ(s.defineCommandKeys(), 0u);
    s.display.options().errorResetPreference = c.errorResetPreference;
    ASSERT_EQ(Show(s.row(3)), kRow3);
    if (!c.page.empty()) ASSERT_EQ(s.run(c.page), 0u);
    for (FunctionWord w : c.before) s.key(w);
    if (!c.record.empty()) ASSERT_EQ(s.run(c.record), 0u);
    const size_t sentBefore = s.host.sent.size();
    const std::string handlerBefore = s.text()->lastHandler();
    s.key(c.key, c.at);
    EXPECT_EQ(s.text()->lastHandler(), c.handler == kNone ? handlerBefore : std::string(c.handler));
    EXPECT_EQ(Show(s.row(3)), c.row3 == "=" ? kRow3 : c.row3);
    EXPECT_EQ(Show(s.row(4)), c.row4);
    for (unsigned int r = 5; r <= 23; ++r) EXPECT_EQ(Show(s.row(r)), "") << "row " << r;
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.column))
        << "row " << s.text()->cursorPos / 80 + 1 << " column " << s.text()->cursorPos % 80 + 1;
    // The AID of the key, or of the keys before when the key sends none.
    if (c.aid) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], c.aid);
      // The record starts with the cursor's row and column.
      EXPECT_EQ(s.host.sent[0][0], c.row);
      EXPECT_EQ(s.host.sent[0][1], c.column);
    } else {
      EXPECT_TRUE(s.host.sent.empty());
    }
    if (c.aid && sentBefore) EXPECT_EQ(s.host.sent.size(), sentBefore) << "the key itself sent a record";
    EXPECT_EQ(s.text()->errorFlag(), c.error != 0);
    EXPECT_EQ(s.text()->lastOperatorError(), c.error);
    // Help in error names the error shown.
    if (c.state & kHelpInErrorSent) EXPECT_EQ(s.host.helpErrors, std::vector<unsigned int>{c.error});
    // An operator error locks the keyboard until Reset.
    EXPECT_EQ(StateOf(s), c.state | (c.error ? kLocked : 0u));
  }
}

// On the prompt row Dup and Page End are the operator's input: their
// characters go there, and Enter sends the prompt's key.
TEST(AllKeys, DupAndPageEndTypeIntoThePrompt) {
  KeysStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.defineCommandKeys(), 0u);
  for (FunctionWord w : {kPromptKey, K(2, 4), K(26, 10)}) s.key(w);
  EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
  const Bytes prompt = s.row(24);
  const Bytes expected = Ebc("FIND") + Bytes{0x1C, 0x0C};
  EXPECT_EQ(Bytes(prompt.begin(), prompt.begin() + 6), expected);
  s.key(K(6, 4));
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0x32);
}

// Reset ends a marked delete start (the marked characters come back) and
// an armed locate (its prompt leaves the prompt row); the host is told
// nothing.
TEST(AllKeys, ResetEndsAMarkingAndALocate) {
  struct Case {
    const char* name;
    Keys keys;
  };
  const Case cases[] = {
      {"delete start", {kRight, K(3, 2)}},
      {"locate", {kRight, kLocateKey}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeysStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    ASSERT_EQ(s.run(Wsf(CommandKeys(true))), 0u);
    for (FunctionWord w : c.keys) s.key(w);
    ASSERT_TRUE(s.text()->stateWord() & text_mode::kLocate);
    s.key(kReset);
    EXPECT_EQ(Show(s.row(3)), kRow3);
    EXPECT_EQ(Show(s.row(24)), "");
    EXPECT_FALSE(s.text()->stateWord() & (text_mode::kLocate | text_mode::kCopyMoveDel26));
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, 3));
    EXPECT_TRUE(s.host.sent.empty());
    // The keys edit again.
    s.key(K(10, 0xE7));
    EXPECT_EQ(Show(s.row(3)), "_HXLLO WORLD|");
  }
}

// A host write that comes while an error is shown is held; Reset ends the
// error and the contention, and the held write then runs.
TEST(AllKeys, ResetLetsAHeldHostWriteRun) {
  KeysStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  s.key(kDup);
  ASSERT_TRUE(s.text()->errorFlag());
  const Bytes write = Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({5, Bytes{0x00} + Ebc("HOST"), 3})));
  s.host.setDisplayObjectPtr(&s.display);
  s.host.processNewDataStream(DataStreamManager::kRecord, write.data(), static_cast<unsigned int>(write.size()));
  ASSERT_TRUE(s.host.contention());
  EXPECT_EQ(Show(s.row(5)), "");
  s.key(kReset);
  EXPECT_FALSE(s.text()->errorFlag());
  EXPECT_FALSE(s.host.contention());
  EXPECT_EQ(s.host.processBufferedDataStreamsIfNeeded(), 0u);
  EXPECT_EQ(s.host.heldRecordCount(), 0u);
  EXPECT_EQ(Show(s.row(5)), "_HOST");
}

// With hot spots acting on double clicks a double click on the text page
// does nothing (no hot spots are shown there).
TEST(AllKeys, ADoubleClickIsNotEnterWhenHotSpotsTakeDoubleClicks) {
  KeysStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  s.display.options().hotSpotClickMode = 2;
  s.key(K(27, 3), s.offset(5, 10));
  EXPECT_EQ(s.text()->lastHandler(), std::string("c_textmousedoubleclick"));
  EXPECT_TRUE(s.host.sent.empty());
  EXPECT_FALSE(s.display.keyboardState().isLockedState());
}

// A missing scale line holds its error through Reset until the host
// defines the scale lines again; then Reset ends it and the keys edit.
TEST(AllKeys, AMissingScaleLineWaitsForTheHost) {
  KeysStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.run(NoScaleLineOne()), 0u);
  s.key(kRight);
  ASSERT_EQ(s.text()->lastOperatorError(), 78u);
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0xE1);
  s.key(kReset);
  EXPECT_EQ(s.text()->lastOperatorError(), 78u);
  EXPECT_TRUE(s.display.keyboardState().isLockedState());
  // The host's answer: scale line 1 again, and a write that unlocks.
  ASSERT_EQ(s.run(Wsf(Dfscl(ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}})))), 0u);
  s.key(kReset);
  EXPECT_FALSE(s.text()->errorFlag());
  ASSERT_EQ(s.run(R2()), 0u);
  EXPECT_FALSE(s.display.keyboardState().isLockedState());
  s.key(K(10, 0xE7));
  EXPECT_EQ(Show(s.row(3)), "_XELLO WORLD|");
}

}  // namespace
