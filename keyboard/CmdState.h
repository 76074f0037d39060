#pragma once
// One key after the command key: it becomes a PF key, an AID key, the hex
// key, a local function, a text-assist attribute, or an operator error.
#include "keyboard/FunctionWord.h"
#include "keyboard/XltState.h"

class TAXlate;

class CmdState {
 public:
  CmdState(TAXlate& tax, unsigned char scan, FunctionWord word, const XltState& state)
      : tax_(tax), scan_(scan), word_(word), state_(state) {}

  FunctionWord procCmdState();

 private:
  FunctionWord wordProcessing() const;
  FunctionWord dataProcessing() const;

  TAXlate& tax_;
  unsigned char scan_;
  FunctionWord word_;
  XltState state_;
};
