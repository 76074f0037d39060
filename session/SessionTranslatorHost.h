#pragma once
// What a session's keyboard translator asks of the session: the key glue's
// translation while the session has no host table, the keyboard code and
// diacritic country of the session language, and the two requests that go
// to the host interface.
#include "keyboard/TranslatorHost.h"

class SessionControlBlock;

class SessionTranslatorHost final : public TranslatorHost {
 public:
  explicit SessionTranslatorHost(SessionControlBlock* block) : block_(block) {}

  // Keys are looked up in the translation tables while the host has a
  // table in force (a download or the simulator's scan codes).
  bool usesTranslationTables() override;
  FunctionWord genKeystroke(const TaxTCB& tcb) override;
  unsigned int genCountryCode() override;
  unsigned char genDiacCountryNum() override;
  unsigned char codePageCategory(unsigned char code) override;
  void sendOSBErrorToHost() override;
  void setGlobalTypeAheadState(unsigned char on) override;

 private:
  SessionControlBlock* block_;
};
