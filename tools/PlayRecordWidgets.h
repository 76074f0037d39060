#pragma once
// The widgets of a session's record, save and playback dialogs (null while
// the dialog does not exist).
#include <X11/Intrinsic.h>

#include "tools/PlayRecord.h"

struct PlayRecord::Widgets {
  // Record dialog "recordControl".
  Widget recordShell = nullptr, recordForm = nullptr;
  Widget recordingLabel = nullptr, pausedLabel = nullptr, keysLeftLabel = nullptr, keysLabel = nullptr;
  Widget recordStart = nullptr, recordPause = nullptr, recordCancel = nullptr, recordStop = nullptr;
  // Pause-choice dialog "recordPauseControls".
  Widget pauseShell = nullptr, pauseForm = nullptr;
  Widget pauseToggles[4] = {};  // by choice: none, pause, user id, password
  Widget continueBtn = nullptr, pauseStopBtn = nullptr;
  // Save dialog "recordFileControl".
  Widget saveShell = nullptr, saveForm = nullptr, fileList = nullptr, textField = nullptr;
  Widget acceleratorBtn = nullptr, accMenu = nullptr;
  Widget accButtons[25] = {};
  Widget saveBtn = nullptr, doNotSaveBtn = nullptr, replaceDialog = nullptr, recordMsgDialog = nullptr;
  // Playback dialog "playbackControl".
  Widget playShell = nullptr, playForm = nullptr;
  Widget selectLabel = nullptr, stoppedLabel = nullptr, playingLabel = nullptr, pausedPlayLabel = nullptr,
         doneLabel = nullptr, remainingLabel = nullptr, remaining = nullptr;
  Widget playAccMenu = nullptr;
  Widget playAccButtons[24] = {};
  Widget userList = nullptr, defaultList = nullptr, scale = nullptr;
  Widget playStart = nullptr, playPause = nullptr, playCancel = nullptr, playStop = nullptr, playDelete = nullptr,
         playEdit = nullptr;
  Widget deleteDialog = nullptr, playMsgDialog = nullptr, pauseDialog = nullptr;
};

// The name that a typed name takes for function key `key` (1-24, or 0 for
// none): a ".F1" to ".F24" (or ".f") suffix replaced or removed.
std::string PlayRecordKeyName(const std::string& typed, int key);
// The function keys 1-24 that one of the names is bound to by its suffix.
std::vector<int> PlayRecordTakenKeys(const std::vector<std::string>& names);
