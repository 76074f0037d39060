#include "wm/shell/MessageCatalog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/sdk/NLSLocate.h"

namespace {

struct Slot {
  const char* key;
  const char* text;
};

constexpr Slot kDefaults[CatalogTextCount] = {
    {"MinimizeAll", "&Minimize All Windows"},
    {"ConstrainWindows", "Do Not Constrain &Windows"},
    {"IconPlacement", "&Icon Placement"},
    {"ColorTheme", "Color &Theme"},
    {"ScreenSaver", "Disable &Screen Saver"},
    {"LockScreen", "&Lock Screen"},
    {"ChangePIN", "Change &PIN"},
    {"Logoff", "Logoff and E&xit"},
    {"Restore", "&Restore"},
    {"Move", "&Move"},
    {"Size", "&Size"},
    {"Minimize", "Mi&nimize"},
    {"Maximize", "Ma&ximize"},
    {"Close", "&Close"},
    {"IconMenuTitle", "<Select Icon Placement"},
    {"IconsTopLR", "Top, left to right"},
    {"IconsTopRL", "Top, right to left"},
    {"IconsBottomLR", "Bottom, left to right"},
    {"IconsBottomRL", "Bottom, right to left"},
    {"IconsLeftTB", "Left, top to bottom"},
    {"IconsLeftBT", "Left, bottom to top"},
    {"IconsRightTB", "Right, top to bottom"},
    {"IconsRightBT", "Right, bottom to top"},
    {"ColorThemeTitle", "<Select Color Theme"},
    {"ThemeWarning", "You may need to restart some applications to change their colors"},
    {"TimeSeparator", ":"},
    {"AM", "am"},
    {"PM", "pm"},
    {"Welcome", "Welcome to the Quexel"},
    {"UserName", "User Name:"},
    {"Password", "Password:"},
    {"ReEnterPassword", "Re-Enter Password:"},
    {"EnterPIN", "Enter PIN:"},
    {"Login", "Login"},
    {"Shutdown", "Shutdown"},
    {"LockButton", "Lock"},
    {"UnlockButton", "Unlock"},
    {"LogoffButton", "Logoff"},
    {"RebootButton", "Reboot"},
    {"IncorrectLogin", "Could not authenticate against your network server.  Please try again."},
    {"IncorrectPassword", "Incorrect Password.  Please try again."},
    {"IncorrectPIN", "Incorrect PIN.  Please try again."},
    {"NotSameCard", "The inserted smart card is not the same as the one used for login."},
    {"LowMemoryKill", "A process was terminated because of low memory."},
    {"LowMemoryWarning", "The system is low on memory.  Please close some applications."},
    {"Connecting", "Connecting to Internet Service Provider ..."},
    {"WelcomeUnlock", "Screen Locked"},
    {"WelcomeUnlockBy", "Screen Locked by %s"},
    {"EnterLockPassword", "Enter Lock Screen Password"},
    {"PasswordsDontMatch", "The passwords do not match.  Please try again."},
    {"Ok", "Ok"},
    {"Cancel", "Cancel"},
    {"Yes", "Yes"},
    {"No", "No"},
    {"LoggedInUser", "%s is logged in on this QX"},
    {"ScreenDumpName", "Screen Dump %d"},
    {"TalkConnection", "Talk connection requested by %s@%s at %d%s%02d %s"},
    {"MyWebSite", "My Web Site"},
    {"DiskSpaceLeft", "There is less than %ld Mb of disk space left on your home server"},
    {"EnableScreenSaver", "Enable &Screen Saver"},
    {"DisableScreenSaver", "Disable &Screen Saver"},
    {"EnableConstrain", "Constrain &Windows"},
    {"DisableConstrain", "Do Not Constrain &Windows"},
    {"ScreenLockedKey", "The screen is locked.  Press any key or mouse button to unlock."},
    {"ScreenLockedCard", "The screen is locked.  Insert your smart card to unlock."},
    {"ScreenLockedRemove", "The screen is locked.  You may remove your smart card."},
    {"NotEnoughMemory",
     "There may not be enough memory to launch this application.\nPlease close some other applications and try "
     "again."},
    {"ConfirmLogoff", "Do you really wish to logoff and exit?"},
    {"ConfirmLock", "Do you really wish to lock the screen?"},
    {"ExecutionFailed", "Execution of %s failed: %s"},
    {"ChangePINTitle", "Change PIN"},
    {"OldPIN", "Old PIN:"},
    {"NewPIN", "New PIN:"},
    {"NewPINAgain", "New PIN again:"},
    {"PINChanged", "The PIN has been changed."},
    {"PINsDontMatch", "The new PINs do not match.  Please try again."},
    {"PINLength", "A PIN has 1 to 8 characters.  Please try again."},
    {"WrongOldPIN", "The old PIN is wrong.  Please try again."},
    {"WrongOldPINTries", "The old PIN is wrong.  Tries left before the card blocks it: %d"},
    {"PINBlocked", "The card's PIN is blocked.  Only the card's unblocking code can free it."},
    {"PINNotChanged", "The card did not change the PIN."},
    {"NoCard", "There is no card in the reader."},
};

std::string& Current(int id) {
  static std::vector<std::string> texts;
  if (texts.empty())
    for (const Slot& s : kDefaults) texts.emplace_back(s.text);
  return texts[static_cast<size_t>(id)];
}

bool Valid(int id) { return id >= 0 && id < CatalogTextCount; }

constexpr size_t kLine = 1024;

// Length of the conversion at text[0] == '%' (flags, width, precision,
// length modifier and the conversion character); 0 when it is none.
size_t ConversionLength(const char* text) {
  size_t i = 1;
  while (text[i] && std::strchr("-+ #0'", text[i])) ++i;
  while (text[i] >= '0' && text[i] <= '9') ++i;
  if (text[i] == '.') {
    ++i;
    while (text[i] >= '0' && text[i] <= '9') ++i;
  }
  while (text[i] && std::strchr("hlLqjzt", text[i])) ++i;
  if (!text[i]) return i;  // a cut conversion counts as one, and never matches a default's
  return i + 1;
}

}  // namespace

const char* CatalogText(int id) { return Valid(id) ? Current(id).c_str() : ""; }
const char* CatalogKey(int id) { return Valid(id) ? kDefaults[id].key : ""; }
const char* CatalogDefault(int id) { return Valid(id) ? kDefaults[id].text : ""; }

void ResetMessageCatalog() {
  for (int i = 0; i < CatalogTextCount; ++i) Current(i) = kDefaults[i].text;
}

std::vector<std::string> TextConversions(const char* text) {
  std::vector<std::string> out;
  for (const char* p = text; p && *p; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    const size_t n = ConversionLength(p);
    out.emplace_back(p, n);
    p += n - 1;
  }
  return out;
}

int ApplyCatalogLine(const char* line) {
  if (!line) return 0;
  while (*line == ' ' || *line == '\t' || *line == '\r' || *line == '\n') ++line;
  if (!*line || *line == '#' || *line == ':') return 0;
  const char* colon = std::strchr(line, ':');
  if (!colon) return 0;
  const std::string key(line, static_cast<size_t>(colon - line));
  const char* start = colon + 1;
  while (*start == ' ' || *start == '\t') ++start;
  std::string text(start);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  std::string expanded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      expanded += '\n';
      ++i;
    } else {
      expanded += text[i];
    }
  }
  for (int id = 0; id < CatalogTextCount; ++id) {
    if (key != kDefaults[id].key) continue;
    // The program fills the default's conversions: a text that asks for
    // others keeps the default.
    if (TextConversions(expanded.c_str()) != TextConversions(kDefaults[id].text)) return 0;
    Current(id) = expanded;
    return 1;
  }
  return 0;
}

void ApplyCatalogBytes(const char* data, size_t size) {
  std::string pending;
  bool dropping = false;  // the rest of a line too long to keep
  for (size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\n') {
      if (!dropping) ApplyCatalogLine(pending.c_str());
      pending.clear();
      dropping = false;
      continue;
    }
    if (dropping) continue;
    pending += c;
    if (pending.size() >= kLine) {
      // A full buffer without a line end is applied as one line, its last
      // byte cut, and the rest of that line dropped.
      pending.pop_back();
      ApplyCatalogLine(pending.c_str());
      pending.clear();
      dropping = true;
    }
  }
}

int LoadMessageCatalog() {
  char path[1024];
  if (QXNLSLocateFile("qxteldra", path, sizeof path) != 0) return 0;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return 0;
  std::string bytes;
  char block[4096];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(block, static_cast<size_t>(n));
    if (bytes.size() > (1u << 20)) break;  // far more than any catalog
  }
  close(fd);
  ApplyCatalogBytes(bytes.data(), bytes.size());
  return 1;
}

std::string FormatCatalogText(int id, const std::vector<std::string>& args) {
  const char* text = CatalogText(id);
  std::string out;
  size_t next = 0;
  for (const char* p = text; *p; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    if (p[1] == '%') {
      out += '%';
      ++p;
      continue;
    }
    const size_t n = ConversionLength(p);
    if (next < args.size()) out += args[next];
    ++next;
    p += n - 1;
  }
  return out;
}
