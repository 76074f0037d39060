// The presentation-space class: the cursor, the screen, keys and text sent
// to a session, and switching its keystroke and presentation-space events.
#include <langinfo.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string>

#include "api/EclFunctions.h"
#include "api/EclSessions.h"
#include "api/EclWire.h"
#include "api/EventSocket.h"
#include "api/KeyNames.h"
#include "api/ProgrammingInterface.h"
#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/StationServices.h"
#include "keyboard/KeyboardState.h"
#include "session/CodePageConverter.h"
#include "session/KeyGlue.h"
#include "session/Language.h"
#include "session/ScreenInfo.h"
#include "session/SessionControlBlock.h"

namespace {

// The session's host code set (that of its language, else CP037).
std::string HostCodeSet(SessionControlBlock* s) {
  return s->languageRow && s->languageRow->hostCodeSet ? s->languageRow->hostCodeSet : "QAV-037";
}

std::string LocaleCodeSet(SessionControlBlock* s) {
  const std::string& set = s->codePages.localeCodeSet();
  if (!set.empty()) return set;
  const char* codeset = nl_langinfo(CODESET);
  return codeset && *codeset ? codeset : "ISO-8859-1";
}

// UTF-8 to a host code set, one converter per code set.
const CodePageConverter* Utf8ToHost(const std::string& host) {
  static std::map<std::string, std::unique_ptr<CodePageConverter>> converters;
  auto& c = converters[host];
  if (!c) {
    c = std::make_unique<CodePageConverter>();
    c->open(host.c_str(), "UTF-8");
  }
  return c->isOpen() ? c.get() : nullptr;
}

// The locale's text of each EBCDIC byte (attribute bytes 0x01-0x3F shown
// as blanks), one table per pair of code sets.
using ByteTexts = std::array<std::string, 256>;
const ByteTexts& ScreenTexts(const std::string& host, const std::string& locale) {
  static std::map<std::string, std::unique_ptr<ByteTexts>> tables;
  auto& t = tables[host + "\n" + locale];
  if (!t) {
    t = std::make_unique<ByteTexts>();
    CodePageConverter c;
    const bool open = c.open(locale.c_str(), host.c_str());
    for (int b = 0; b < 256; ++b) {
      const unsigned char in = (b >= 0x01 && b <= 0x3F) ? 0x40 : static_cast<unsigned char>(b);
      unsigned char out[6];
      CodePageConverter::Result r;
      if (open) r = c.convert(&in, 1, out, sizeof out, -1);
      (*t)[b] = r.written > 0 ? std::string(reinterpret_cast<char*>(out), r.written) : std::string(" ");
    }
  }
  return *t;
}

// The length of the UTF-8 character a lead byte starts (RFC 3629); 0 for a
// byte that starts none.
size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Converts UTF-8 text to the session's EBCDIC; a character the code page
// lacks becomes a blank (0x40). False on text that is not UTF-8.
bool ToEbcdic(SessionControlBlock* s, const std::string& text, std::vector<unsigned char>* out, const char* what) {
  out->clear();
  const CodePageConverter* c = Utf8ToHost(HostCodeSet(s));
  if (!c) {
    LogMsg(LevelError, "%s: %s : unable to convert utf8 to session ebcdic.\n", "QWC0716", what);
    return false;
  }
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  size_t left = text.size();
  std::vector<unsigned char> buffer(2 * text.size() + 2);
  while (left > 0) {
    const CodePageConverter::Result r = c->convert(in, left, buffer.data(), buffer.size(), -1);
    out->insert(out->end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(r.written));
    in += r.consumed;
    left -= r.consumed;
    if (left == 0) break;
    if (r.outOfRoom && r.written == 0) {
      LogMsg(LevelError, "%s: %s : unable to convert utf8 to session ebcdic.\n", "QWC0716", what);
      return false;
    }
    if (r.outOfRoom) continue;
    const size_t skip = Utf8Length(*in);
    if (skip == 0 || skip > left) {
      if (DebugFlag()) LogMsg(LevelDebug, "ECLPS.%s terminating early. mblen returned %d.\n", what, -1);
      return false;
    }
    out->push_back(0x40);
    in += skip;
    left -= skip;
  }
  return true;
}

void SendDataKeys(SessionControlBlock* s, const std::vector<unsigned char>& ebcdic) {
  if (ebcdic.empty()) return;
  std::vector<unsigned char> record;
  record.reserve(ebcdic.size() + 1);
  record.push_back(kKeyTypeData);
  record.insert(record.end(), ebcdic.begin(), ebcdic.end());
  s5250_key(s, record.data(), static_cast<int>(record.size()));
  s->xstuff.Flush_X5250(0);
}

bool SessionGone(int handle, SessionControlBlock* s) { return EclSession(handle) != s; }

int32_t SendKeys(SessionControlBlock* s, int handle, const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    if (SessionGone(handle, s)) return ecl::kSuccess;
    const char c = text[i];
    if (c == '[' || c == ']') {
      if (i + 1 < text.size() && text[i + 1] == c) {
        unsigned char ebcdic[4];
        const int n = s->convertLocaleASCIIToEBCDIC(reinterpret_cast<const unsigned char*>(&c), 1, ebcdic, 4);
        SendDataKeys(s, std::vector<unsigned char>(ebcdic, ebcdic + (n > 0 ? n : 0)));
        i += 2;
        continue;
      }
      if (c == ']') {
        LogMsg(LevelError, "%s:  SendKeys error:  ']' found in singular form - %s\n", "QWC0715", text.c_str() + i);
        return ecl::kSendKeysError;
      }
      const size_t close = text.find(']', i);
      if (close == std::string::npos) {
        LogMsg(LevelError, "%s:  SendKeys error: no matching ']' - %s\n", "QWC0715", text.c_str() + i);
        return ecl::kSendKeysError;
      }
      const std::string token = text.substr(i, close - i + 1);
      const int code = KeystrokeCodeOfName(token);
      if (code < 0) {
        LogMsg(LevelError, "%s:  SendKeys error: key not found - %s\n", "QWC0714", token.c_str());
        return ecl::kSendKeysError;
      }
      const unsigned char key = static_cast<unsigned char>(code);
      s5250_key(s, &key, 1);
      if (!SessionGone(handle, s)) s->xstuff.Flush_X5250(0);
      i = close + 1;
      continue;
    }
    // A run of text up to the next "[" ("]" inside it is text).
    size_t end = text.find('[', i + 1);
    if (end == std::string::npos) end = text.size();
    std::vector<unsigned char> ebcdic;
    if (!ToEbcdic(s, text.substr(i, end - i), &ebcdic, "SendKeys")) return ecl::kSendKeysError;
    SendDataKeys(s, ebcdic);
    i = end;
  }
  return ecl::kSuccess;
}

void MoveCursor(SessionControlBlock* s, uint32_t position) {
  DisplayBag* d = s->display;
  const unsigned int last = d->rows() * d->columns();
  if (position >= last) return;
  const unsigned int state = d->keyboardState().state();
  if (state == KeyboardState::kNormalUnlocked || state == KeyboardState::kNormalLocked) {
    if (AreaOfScreen* area = d->getCurrentArea()) d->services()->moveCursorThroughArea(area, position);
  }
  d->outputChanges();
  s->xstuff.Flush_X5250(0);
}

void ScreenReply(SessionControlBlock* s, std::vector<unsigned char>& reply) {
  static ScreenInfo info;  // 18 KB: kept, not made for every read
  // The colour and highlighting planes come from the window's attributes.
  FillScreenInfo(*s->display, s->xstuff.attributeMirror(), &info);
  const ByteTexts& texts = ScreenTexts(HostCodeSet(s), LocaleCodeSet(s));
  const unsigned int cells = std::min<unsigned int>(unsigned{info.rows} * info.columns, ScreenInfo::kPositions);
  reply.reserve(14 + 6 * cells + 4 * (4 + ScreenInfo::kPositions));
  ecl::Put32(reply, info.rows);
  ecl::Put32(reply, info.columns);
  const size_t lengthAt = reply.size();
  reply.resize(lengthAt + 6);  // the length twice, filled in below
  for (unsigned int i = 0; i < cells; ++i) {
    const std::string& t = texts[info.text[i]];
    if (t.size() == 1)
      reply.push_back(static_cast<unsigned char>(t[0]));
    else
      reply.insert(reply.end(), t.begin(), t.end());
  }
  const size_t length = reply.size() - lengthAt - 6;
  for (int k = 0; k < 4; ++k) reply[lengthAt + k] = static_cast<unsigned char>(length >> (24 - 8 * k));
  reply[lengthAt + 4] = static_cast<unsigned char>(length >> 8);
  reply[lengthAt + 5] = static_cast<unsigned char>(length);
  for (const unsigned char* plane : {info.colour, info.attribute, info.shift, info.spare}) {
    ecl::Put32(reply, ScreenInfo::kPositions);
    ecl::PutBytes(reply, plane, ScreenInfo::kPositions);
  }
}

}  // namespace

int32_t eclps(EclCall& call) {
  const std::vector<unsigned char>& data = *call.data;
  const int handle = ecl::SessionHandleOf(data);
  SessionControlBlock* s = EclSession(handle);
  if (!s || !s->display) {
    LogMsg(LevelError, "%s: eclps - No session exists for corresponding handle %d. \n", "QWC0713", handle);
    return ecl::kNoSession;
  }
  std::vector<unsigned char>& reply = *call.reply;
  EventSocket* events = ProgrammingInterfaceEvents();
  std::string text;
  switch (call.functionId) {
    case 0:
      ecl::Put32(reply, static_cast<uint32_t>(s->display->cursor().getCursorOffset()));
      return ecl::kSuccess;
    case 1:
      if (data.size() >= 8) MoveCursor(s, ecl::Get32(data.data() + 4));
      return ecl::kSuccess;
    case 2:
      if (!ecl::TextOf(data, 6, ecl::kMaxRequestData, &text)) return ecl::kSendKeysError;
      return SendKeys(s, handle, text);
    case 3:
      ScreenReply(s, reply);
      return ecl::kSuccess;
    case 4: {
      if (!ecl::TextOf(data, 6, ecl::kMaxRequestData, &text)) return ecl::kSetStringError;
      std::vector<unsigned char> ebcdic;
      if (!ToEbcdic(s, text, &ebcdic, "SetString")) return ecl::kSetStringError;
      SendDataKeys(s, ebcdic);
      return ecl::kSuccess;
    }
    case 5:
    case 6:
      if (events) events->setFlag(EventSocket::kIntercept, handle, call.functionId == 5);
      return ecl::kSuccess;
    case 7:
    case 8:
      if (events) {
        const bool first = data.size() < 8 || data[7] == 0;
        events->setFlag(first ? EventSocket::kPresentationSpace : EventSocket::kPresentationSpace2, handle,
                        call.functionId == 7);
      }
      return ecl::kSuccess;
    case 10: {
      if (!ecl::TextOf(data, 4, ecl::kMaxRequestData, &text)) return ecl::kSuccess;
      std::vector<unsigned char> ebcdic(text.size() + 2);
      const int n = s->convertLocaleASCIIToEBCDIC(reinterpret_cast<const unsigned char*>(text.data()),
                                                  static_cast<int>(text.size()), ebcdic.data(),
                                                  static_cast<int>(ebcdic.size()));
      ebcdic.resize(static_cast<size_t>(n > 0 ? n : 0));
      SendDataKeys(s, ebcdic);
      return ecl::kSuccess;
    }
    case 30:
      reply.push_back(s->display->keyboardState().isLockedState() ? 0 : 1);
      return ecl::kSuccess;
    default:
      LogMsg(LevelError, "%s: eclps - invalid function id %d. \n", "QWC0713", call.functionId);
      return ecl::kBadFunction;
  }
}
