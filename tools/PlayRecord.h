#pragma once
// The keystroke recorder and player of a session, embedded in the session
// control block. Recording collects the keys, clicks and menu commands of
// the session into a macro (with pauses and user-id and password
// placeholders) and saves it as a playback file; playback replays such a
// file into the session, one key or event per timer step, waiting while the
// keyboard is locked. Both are driven through the record, save and playback
// dialogs, the play, record and pause actions, and the sign-on macro.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/MacroEvents.h"

class SessionControlBlock;
typedef struct _WidgetRec* Widget;
typedef struct __XmRenderTableRec** XmRenderTable;

class PlayRecord {
 public:
  // Record states.
  enum RecordState : int { kRecordIdle = 0, kRecordDialog = 1, kRecording = 2, kRecordPaused = 3, kRecordSaving = 4 };
  // Playback states.
  enum PlaybackState : int { kNoPlaybackDialog = 0, kPlaybackStopped = 1, kPlaying = 2, kPlaybackPaused = 3 };
  // Pause reasons.
  enum PauseReason : int { kPausePassword = 0, kPauseEvent = 1, kPauseUser = 2 };
  // Stop reasons.
  enum StopReason : int { kStopUser = 1, kStopEnd = 2, kStopError = 3 };
  // Pause choices of the record pause dialog.
  enum PauseChoice : int { kChoiceNone = 0, kChoicePause = 1, kChoiceUserId = 2, kChoicePassword = 3 };

  explicit PlayRecord(SessionControlBlock* session);
  ~PlayRecord();
  PlayRecord(const PlayRecord&) = delete;
  PlayRecord& operator=(const PlayRecord&) = delete;

  SessionControlBlock* session() const { return session_; }

  // What the key glue, the mouse and the menus record (nothing unless
  // recording). Data keys into a non-display field are not recorded.
  void recordDataKey(const unsigned char* keys, int count);
  void recordNonDataKeyEvent(int code, const unsigned char* operands, int count);
  void removeLastRecordEvent();

  // Start-up of the session window: the default playback files (a comma-
  // separated list of paths, "0" or "" for none) and the sign-on macro
  // (null or "" for none), which starts once the host has placed the cursor.
  int playbackInit(const char* defaultPaths, const char* signonName, bool passwordAllowed);

  // The actions of the emulator widget.
  void recordKey();
  void playKey(const char* name);
  void pauseRecord();
  void pausePlayback(int reason);

  // Recording.
  void materializeRecordControls();
  void startRecording();
  void continueRecord();
  void stopRecording();
  void cancelRecord();
  void setRecordPauseChoice(int choice);
  // 0 saved; 1 not (the save dialog stays).
  int saveRecord(bool checkExisting);
  void doNotSaveRecord();
  void recordFileAcceleratorAssignment(int key);
  void recordFileListSelection(const std::string& item);
  void wmCloseRecord();

  // Playback.
  void materializePlaybackControls(bool shown);
  // 0 started, 1 not found in the lists.
  int startSpecificPlaybackFile(const std::string& name, bool signon, bool hidden);
  void startPlayback(bool signon, bool hidden);
  // 0 started, else the file could not be played (a message was shown).
  int startPlaybackFile(const std::string& path);
  void playbackEvent();
  void continuePlayback();
  void stopPlayback(int reason);
  void playbackRateChanged(int rate);
  void playbackAcceleratorCheck(int key);
  void startSignonPlaybackIfReady();
  void deletePlaybackFiles();
  void displayPlaybackMessage(const char* resourceName);
  void destroyPlaybackControls();
  void wmClosePlayback();
  // The playback indicator of the status line, and the pause dialog's close.
  void wmClosePlaybackPauseDialog();
  void wmClosePlaybackMsgDialog();

  // The playback dialog's lists: the user list's selection (position from
  // 0, count; returns the count selected), the default list's.
  int adjustPlaybackSelection(int position, int count);
  void playbackDefaultFileListSelection(int position);
  void deleteConfirm();
  // Starts the playback editor with the selected file.
  void editSelectedFile(Widget item);
  void ringBell() { bell(); }

  // The playback editor changed files: the lists are read again.
  void updatePlaybackFileList();
  // The default playback files' names, one a line, cut at `size` bytes.
  std::string getDefaultFileNames(size_t size) const;
  void setColors();
  void changeFont(XmRenderTable table);

  // State, for the window, the help topics and tests.
  int recordState() const { return recordState_; }
  int playbackState() const { return playbackState_; }
  bool recording() const { return recordState_ == kRecording || recordState_ == kRecordPaused; }
  bool playing() const { return playbackState_ == kPlaying || playbackState_ == kPlaybackPaused; }
  int pauseReason() const { return pauseReason_; }
  int rate() const { return rate_; }
  const MacroRecorder& recorder() const { return recorder_; }
  size_t playbackBytesLeft() const { return reader_ ? reader_->bytesLeft() : 0; }
  // The user's playback directory and the default files.
  std::string playbackDirectory() const;
  const std::vector<std::string>& defaultPaths() const { return defaultPaths_; }
  // The names of the user list and of the default list, as the dialog shows them.
  std::vector<std::string> userFileNames() const;
  std::vector<std::string> defaultFileNames() const;
  // The shell of a dialog (null when it does not exist): "recordControl",
  // "recordPauseControls", "recordFileControl", "playbackControl".
  Widget dialogShell(const char* name) const;
  // The last message that a dialog showed (resource name).
  const std::string& lastMessage() const { return lastMessage_; }

  struct Widgets;

 private:
  void showBytesLeft(size_t left);
  void armStepTimer();
  void removeStepTimer();
  bool keyboardLocked() const;
  bool cursorInNonDisplayField() const;
  void playDataKey(uint8_t key);
  void typePassword();
  void bell();
  void setFocusInEmulatorWindow();
  int checkAndCreateDirectory(const std::string& path, unsigned mode);
  void destroyRecordControls();
  void destroyRecordFileControls();
  void buildRecordDialog();
  void buildPauseDialog();
  void buildSaveDialog();
  void buildPlaybackDialog(bool shown);
  void mapRecordWidgetsForState();
  void mapPlaybackWidgetsForState();
  void fillPlaybackLists();
  void showPauseDialog();
  void displayRecordFileMessage(const char* resourceName);
  void showPlaybackMessageText(const std::string& text);
  bool selectByName(const std::string& name);
  // Dialog helpers (PlayRecordDialogs.cpp).
  std::string saveDialogName() const;
  void showReplaceDialog();
  void addToPlaybackList(const std::string& name);
  void selectInDialog();
  void showPlaybackDialog();
  void hidePlaybackDialog();
  std::vector<std::string> selectedUserItems() const;
  void armFocusTimer(Widget w);

  SessionControlBlock* session_;
  std::unique_ptr<Widgets> w_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  // Recording.
  int recordState_ = kRecordIdle;
  int pauseChoice_ = kChoiceNone;
  MacroRecorder recorder_;

  // Playback.
  int playbackState_ = kNoPlaybackDialog;
  int activeList_ = 1;  // 1 user files, 2 default files
  int selectedPosition_ = -1;
  int selectedCount_ = 0;
  std::vector<std::string> defaultPaths_;
  std::string signonName_;
  bool passwordAllowed_ = false;
  bool signonPlayback_ = false;
  bool hidden_ = false;
  bool shownForPause_ = false;
  bool closeAtEnd_ = false;
  std::unique_ptr<MacroReader> reader_;
  bool isoDataKeys_ = false;
  int rate_ = 25;
  unsigned long stepTimer_ = 0;
  int pauseReason_ = kPauseUser;
  int lastStopReason_ = 0;
  unsigned long signonTimer_ = 0;
  unsigned long messageTimer_ = 0;
  unsigned long pauseTimer_ = 0;
  unsigned long focusTimer_ = 0;
  std::string savedMessage_;
  std::string lastMessage_;
};
