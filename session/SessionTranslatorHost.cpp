#include "session/SessionTranslatorHost.h"

#include "datastream/HostInterface.h"
#include "session/KeyGlue.h"
#include "session/SessionControlBlock.h"

bool SessionTranslatorHost::usesTranslationTables() { return block_->glue.hostKeyboardTable != 0; }

FunctionWord SessionTranslatorHost::genKeystroke(const TaxTCB& tcb) { return ::genKeystroke(block_, tcb); }

unsigned int SessionTranslatorHost::genCountryCode() { return ::genCountryCode(block_); }

unsigned char SessionTranslatorHost::genDiacCountryNum() { return ::genDiacCountryNum(block_); }

unsigned char SessionTranslatorHost::codePageCategory(unsigned char code) { return genDataCategory(block_, code); }

void SessionTranslatorHost::sendOSBErrorToHost() {
  if (block_->hostInterface) block_->hostInterface->sendOSBErrorToHost(block_->renderer);
}

void SessionTranslatorHost::setGlobalTypeAheadState(unsigned char on) {
  if (block_->hostInterface) block_->hostInterface->setGlobalTypeAheadState(on);
}
