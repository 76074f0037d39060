#include "datastream/DsmLinks.h"

#include "datastream/DsmSense.h"
#include "datastream/HostInterface.h"
#include "datastream/ReadMgr.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "keyboard/TAXlate.h"
#include "base/LogMsg.h"

namespace dsm_links {

void setReadInputFields(DisplayBag* d, unsigned char cc1, unsigned char cc2) {
  d->readMgr().setReadInputFields(cc1, cc2);
}
void setReadMDTFields(DisplayBag* d, unsigned char cc1, unsigned char cc2) {
  d->readMgr().setReadMDTFields(cc1, cc2);
}
void setReadMDTAlt(DisplayBag* d, unsigned char cc1, unsigned char cc2) {
  d->readMgr().setReadMDTAlt(cc1, cc2);
}
void readScreen(DisplayBag* d) { d->readMgr().readScreen(); }
void readScreenExtAttr(DisplayBag* d) { d->readMgr().readScreenExtAttr(); }
void readScreenToPrint(DisplayBag* d) { d->readMgr().readScreenToPrint(); }
void readScreenToPrintExtAttr(DisplayBag* d) { d->readMgr().readScreenToPrintExtAttr(); }
void readImmediate(DisplayBag* d) { d->readMgr().readImmediate(); }
void readMDTImmedAlt(DisplayBag* d) { d->readMgr().readMDTImmedAlt(); }
bool queryPendingAid(DisplayBag* d) { return d->readMgr().queryPendingAid() != 0; }
void resetPendingAid(DisplayBag* d) { d->readMgr().resetPendingAid(); }
void resetPendingRead(DisplayBag* d) { d->readMgr().resetPendingRead(); }
void setFieldSequencing(DisplayBag* d, unsigned char n) { d->readMgr().setFieldSequencing(n); }
unsigned char fieldSequencing(DisplayBag* d) { return d->readMgr().getFieldSequencing(); }
bool activateSuspendedReadProcess(DisplayBag* d) {
  return d->readMgr().activateSuspendedReadProcess() != 0;
}

bool isImmediateReadOK(DisplayBag* d) {
  HostInterface* host = d->hostInterface();
  return host && host->isImmediateReadOK(d->getRendering()) != 0;
}

void sendDataToHost(DisplayBag* d, unsigned char* buffer, uint32_t n) {
  if (HostInterface* host = d->hostInterface())
    host->sendDataToHost(buffer, n, d->getRendering(), 0);
  else
    d->getRendering()->WsFreeBuffer(buffer);
}

void sendSystemRequestToHost(DisplayBag* d, unsigned char* buffer, uint32_t n) {
  if (HostInterface* host = d->hostInterface())
    host->sendSystemRequestToHost(buffer, n, d->getRendering());
  else
    d->getRendering()->WsFreeBuffer(buffer);
}

void clrTABuf(DisplayBag* d) {
  if (TAXlate* t = d->taxlate()) t->clrTABuf();
}
void resetTaxlate(DisplayBag* d) {
  if (TAXlate* t = d->taxlate()) t->resetTaxlate();
}
bool typeAheadOption(DisplayBag* d) {
  TAXlate* t = d->taxlate();
  return t && t->typeAheadOn();
}
bool rightToLeftLanguage(DisplayBag* d) {
  TAXlate* t = d->taxlate();
  return t && (t->keyboardOptions() & TAXlate::kOptionRightToLeft) != 0;
}

bool typeAheadHeld(DisplayBag* d) {
  TAXlate* t = d->taxlate();
  return t && t->queuedKeys() != 0;
}
bool hostControl(DisplayBag* d) {
  TAXlate* t = d->taxlate();
  return t && (t->keyboardOptions() & 0x80000000u) != 0;
}
unsigned int wordProcessingOptions(DisplayBag* d) {
  TAXlate* t = d->taxlate();
  return t ? t->keyboardOptions() & 0xB0u : 0;
}
void resetTaxlateForWP(DisplayBag* d) {
  if (TAXlate* t = d->taxlate()) t->resetTaxlateForWP();
}

// The keyboard state keeps its error row for itself; it follows the
// screen's rows and the separate-message-line feature it was built with.
void setErrorRow(DisplayBag* d, unsigned int row) { d->keyboardState().setErrorRow(row); }

uint32_t wsfTextAssist(DisplayBag* d, const unsigned char* first, const unsigned char* end) {
  TextSession* t = d->textSession();
  if (!t || end <= first) return dsm_sense::kPrematureEnd;
  uint32_t sense = 0;
  t->wsfTextAssist(first, end - 1, sense);
  if (sense) LogMsg(LevelWarning, "QWC0704 text-assist structured field refused with sense 0x%08X\n", sense);
  return sense;
}

}  // namespace dsm_links
