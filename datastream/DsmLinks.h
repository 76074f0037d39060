#pragma once
// What the data-stream machines ask of the station's neighbours: the read
// manager, the host interface, the keyboard translator, the keyboard state
// and the text session. The machines call these and nothing else of them,
// so the calls live in one place.
#include <cstdint>

class DisplayBag;

namespace dsm_links {
// Read manager.
void setReadInputFields(DisplayBag* d, unsigned char cc1, unsigned char cc2);
void setReadMDTFields(DisplayBag* d, unsigned char cc1, unsigned char cc2);
void setReadMDTAlt(DisplayBag* d, unsigned char cc1, unsigned char cc2);
void readScreen(DisplayBag* d);
void readScreenExtAttr(DisplayBag* d);
void readScreenToPrint(DisplayBag* d);
void readScreenToPrintExtAttr(DisplayBag* d);
void readImmediate(DisplayBag* d);
void readMDTImmedAlt(DisplayBag* d);
bool queryPendingAid(DisplayBag* d);
void resetPendingAid(DisplayBag* d);
void resetPendingRead(DisplayBag* d);
void setFieldSequencing(DisplayBag* d, unsigned char n);
unsigned char fieldSequencing(DisplayBag* d);
// True when it sent the record of an AID that waited for this read.
bool activateSuspendedReadProcess(DisplayBag* d);

// Host interface.
bool isImmediateReadOK(DisplayBag* d);
// Sends n bytes of `buffer` (a Rendering work buffer, which goes back).
void sendDataToHost(DisplayBag* d, unsigned char* buffer, uint32_t n);
void sendSystemRequestToHost(DisplayBag* d, unsigned char* buffer, uint32_t n);

// Keyboard translator.
void clrTABuf(DisplayBag* d);
void resetTaxlate(DisplayBag* d);
// The type-ahead option (bit 0x40 of the option word): the pending AID
// survives commands that would reset it.
bool typeAheadOption(DisplayBag* d);
bool rightToLeftLanguage(DisplayBag* d);
// Keys wait in the type-ahead queue; the host controls the keyboard.
bool typeAheadHeld(DisplayBag* d);
bool hostControl(DisplayBag* d);
// Bits 0xB0 of the option word (the word-processing options) and the
// translator's language code.
unsigned int wordProcessingOptions(DisplayBag* d);
void resetTaxlateForWP(DisplayBag* d);

// Keyboard state.
void setErrorRow(DisplayBag* d, unsigned int row);

// Text session: the structured fields [first, end) (end exclusive); the
// sense code, 0 when all were executed.
uint32_t wsfTextAssist(DisplayBag* d, const unsigned char* first, const unsigned char* end);
}  // namespace dsm_links
