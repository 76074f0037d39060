#pragma once
// The base of every data-stream state machine: its state byte, the child
// machine it has handed the record to, and the helpers by which machines
// advance over the record and talk to their children. Machines live in the
// session's Arena for one command, order or structured field.
#include "datastream/Arena.h"
#include "datastream/Databyte.h"

class FSMNw {
 public:
  explicit FSMNw(Arena* arena) : arena_(arena) {}
  FSMNw(const FSMNw&) = delete;
  FSMNw& operator=(const FSMNw&) = delete;
  // Frees a child that is still present.
  virtual ~FSMNw();
  virtual int processInput(Databyte* db) = 0;
  virtual int endOfData(Databyte* db) = 0;

  // Advances n bytes: 13 (dispatch again) when the record holds them, else
  // this machine's own endOfData result.
  int fSMContinue(Databyte* db, uint32_t n);
  // The child's processInput result; a missing child rejects.
  int fSMIndCall(Databyte* db);
  // With a child: its endOfData result, and the child ended. Else 0.
  int fSMCheckEODInd(Databyte* db);
  // Frees the child; 0.
  int fSMEndInd(Databyte* db);

  unsigned char state = 0;
  FSMNw* child = nullptr;

 protected:
  // Ends any child and builds T in the arena as the new child. False (the
  // record is to be rejected) when the arena has no room.
  template <class T, class... Args>
  bool loadChild(Databyte* db, Args&&... args) {
    fSMEndInd(db);
    static_assert(alignof(T) <= Arena::kAlign, "machine alignment beyond the arena's");
    child = new (arena_) T(arena_, static_cast<Args&&>(args)...);
    return child != nullptr;
  }
  // Rejects with the sense already set, else the premature-end default.
  int rejectRecord(Databyte* db, uint32_t defaultSense);

  Arena* arena_;
};

// Destroys a machine built in `arena` and frees its block.
void deleteMachine(Arena* arena, FSMNw* machine);
