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

 private:
  SessionControlBlock* session_;
};
