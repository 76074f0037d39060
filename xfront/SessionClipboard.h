#pragma once
// What a session window keeps of its last copy and of the paste under way.
#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"

struct SessionClipboard {
  std::string stringText;                  // STRING: ISO 8859-1
  std::string utf8Text;                    // "UTF-8" and UTF8_STRING
  std::vector<unsigned char> privateCopy;  // descriptor and host data
  bool ownsPrimary = false;
  bool replacingOwnership = false;  // a new copy takes PRIMARY over again

  CopiedDataInformation paste;  // filled by a paste
  bool pasteInProgress = false;
  unsigned long request = 0;    // the paste request answers must belong to
  unsigned long time = 0;       // its time stamp
};
