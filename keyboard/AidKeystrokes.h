#pragma once
// The attention keys: Enter, Clear, Help, Print, Roll Up, Roll Down, the PA
// and PF keys and Test Request. In the normal unlocked state each checks
// the screen through the area holding the cursor and posts its AID; the
// read starts after the dispatch. In word processing each calls its text
// session handler.
#include "keyboard/UserInput.h"

enum : unsigned char {
  kAidSystemRequestSignal = 0x01,
  kAidHelpInErrorSignal = 0x03,
  kAidTestRequestSignal = 0x04,
  kAidClear = 0xBD,
  kAidEnter = 0xF1,
  kAidHelp = 0xF3,
  kAidRollDown = 0xF4,
  kAidRollUp = 0xF5,
  kAidPrint = 0xF6,
};

class EnterKeystroke : public AidKeystroke {
 public:
  EnterKeystroke() : AidKeystroke(kAidEnter) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

class ClearKeystroke : public AidKeystroke {
 public:
  ClearKeystroke() : AidKeystroke(kAidClear) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

class HelpKeystroke : public AidKeystroke {
 public:
  HelpKeystroke() : AidKeystroke(kAidHelp) {}
  unsigned int processInErrorState(DisplayBag* d) override;
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPErrorState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

// PA1-PA3 (0x6C, 0x6E, 0x6B).
class PAKeystroke : public AidKeystroke {
 public:
  explicit PAKeystroke(unsigned int aid) : AidKeystroke(aid) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};

// PF1-PF12 (0x31-0x3C), PF13-PF24 (0xB1-0xBC).
class PFKeystroke : public AidKeystroke {
 public:
  explicit PFKeystroke(unsigned int aid) : AidKeystroke(aid) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

class PrintKeystroke : public AidKeystroke {
 public:
  PrintKeystroke() : AidKeystroke(kAidPrint) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

class RollDownKeystroke : public AidKeystroke {
 public:
  RollDownKeystroke() : AidKeystroke(kAidRollDown) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

class RollUpKeystroke : public AidKeystroke {
 public:
  RollUpKeystroke() : AidKeystroke(kAidRollUp) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

// Posts its signal without checking the screen.
class TestRequestKeystroke : public AidKeystroke {
 public:
  TestRequestKeystroke() : AidKeystroke(kAidTestRequestSignal) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
