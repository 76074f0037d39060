#include "display/TextSession.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/RestoreSense.h"

void TextSession::operatorerror(unsigned int code) {
  lastError_ = code;
  state_ |= kErrorPending | kErrorMode;
}

void TextSession::c_textreset() { state_ &= ~(kErrorPending | kErrorMode); }

void TextSession::c_textmouseclick(unsigned int) {}

unsigned int TextSession::determinePollType(unsigned int& flag) {
  flag = 0;
  return 0;
}

int TextSession::WPCutOK(unsigned int, unsigned int) { return 0; }

void TextSession::saveTextSession(qrnOStream* out) const { out->hostPut32(state_); }

unsigned int TextSession::restoreTextSession(qrnIStream* in) {
  unsigned int state = 0;
  in->hostGet32(state);
  if (in->checkRestore()) return RestoreRejected("text session", "stream ends early");
  state_ = state;
  return 0;
}
