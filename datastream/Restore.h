#pragma once
// Restore Screen (0x12) and Restore Partial Screen (0x13): gives back to the
// display an image that an earlier save sent to the host (see SAVEP). The
// whole image is checked first (length, frame check, the capabilities it
// needs, the write addresses and every member of the station) and only a
// good one changes anything; then the pending AID and the keyboard are
// settled. A refused image leaves the station as it was.
#include "datastream/FSMNw.h"

class Restore : public FSMNw {
 public:
  explicit Restore(Arena* arena) : FSMNw(arena) {}
  // On the first of the image's two length bytes.
  int processInput(Databyte* db) override { return doRestore(db); }
  int endOfData(Databyte* db) override { return kFsmTaken; }

  int doRestore(Databyte* db);

 private:
  int refuse(Databyte* db, const char* why);
  // `textAid`: the text session's last AID before the restore, put back
  // when its pending AID is kept.
  void settleKeyboard(Databyte* db, bool aidPendingBefore, unsigned char textAid);
};
