// Recording and playback of keystroke macros: the recorder's producers, the
// save step, the playback steps and the sign-on macro. The dialogs that
// drive them are in PlayRecordDialogs.cpp.
#include "tools/PlayRecord.h"

#include <X11/Intrinsic.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/LogMsg.h"
#include "base/PrivateFiles.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/ConfigDaemonClient.h"
#include "session/KeyGlue.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "tools/PlayRecordWidgets.h"
#include "tools/PlaybackFile.h"
#include "xfront/RenderingX.h"
#include "xfront/XStuff.h"

namespace {

constexpr int kStepLimitRate = 50;
constexpr unsigned long kSignonCheckMs = 250;
constexpr size_t kMaxUserId = 511;
constexpr size_t kPasswordBuffer = 512;

// The key-record types of the key glue.
constexpr unsigned char kDataRecord = 1;

bool EndsInKeySuffix(const std::string& name, int key) {
  const std::string upper = ".F" + std::to_string(key), lower = ".f" + std::to_string(key);
  auto ends = [&](const std::string& s) {
    return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
  };
  return ends(upper) || ends(lower);
}

}  // namespace

PlayRecord::PlayRecord(SessionControlBlock* session) : session_(session), w_(std::make_unique<Widgets>()) {}

PlayRecord::~PlayRecord() {
  *alive_ = false;
  if (session_ && (stepTimer_ || signonTimer_ || messageTimer_ || pauseTimer_ || focusTimer_)) {
    EventSources& e = session_->eventSources();
    for (unsigned long id : {stepTimer_, signonTimer_, messageTimer_, pauseTimer_, focusTimer_})
      if (id) e.RemoveTimeOut(id);
  }
}

// ---------------------------------------------------------------- recording

bool PlayRecord::cursorInNonDisplayField() const {
  auto* r = dynamic_cast<RenderingX*>(session_->renderer);
  if (!r) return false;
  const unsigned char a = r->getWorkingPresentationSpaceAttribute(session_->xstuff.cursorPosition());
  return a >= 0x20 && a <= 0x3F && (a & 0x07) == 0x07;
}

void PlayRecord::recordDataKey(const unsigned char* keys, int count) {
  if (recordState_ != kRecording || !keys || count <= 0) return;
  // What goes into a non-display field (a password) is never recorded.
  if (cursorInNonDisplayField()) {
    bell();
    return;
  }
  const bool room = recorder_.appendDataKeys(keys, static_cast<size_t>(count));
  showBytesLeft(recorder_.bytesLeft());
  if (!room) stopRecording();
}

void PlayRecord::recordNonDataKeyEvent(int code, const unsigned char* operands, int count) {
  if (recordState_ != kRecording || code < 0 || code > 0xFF || count < 0) return;
  const bool room = recorder_.appendEvent(static_cast<uint8_t>(code), operands, static_cast<size_t>(count));
  showBytesLeft(recorder_.bytesLeft());
  if (!room) stopRecording();
}

void PlayRecord::removeLastRecordEvent() {
  if (recordState_ != kRecording) return;
  recorder_.removeLastEvent();
  showBytesLeft(recorder_.bytesLeft());
}

void PlayRecord::recordKey() {
  if (AppResources().playBack != QwEnable) return;
  materializeRecordControls();
}

void PlayRecord::startRecording() {
  if (recordState_ != kRecordDialog) return;
  recorder_.clear();
  recordState_ = kRecording;
  mapRecordWidgetsForState();
  session_->xstuff.x_recording(1);
  showBytesLeft(recorder_.bytesLeft());
  setFocusInEmulatorWindow();
}

void PlayRecord::pauseRecord() {
  if (recordState_ == kRecordPaused) {
    continueRecord();
    return;
  }
  if (recordState_ != kRecording) return;
  recordState_ = kRecordPaused;
  mapRecordWidgetsForState();
  session_->xstuff.x_recording(0);
  pauseChoice_ = kChoiceNone;
  buildPauseDialog();
}

void PlayRecord::setRecordPauseChoice(int choice) {
  if (choice >= kChoiceNone && choice <= kChoicePassword) pauseChoice_ = choice;
}

void PlayRecord::continueRecord() {
  if (recordState_ != kRecordPaused) return;
  recordState_ = kRecording;
  mapRecordWidgetsForState();
  session_->xstuff.x_recording(1);
  if (w_->pauseShell) XtPopdown(w_->pauseShell);
  switch (pauseChoice_) {
    case kChoicePause: recordNonDataKeyEvent(macro_event::kPause, nullptr, 0); break;
    case kChoiceUserId: recordNonDataKeyEvent(macro_event::kUserId, nullptr, 0); break;
    case kChoicePassword: recordNonDataKeyEvent(macro_event::kPassword, nullptr, 0); break;
    default: break;
  }
  if (recordState_ == kRecording) setFocusInEmulatorWindow();
}

void PlayRecord::stopRecording() {
  if (recordState_ != kRecording && recordState_ != kRecordPaused) return;
  destroyRecordControls();
  session_->xstuff.x_recording(0);
  if (recorder_.empty()) {
    recorder_.clear();
    recordState_ = kRecordIdle;
    return;
  }
  recordState_ = kRecordSaving;
  buildSaveDialog();
}

void PlayRecord::cancelRecord() {
  if (recordState_ != kRecordDialog) return;
  destroyRecordControls();
  recordState_ = kRecordIdle;
}

int PlayRecord::checkAndCreateDirectory(const std::string& path, unsigned mode) {
  if (access(path.c_str(), R_OK | W_OK) == 0) return 0;
  if (errno != ENOENT) {
    LogMsg(LevelError, "%s: PlayRecord::checkAndCreateDirectory: Unable to access directory: %s. errno = %d.\n",
           "QWC0021", path.c_str(), errno);
    displayRecordFileMessage("RecordFileMsgNoAccess");
    return 1;
  }
  if (const int error = MakePrivateFolder(path)) {
    LogMsg(LevelError,
           "%s: PlayRecord::checkAndCreateDirectory: Unable to make directory: %s. errno = %d. create_mode = %x.\n",
           "QWC0020", path.c_str(), error, mode);
    displayRecordFileMessage("RecordFileMsgNoMake");
    return 1;
  }
  return 0;
}

std::string PlayRecord::playbackDirectory() const {
  const char* dir = AppResources().playbackDirectory;
  return dir ? dir : "";
}

int PlayRecord::saveRecord(bool checkExisting) {
  if (recordState_ != kRecordSaving) return 1;
  const char* shared = std::getenv("KDVSHARED");
  const std::string sharedDir = shared ? shared : "";
  if (checkAndCreateDirectory(sharedDir, kPrivateFolderMode) != 0) return 1;
  if (checkAndCreateDirectory(sharedDir + "/QW5250", kPrivateFolderMode) != 0) return 1;
  if (checkAndCreateDirectory(playbackDirectory(), kPrivateFolderMode) != 0) return 1;
  const std::string typed = saveDialogName();
  if (typed.empty()) return 1;
  unsigned char iso[256];
  const int n = session_->convertCodePageOfLocaleToISO1(reinterpret_cast<const unsigned char*>(typed.data()),
                                                        static_cast<int>(typed.size()), iso, sizeof iso - 1);
  if (n <= 0 || std::memchr(iso, '/', static_cast<size_t>(n)) || (n <= 2 && iso[0] == '.')) {
    LogMsg(LevelError, "%s: file name %s conversion to 819 failed. Playback file not saved.\n", "QWC0112",
           typed.c_str());
    return 1;
  }
  const std::string name(reinterpret_cast<const char*>(iso), static_cast<size_t>(n));
  const std::string path = playbackDirectory() + "/" + name;
  if (checkExisting && access(path.c_str(), F_OK) == 0) {
    showReplaceDialog();
    return 1;
  }
  std::string error;
  if (!WritePlaybackFile(path, recorder_.bytes(), &error)) {
    // The recording stays, so that the user can try another name.
    LogMsg(LevelError, "Playback file %s not saved: %s.\n", path.c_str(), error.c_str());
    displayRecordFileMessage("RecordFileMsgNoOpen");
    return 1;
  }
  recorder_.clear();
  destroyRecordFileControls();
  recordState_ = kRecordIdle;
  addToPlaybackList(typed);
  return 0;
}

void PlayRecord::doNotSaveRecord() {
  if (recordState_ != kRecordSaving) return;
  recorder_.clear();
  destroyRecordFileControls();
  recordState_ = kRecordIdle;
}

void PlayRecord::wmCloseRecord() {
  switch (recordState_) {
    case kRecordDialog: destroyRecordControls(); break;
    case kRecording:
      session_->xstuff.x_recording(0);
      recorder_.clear();
      destroyRecordControls();
      break;
    case kRecordPaused:
      recorder_.clear();
      destroyRecordControls();
      break;
    case kRecordSaving:
      recorder_.clear();
      destroyRecordFileControls();
      break;
    default: return;
  }
  recordState_ = kRecordIdle;
}

std::string PlayRecordKeyName(const std::string& typed, int key) {
  std::string name = typed;
  bool cut = false;
  for (int length : {3, 4}) {
    if (cut) break;
    for (int k = 1; k <= 24 && !cut; ++k) {
      const std::string s = std::to_string(k);
      if (static_cast<int>(s.size()) + 2 != length) continue;
      if (EndsInKeySuffix(name, k)) {
        name.resize(name.size() - static_cast<size_t>(length));
        cut = true;
      }
    }
  }
  if (key >= 1 && key <= 24) name += ".F" + std::to_string(key);
  return name;
}

std::vector<int> PlayRecordTakenKeys(const std::vector<std::string>& names) {
  std::vector<int> taken;
  for (int k = 1; k <= 24; ++k)
    for (const std::string& n : names)
      if (EndsInKeySuffix(n, k)) {
        taken.push_back(k);
        break;
      }
  return taken;
}

// ----------------------------------------------------------------- playback

int PlayRecord::playbackInit(const char* defaultPaths, const char* signonName, bool passwordAllowed) {
  defaultPaths_.clear();
  if (defaultPaths && *defaultPaths && std::strcmp(defaultPaths, "0") != 0) {
    std::string all = defaultPaths;
    size_t at = 0;
    for (;;) {
      const size_t comma = all.find(',', at);
      const std::string one = all.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
      if (!one.empty()) defaultPaths_.push_back(one);
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
  }
  signonName_ = signonName ? signonName : "";
  passwordAllowed_ = passwordAllowed;
  if (!signonName_.empty()) {
    std::weak_ptr<bool> alive = alive_;
    signonTimer_ = session_->eventSources().AddTimeOut(kSignonCheckMs, [this, alive]() {
      if (alive.expired() || !*alive.lock()) return;
      signonTimer_ = 0;
      startSignonPlaybackIfReady();
    });
  }
  return 0;
}

std::vector<std::string> PlayRecord::userFileNames() const {
  std::vector<std::string> names;
  DIR* d = opendir(playbackDirectory().c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    const std::string iso = e->d_name;
    unsigned char out[1024];
    const int n = session_->convertISO1ToCodePageOfLocale(reinterpret_cast<const unsigned char*>(iso.data()),
                                                          static_cast<int>(iso.size()), out, sizeof out - 1);
    if (n <= 0) {
      LogMsg(LevelError,
             "%s: file name %s conversion to code page of locale failed. File not added to playback list.\n",
             "QWC0111", iso.c_str());
      continue;
    }
    const std::string name(reinterpret_cast<const char*>(out), static_cast<size_t>(n));
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> PlayRecord::defaultFileNames() const {
  std::vector<std::string> names;
  for (const std::string& p : defaultPaths_) {
    const size_t slash = p.rfind('/');
    names.push_back(slash == std::string::npos ? p : p.substr(slash + 1));
  }
  return names;
}

std::string PlayRecord::getDefaultFileNames(size_t size) const {
  std::string text;
  for (const std::string& n : defaultFileNames()) text += n + "\n";
  if (text.size() > size) text.resize(size);
  return text;
}

void PlayRecord::playKey(const char* name) {
  if (AppResources().playBack == QwDisableAndHide) return;
  if (!name || !*name) {
    materializePlaybackControls(true);
    return;
  }
  if (playing()) return;
  if (playbackState_ == kNoPlaybackDialog) {
    materializePlaybackControls(false);
    closeAtEnd_ = true;
  }
  if (startSpecificPlaybackFile(name, false, hidden_) != 0) {
    if (DebugFlag())
      LogMsg(LevelDebug, "Play key playback file, %s, not found in lists of playback files.\n", name);
    displayPlaybackMessage("PlaybackMsgFileNotInList");
  }
}

bool PlayRecord::selectByName(const std::string& name) {
  const std::vector<std::string> defaults = defaultFileNames();
  for (size_t i = 0; i < defaults.size(); ++i)
    if (defaults[i] == name) {
      activeList_ = 2;
      selectedPosition_ = static_cast<int>(i);
      selectedCount_ = 1;
      selectInDialog();
      return true;
    }
  const std::vector<std::string> users = userFileNames();
  for (size_t i = 0; i < users.size(); ++i)
    if (users[i] == name) {
      activeList_ = 1;
      selectedPosition_ = static_cast<int>(i);
      selectedCount_ = 1;
      selectInDialog();
      return true;
    }
  return false;
}

int PlayRecord::startSpecificPlaybackFile(const std::string& name, bool signon, bool hidden) {
  if (!selectByName(name)) return 1;
  startPlayback(signon, hidden);
  return 0;
}

void PlayRecord::startPlayback(bool signon, bool hidden) {
  if (playing() || selectedPosition_ < 0 || selectedCount_ != 1) return;
  std::string path;
  if (activeList_ == 2) {
    if (selectedPosition_ >= static_cast<int>(defaultPaths_.size())) return;
    path = defaultPaths_[static_cast<size_t>(selectedPosition_)];
  } else {
    const std::vector<std::string> users = userFileNames();
    if (selectedPosition_ >= static_cast<int>(users.size())) return;
    const std::string& item = users[static_cast<size_t>(selectedPosition_)];
    unsigned char iso[256];
    const int n = session_->convertCodePageOfLocaleToISO1(reinterpret_cast<const unsigned char*>(item.data()),
                                                          static_cast<int>(item.size()), iso, sizeof iso - 1);
    if (n <= 0) {
      LogMsg(LevelError, "%s: file name %s conversion to 819 failed. Playback not started.\n", "QWC0110",
             item.c_str());
      return;
    }
    path = playbackDirectory() + "/" + std::string(reinterpret_cast<const char*>(iso), static_cast<size_t>(n));
  }
  signonPlayback_ = signon;
  hidden_ = hidden;
  startPlaybackFile(path);
}

int PlayRecord::startPlaybackFile(const std::string& path) {
  PlaybackFileContents contents;
  const PlaybackFileError e = ReadPlaybackFile(path, &contents);
  int rc = 0;
  if (e != PlaybackFileError::kNone) {
    if (*PlaybackFileErrorMessage(e)) displayPlaybackMessage(PlaybackFileErrorMessage(e));
    rc = 1;
  } else if (contents.events.empty()) {
    rc = 1;
  } else {
    if (playbackState_ == kNoPlaybackDialog) playbackState_ = kPlaybackStopped;
    reader_ = std::make_unique<MacroReader>(std::move(contents.events));
    isoDataKeys_ = contents.isoDataKeys;
    playbackState_ = kPlaying;
    mapPlaybackWidgetsForState();
    session_->xstuff.x_playing(1);
    showBytesLeft(reader_->bytesLeft());
    armStepTimer();
  }
  setFocusInEmulatorWindow();
  return rc;
}

void PlayRecord::armStepTimer() {
  removeStepTimer();
  const unsigned long interval = 1000ul / static_cast<unsigned long>(std::clamp(rate_, 1, kStepLimitRate));
  std::weak_ptr<bool> alive = alive_;
  stepTimer_ = session_->eventSources().AddTimeOut(interval, [this, alive]() {
    if (alive.expired() || !*alive.lock()) return;
    stepTimer_ = 0;
    playbackEvent();
  });
}

void PlayRecord::removeStepTimer() {
  if (stepTimer_) session_->eventSources().RemoveTimeOut(stepTimer_);
  stepTimer_ = 0;
}

bool PlayRecord::keyboardLocked() const {
  if (!session_->display) return false;
  const KeyboardState::State s = session_->display->keyboardState().state();
  return s == KeyboardState::kPostHelpError || s == KeyboardState::kNormalLocked;
}

void PlayRecord::playDataKey(uint8_t key) {
  unsigned char record[2] = {kDataRecord, key};
  if (isoDataKeys_) {
    unsigned char e[4];
    if (session_->convertISO1ToEBCDIC(&key, 1, e, sizeof e) == 1) record[1] = e[0];
  }
  s5250_key(session_, record, 2);
}

void PlayRecord::playbackEvent() {
  if (playbackState_ != kPlaying || !reader_) return;
  if (keyboardLocked()) {
    armStepTimer();
    return;
  }
  MacroStep step = reader_->next();
  // What a step hands the session may end it, and this object with it.
  std::weak_ptr<bool> alive = alive_;
  switch (step.kind) {
    case MacroStep::kEnd: stopPlayback(kStopEnd); return;
    case MacroStep::kDataKey: playDataKey(step.byte); break;
    case MacroStep::kKeyRecord: s5250_key(session_, step.record.data(), static_cast<int>(step.record.size())); break;
    case MacroStep::kUserId: {
      const char* user = std::getenv("USER");
      const size_t n = user ? std::min(std::strlen(user), kMaxUserId) : 0;
      if (n > 0) {
        std::vector<unsigned char> record(n + 2);
        record[0] = kDataRecord;
        const int m = session_->convertKeyboardCodePointsToEBCDIC(reinterpret_cast<const unsigned char*>(user),
                                                                  static_cast<int>(n), record.data() + 1,
                                                                  static_cast<int>(record.size() - 1));
        if (m > 0) s5250_key(session_, record.data(), m + 1);
      }
      break;
    }
    case MacroStep::kPassword:
      typePassword();
      if (alive.expired()) return;
      break;
    case MacroStep::kMenu:
      if (session_->display) {
        session_->display->inObjGen().processMenuEvent(session_->display, step.byte);
        session_->display->outputChanges();
      }
      recordNonDataKeyEvent(macro_event::kMenu, &step.byte, 1);
      break;
    case MacroStep::kMouse: {
      const unsigned largest = static_cast<unsigned>(session_->xstuff.rows() * session_->xstuff.columns());
      if (step.position >= largest) {
        stopPlayback(kStopError);
        displayPlaybackMessage("PlaybackMsgIncompatible");
        return;
      }
      genMouseEvent(session_, step.byte, step.position);
      break;
    }
    case MacroStep::kPause:
      pausePlayback(kPauseEvent);
      bell();
      break;
    case MacroStep::kKeystroke: {
      const unsigned char record[1] = {step.byte};
      s5250_key(session_, record, 1);
      break;
    }
  }
  if (alive.expired()) return;
  if (playbackState_ == kNoPlaybackDialog || !reader_) return;  // stopped meanwhile
  if (session_->xstuff.shell()) session_->xstuff.Flush_X5250(0);
  if (playbackState_ == kPlaybackPaused) {
    showBytesLeft(reader_->bytesLeft());
    return;
  }
  if (playbackState_ != kPlaying) return;
  if (reader_->atEnd()) {
    stopPlayback(kStopEnd);
    return;
  }
  armStepTimer();
  showBytesLeft(reader_->bytesLeft());
}

void PlayRecord::typePassword() {
  if (!(signonPlayback_ && passwordAllowed_)) {
    pausePlayback(kPausePassword);
    bell();
    return;
  }
  char password[kPasswordBuffer] = {};
  if (DebugFlag()) LogMsg(LevelDebug, "Before qwgetcredAPI().\n");
  const int rc = qwgetcredAPI(password, sizeof password);
  if (DebugFlag()) LogMsg(LevelDebug, "After qwgetcredAPI().\n");
  if (rc != 0) {
    if (DebugFlag())
      LogMsg(LevelDebug, "%s: unable to get password for playback. qwgetcredAPI() rc = %d.\n", "QWC0191", rc);
    std::memset(password, 0, sizeof password);
    return;
  }
  const size_t n = strnlen(password, sizeof password);
  if (n == 0 || n >= sizeof password - 1) {
    std::memset(password, 0, sizeof password);
    return;
  }
  unsigned char ebcdic[kPasswordBuffer];
  const int m = session_->convertKeyboardCodePointsToEBCDIC(reinterpret_cast<unsigned char*>(password),
                                                            static_cast<int>(n), ebcdic, sizeof ebcdic);
  std::memset(password, 0, sizeof password);
  for (int i = 0; i < m; ++i) {
    if (!cursorInNonDisplayField() || keyboardLocked()) {
      std::memset(ebcdic, 0, sizeof ebcdic);
      stopPlayback(kStopError);
      displayPlaybackMessage("PlaybackMsgPasswordLocation");
      return;
    }
    const unsigned char record[2] = {kDataRecord, ebcdic[i]};
    std::weak_ptr<bool> alive = alive_;
    s5250_key(session_, record, 2);
    if (alive.expired()) {
      std::memset(ebcdic, 0, sizeof ebcdic);
      return;
    }
  }
  std::memset(ebcdic, 0, sizeof ebcdic);
}

void PlayRecord::pausePlayback(int reason) {
  if (playbackState_ == kPlaybackPaused) {
    if (w_->pauseDialog) XtUnmanageChild(w_->pauseDialog);
    continuePlayback();
    return;
  }
  if (playbackState_ != kPlaying) return;
  removeStepTimer();
  playbackState_ = kPlaybackPaused;
  pauseReason_ = reason;
  mapPlaybackWidgetsForState();
  session_->xstuff.x_play_pausing(1);
  if (hidden_ && !shownForPause_) {
    shownForPause_ = true;
    showPlaybackDialog();
    std::weak_ptr<bool> alive = alive_;
    pauseTimer_ = session_->eventSources().AddTimeOut(999, [this, alive]() {
      if (alive.expired() || !*alive.lock()) return;
      pauseTimer_ = 0;
      if (playbackState_ == kPlaybackPaused) showPauseDialog();
    });
  } else {
    showPauseDialog();
  }
}

void PlayRecord::continuePlayback() {
  if (playbackState_ != kPlaybackPaused) return;
  if (shownForPause_) {
    shownForPause_ = false;
    hidePlaybackDialog();
  }
  if (reader_ && !reader_->atEnd()) {
    playbackState_ = kPlaying;
    session_->xstuff.x_play_pausing(0);
    mapPlaybackWidgetsForState();
    armStepTimer();
  } else {
    stopPlayback(kStopEnd);
  }
}

void PlayRecord::stopPlayback(int reason) {
  if (playbackState_ != kPlaying && playbackState_ != kPlaybackPaused) return;
  playbackState_ = kPlaybackStopped;
  session_->xstuff.x_play_pausing(0);
  session_->xstuff.x_playing(0);
  reader_.reset();
  if (reason != kStopEnd || stepTimer_) removeStepTimer();
  if (pauseTimer_) {
    session_->eventSources().RemoveTimeOut(pauseTimer_);
    pauseTimer_ = 0;
  }
  if (w_->pauseDialog) XtUnmanageChild(w_->pauseDialog);
  lastStopReason_ = reason;
  mapPlaybackWidgetsForState();
  if (reason == kStopEnd) setFocusInEmulatorWindow();
  if ((hidden_ && reason != kStopError) || (closeAtEnd_ && reason == kStopEnd)) destroyPlaybackControls();
}

void PlayRecord::playbackRateChanged(int rate) { rate_ = std::clamp(rate, 1, kStepLimitRate); }

void PlayRecord::playbackAcceleratorCheck(int key) {
  if (playbackState_ != kPlaybackStopped) return;
  const std::vector<std::string> users = userFileNames();
  for (size_t i = 0; i < users.size(); ++i)
    if (EndsInKeySuffix(users[i], key)) {
      activeList_ = 1;
      selectedPosition_ = static_cast<int>(i);
      selectedCount_ = 1;
      selectInDialog();
      startPlayback(false, hidden_);
      return;
    }
  const std::vector<std::string> defaults = defaultFileNames();
  for (size_t i = 0; i < defaults.size(); ++i)
    if (EndsInKeySuffix(defaults[i], key)) {
      activeList_ = 2;
      selectedPosition_ = static_cast<int>(i);
      selectedCount_ = 1;
      selectInDialog();
      startPlayback(false, hidden_);
      return;
    }
  bell();
}

void PlayRecord::startSignonPlaybackIfReady() {
  if (signonName_.empty()) return;
  if (session_->xstuff.cursorPosition() <= 10) {
    std::weak_ptr<bool> alive = alive_;
    signonTimer_ = session_->eventSources().AddTimeOut(kSignonCheckMs, [this, alive]() {
      if (alive.expired() || !*alive.lock()) return;
      signonTimer_ = 0;
      startSignonPlaybackIfReady();
    });
    return;
  }
  const std::string name = signonName_;
  signonName_.clear();  // once per session
  if (playbackState_ != kNoPlaybackDialog) return;
  materializePlaybackControls(false);
  closeAtEnd_ = true;
  if (startSpecificPlaybackFile(name, true, true) != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "Startup playback file, %s, not found in lists of playback files.\n", name.c_str());
    displayPlaybackMessage("PlaybackMsgNoStartup");
  }
}

void PlayRecord::deletePlaybackFiles() {
  if (playbackState_ != kPlaybackStopped || activeList_ != 1) return;
  for (const std::string& item : selectedUserItems()) {
    unsigned char iso[256];
    const int n = session_->convertCodePageOfLocaleToISO1(reinterpret_cast<const unsigned char*>(item.data()),
                                                          static_cast<int>(item.size()), iso, sizeof iso - 1);
    if (n <= 0) {
      LogMsg(LevelError, "%s: file name %s conversion to 819 failed. Playback file not deleted.\n", "QWC0112",
             item.c_str());
      break;
    }
    const std::string name(reinterpret_cast<const char*>(iso), static_cast<size_t>(n));
    if (name.find('/') != std::string::npos) continue;
    unlink((playbackDirectory() + "/" + name).c_str());
  }
  selectedPosition_ = -1;
  selectedCount_ = 0;
  fillPlaybackLists();
  mapPlaybackWidgetsForState();
}

void PlayRecord::updatePlaybackFileList() {
  if (playbackState_ == kNoPlaybackDialog) return;
  fillPlaybackLists();
  mapPlaybackWidgetsForState();
}

void PlayRecord::bell() {
  if (Widget shell = session_->xstuff.shell()) XBell(XtDisplay(shell), 0);
}

void PlayRecord::setFocusInEmulatorWindow() {
  Widget drawing = session_->xstuff.x_get_text_widget();
  if (!drawing || !XtIsRealized(drawing) || session_->xstuff.isIconified()) return;
  XWindowAttributes a;
  if (!XGetWindowAttributes(XtDisplay(drawing), XtWindow(drawing), &a) || a.map_state != IsViewable) return;
  XSetInputFocus(XtDisplay(drawing), XtWindow(drawing), RevertToParent, CurrentTime);
}
