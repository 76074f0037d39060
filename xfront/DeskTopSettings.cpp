#include "xfront/DeskTopSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "base/LogMsg.h"
#include "base/PrivateFiles.h"
#include "session/AppResources.h"
#include "session/ResourceKeywords.h"

namespace {

constexpr const char* kFormatNames[] = {"24x80", "27x132", "32x80", "43x80"};

std::string Folder() {
  const char* shared = std::getenv("KDVSHARED");
  return shared && *shared ? std::string(shared) + "/QW5250" : std::string();
}

}  // namespace

DeskTopSettings& DeskTopSettings::instance() {
  static DeskTopSettings settings;
  return settings;
}

// The toolkit may be gone at exit: the timer is forgotten, not removed.
DeskTopSettings::~DeskTopSettings() {
  if (!pending_) return;
  pending_ = 0;
  writeToFile();
}

void DeskTopSettings::resetForTesting() {
  if (pending_) XtRemoveTimeOut(pending_);
  pending_ = 0;
  loaded_ = false;
  enabled_ = writable_ = true;
  app_ = nullptr;
  fileName_.clear();
  data_ = DeskTopData();
  writes_ = 0;
}

void DeskTopSettings::load(XtAppContext app, int screenWidth, int screenHeight) {
  if (loaded_) return;
  loaded_ = true;
  app_ = app;
  const AppResourceStruct& res = AppResources();
  enabled_ = res.DESKTOP_FUNCTION != QwDisable;
  writable_ = enabled_ && res.drevask != QwDisableAndHide;
  if (!enabled_) {
    if (DebugFlag()) LogMsg(LevelDebug, "Desktop function disabled: ressource code = %d.\n", res.DESKTOP_FUNCTION);
    return;
  }
  const int row = DeskTopFileRow(screenWidth, screenHeight);
  fileName_ = DeskTopFileNameOfRow(row);
  if (!writable_) return;
  const std::string folder = Folder();
  if (folder.empty()) return;
  for (int i = row; i < DeskTopFileCount(); ++i) {
    const std::string path = folder + "/" + DeskTopFileNameOfRow(i);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      if (DebugFlag())
        LogMsg(LevelDebug, "Unable to open desk top file %s for reading. errno = %d.\n", path.c_str(), errno);
      continue;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string why;
    DeskTopData d;
    if (!DecodeDeskTop(bytes, &d, &why)) {
      LogMsg(LevelWarning, "Desk top file %s is damaged (%s); default settings used.\n", path.c_str(), why.c_str());
      return;
    }
    data_ = d;
    if (DebugFlag())
      for (size_t k = 0; k < data_.sessions.size(); ++k)
        LogMsg(LevelDebug, "%d.Session id %s desktop settings: (x,y) (%d,%d), font number %d.\n",
               static_cast<int>(k), data_.sessions[k].id.c_str(), data_.sessions[k].x, data_.sessions[k].y,
               data_.sessions[k].font);
    return;
  }
}

bool DeskTopSettings::getFontSizeForScreenSize(int rows, int cols, int* font) const {
  if (!enabled_) return false;
  const int f = ScreenFormatOf(rows, cols);
  if (!data_.fontSet[f]) return false;
  *font = data_.font[f];
  return true;
}

bool DeskTopSettings::getWindowPositionForSession(const std::string& id, int* x, int* y) const {
  if (!enabled_) return false;
  for (const DeskTopSessionRecord& r : data_.sessions)
    if (r.id == id.substr(0, DeskTopSessionRecord::kMaxIdLength)) {
      *x = r.x;
      *y = r.y;
      return true;
    }
  return false;
}

bool DeskTopSettings::getFontSizeForSession(const std::string& id, int* font) const {
  if (!enabled_) return false;
  for (const DeskTopSessionRecord& r : data_.sessions)
    if (r.id == id.substr(0, DeskTopSessionRecord::kMaxIdLength)) {
      *font = r.font;
      return true;
    }
  if (data_.sessions.empty()) return getFontSizeForScreenSize(24, 80, font);
  *font = data_.sessions.front().font;
  return true;
}

void DeskTopSettings::updateFontSizeSettingForScreenSize(int rows, int cols, int font) {
  if (!enabled_ || font < 0 || font > 255) return;
  const int f = ScreenFormatOf(rows, cols);
  if (data_.fontSet[f] && data_.font[f] == font) return;
  data_.fontSet[f] = true;
  data_.font[f] = static_cast<unsigned char>(font);
  if (DebugFlag()) LogMsg(LevelDebug, " Updating %s font number desktop setting to: %d.\n", kFormatNames[f], font);
  writeNowOrLater(false);
}

void DeskTopSettings::updateSettingsForSession(const std::string& fullId, int x, int y, int font, bool writeNow) {
  if (!enabled_ || fullId.empty() || font < 0 || font > 255) return;
  const std::string id = fullId.substr(0, DeskTopSessionRecord::kMaxIdLength);
  x = std::max(-65535, std::min(65535, x));
  y = std::max(-65535, std::min(65535, y));
  auto& s = data_.sessions;
  size_t found = s.size();
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i].id == id) {
      found = i;
      break;
    }
  if (found < s.size() && s[found].x == x && s[found].y == y && s[found].font == font) return;
  if (found < s.size())
    s.erase(s.begin() + static_cast<long>(found));
  else if (static_cast<int>(s.size()) >= DeskTopData::kMaxSessions)
    s.pop_back();
  DeskTopSessionRecord r;
  r.x = x;
  r.y = y;
  r.font = font;
  r.id = id;
  s.insert(s.begin(), r);
  if (DebugFlag())
    LogMsg(LevelDebug, "Updating session id %s desktop settings to: (x,y) (%d,%d), font number %d.\n", id.c_str(), x,
           y, font);
  writeNowOrLater(writeNow);
}

void DeskTopSettings::writeNowOrLater(bool now) {
  if (now || !app_) {
    if (pending_) XtRemoveTimeOut(pending_);
    pending_ = 0;
    writeToFile();
    return;
  }
  if (pending_) XtRemoveTimeOut(pending_);
  pending_ = XtAppAddTimeOut(app_, 1000, timerProc, this);
}

void DeskTopSettings::timerProc(XtPointer self, XtIntervalId* id) {
  auto* s = static_cast<DeskTopSettings*>(self);
  if (!s->pending_ || *id != s->pending_) return;
  s->pending_ = 0;
  s->writeToFile();
}

void DeskTopSettings::flush() {
  if (!pending_) return;
  XtRemoveTimeOut(pending_);
  pending_ = 0;
  writeToFile();
}

bool DeskTopSettings::writeToFile() {
  if (!writable_) return false;
  const char* shared = std::getenv("KDVSHARED");
  if (!shared || !*shared) {
    LogMsg(LevelError, "%s: %s environment variable not defined. DeskTop settings not saved.\n", "QWC0157",
           "KDVSHARED");
    return false;
  }
  if (CheckAndCreateDirectory(shared, kPrivateFolderMode) || CheckAndCreateDirectory(Folder().c_str(), kPrivateFolderMode))
    return false;
  const std::string path = Folder() + "/" + (fileName_.empty() ? "DeskTop" : fileName_);
  const std::string bytes = EncodeDeskTop(data_);
  // A new file beside it, renamed over it: a link planted at its name is
  // replaced, never followed.
  if (!ReplaceFileSafely(path, bytes.data(), bytes.size(), kPrivateFileMode)) {
    LogMsg(LevelError, "%s: Write to desk top file %s failed. errno = %d.\n", "QWC0161", path.c_str(), errno);
    return false;
  }
  ++writes_;
  return true;
}

int CheckAndCreateDirectory(const char* path, unsigned int mode) {
  if (!path || !*path) return 1;
  if (::access(path, R_OK | W_OK) == 0) return 0;
  if (errno != ENOENT) {
    LogMsg(LevelError, "%s: Unable to access directory %s.  errno = %x\n", "QWC0163", path, errno);
    return 1;
  }
  if (const int error = MakePrivateFolder(path)) {
    LogMsg(LevelError, "%s: Unable to make directory %s.  errno = %x. create_mode = %x.\n", "QWC0162", path, error,
           mode);
    return 1;
  }
  if (DebugFlag()) LogMsg(LevelDebug, " directory %s made.\n", path);
  return 0;
}
