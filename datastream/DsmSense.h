#pragma once
// The sense values of the 5250 data stream: what a record's machines answer
// the host interface. 0 accepted; kSenseAnswered accepted and already
// answered; kSenseContention held for replay; anything else is sent back as
// a negative response.
#include <cstdint>

namespace dsm_sense {
constexpr uint32_t kAccepted = 0;
constexpr uint32_t kAnswered = 0xFFFFFFFFu;
constexpr uint32_t kReadNotAllowed = 0x08290100u;
constexpr uint32_t kContention = 0x082D0100u;
constexpr uint32_t kUnknownCommand = 0x10030101u;
constexpr uint32_t kCopyToPrinter = 0x10030103u;
constexpr uint32_t kBadClearUnitAlternate = 0x10030105u;
constexpr uint32_t kNotInDisplayMode = 0x1003011Cu;
constexpr uint32_t kReadNotSupported = 0x10030123u;
constexpr uint32_t kBadLength = 0x10050110u;
constexpr uint32_t kNotInWordProcessing = 0x1005011Bu;
constexpr uint32_t kPrematureEnd = 0x10050121u;
constexpr uint32_t kBadRowColumn = 0x10050122u;
constexpr uint32_t kAddressBeforeCurrent = 0x10050123u;
constexpr uint32_t kFormatTableInvalid = 0x10050126u;
constexpr uint32_t kRestoreInvalid = 0x10050127u;
constexpr uint32_t kTitleBeyondRecord = 0x10050127u;
constexpr uint32_t kDataPastScreen = 0x1005012Au;
constexpr uint32_t kBadHeaderLength = 0x1005012Bu;
constexpr uint32_t kBadAttributeType = 0x1005012Du;
constexpr uint32_t kBadAttributeValue = 0x1005012Fu;
constexpr uint32_t kNotAfterEscape = 0x10050131u;
constexpr uint32_t kSavePartialTwice = 0x10050134u;
constexpr uint32_t kContinuedFieldOpen = 0x10050135u;
// Start fields, field control words and structured fields.
constexpr uint32_t kBadClassOrType = 0x10050111u;
constexpr uint32_t kBadStructuredData = 0x10050112u;
constexpr uint32_t kBadMinorLength = 0x10050113u;
constexpr uint32_t kTextNotInDisplayMode = 0x1005011Cu;
constexpr uint32_t kFieldLengthZero = 0x10050125u;
constexpr uint32_t kFieldOutsideScreen = 0x10050128u;
constexpr uint32_t kFormatTableFull = 0x10050129u;
constexpr uint32_t kBadFieldAttribute = 0x10050130u;
constexpr uint32_t kBadFieldControl = 0x10050136u;
constexpr uint32_t kWriteFieldRefused = 0x10050140u;
constexpr uint32_t kWriteFieldData = 0x10050141u;
constexpr uint32_t kNoCapability = 0x10050148u;
constexpr uint32_t kImageNotLast = 0x10050149u;
constexpr uint32_t kBadImageLength = 0x1005014Du;
constexpr uint32_t kStructuredFieldTooLong = 0x1005014Fu;
constexpr uint32_t kHighlightedFieldTooLong = 0x10050187u;
constexpr uint32_t kBadSelfCheck = 0x10050188u;
// Selection fields.
constexpr uint32_t kBadChoiceNumber = 0x10050114u;
constexpr uint32_t kNoChoiceText = 0x1005013Au;
constexpr uint32_t kChoiceOutsideScreen = 0x1005013Bu;
constexpr uint32_t kTooManyChoices = 0x1005013Cu;
constexpr uint32_t kSecondSelectedChoice = 0x1005013Du;
// Scroll bars.
constexpr uint32_t kScrollBarOutsideScreen = 0x10050138u;
constexpr uint32_t kBadScrollBarSize = 0x10050139u;

// True for the codes a negative response may carry: the state conflicts
// (0x08xxxxxx) and the command and data-stream errors (0x10xxxxxx).
constexpr bool isNegativeResponse(uint32_t sense) {
  return (sense >> 24) == 0x08 || (sense >> 24) == 0x10;
}
}  // namespace dsm_sense
