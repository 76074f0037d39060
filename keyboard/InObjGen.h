#pragma once
// The input-object generator of a display station: it turns the keyboard
// translator's function words, the mouse and status events and the edit
// menu's commands into input objects and hands each to the station's input
// entry. Each object lives in a buffer on the stack of the call that
// dispatches it, so a dispatch that runs another one (a double click that
// runs Enter, a paste that runs keys) never overwrites its own object.
#include <cstddef>

#include "keyboard/FunctionWord.h"

class DisplayBag;
class UserInput;

class InObjGen {
 public:
  enum MenuEventNumber : int { kMenuPaste = 0, kMenuCopy = 1, kMenuCut = 2 };
  // Room for the largest input object (checked where the classes are known).
  static constexpr size_t kObjectBufferSize = 64;

  InObjGen() = default;
  explicit InObjGen(DisplayBag*) {}

  // The object for a key's word, built in `buffer` (kObjectBufferSize bytes,
  // aligned for any object); null when the word makes none.
  UserInput* getUserInputObj(DisplayBag* d, unsigned char* buffer, const FunctionWord* word);
  unsigned int processKeystrokeEvent(DisplayBag* d, FunctionWord* word);
  unsigned int processMouseEvent(DisplayBag* d, FunctionWord* word, unsigned int position);
  unsigned int processLightPenEvent(DisplayBag* d, unsigned int row, unsigned int column);
  unsigned int processImageStatusEvent(DisplayBag* d, FunctionWord* word, const unsigned char* status);
  unsigned int processMenuEvent(DisplayBag* d, int event);
};
