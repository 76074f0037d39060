#pragma once
// The keystroke recorder and player of a session, embedded in the session
// control block. This version records nothing yet.
class SessionControlBlock;

class PlayRecord {
 public:
  explicit PlayRecord(SessionControlBlock* session) : session_(session) {}
  ~PlayRecord() = default;
  PlayRecord(const PlayRecord&) = delete;
  PlayRecord& operator=(const PlayRecord&) = delete;

  SessionControlBlock* session() const { return session_; }
  void recordDataKey(const unsigned char*, int) {}
  void recordNonDataKeyEvent(int, const unsigned char*, int) {}
  // The playback indicator of the status line was pressed: closes the
  // playback's pause dialog (there is none while nothing plays).
  void wmClosePlaybackPauseDialog() {}

 private:
  SessionControlBlock* session_;
};
