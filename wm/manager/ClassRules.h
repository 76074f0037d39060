#pragma once
// What a client's class, instance name and Motif hints say about how it is
// framed: the rule word of the instance name, the class key, and the
// functions and decorations the Motif hints leave.
#include <string>

// Bits of the rule word.
enum ClassRuleBits : unsigned {
  RuleLayerMask = 0xFF,
  RuleNoBorders = 0x100,
  RuleNoMenu = 0x200,
  RuleLayerGiven = 0x400,
  RuleNoSaveSize = 0x800,
  RuleNoSavePosition = 0x1000,
  RuleNoSaveZoom = 0x2000,
  RuleZoom = 0x4000,
  RuleNoMinimize = 0x8000,
  RuleNoMaximize = 0x10000,
  RuleNoClose = 0x20000,
  RuleNoResize = 0x40000,
  RuleNoMove = 0x80000,
};

// Frame functions; a set bit in a removal mask takes the function away.
enum FrameFunction : unsigned {
  FunctionClose = 0x01,
  FunctionMaximize = 0x02,
  FunctionMinimize = 0x04,
  FunctionMenu = 0x08,
  FunctionMove = 0x10,
};

// 1 when `text` starts with "true", "t", "yes", "y", "on" or "1" that ends
// at a comma or at the end of the string.
int ParseRuleBoolean(const char* text);
// The rule word of an instance name: the rules after its first comma; 0
// without a comma. A "layer=" value is clamped to 0..255 so that it cannot
// spill into the rule bits.
unsigned ParseClassRules(const char* name);

// The class key and real class of a client from WM_CLASS (instance,
// class; null when absent).
struct ClassKey {
  bool hasKey = false;
  std::string key;
  std::string realClass;
  bool centreOnPlacement = false;
  bool notConstrained = false;  // the terminal emulators place themselves
};
ClassKey ChooseClassKey(const char* instance, const char* cls);

// _MOTIF_WM_HINTS as read (up to 5 longs; missing ones are 0).
struct MotifHints {
  bool present = false;
  unsigned long flags = 0, functions = 0, decorations = 0;
  long inputMode = 0;
};
enum MotifBits : unsigned long {
  MotifHasFunctions = 0x1,
  MotifHasDecorations = 0x2,
  MotifHasInputMode = 0x4,
  MotifFunctionAll = 0x1,
  MotifFunctionResize = 0x2,
  MotifFunctionMove = 0x4,
  MotifFunctionMinimize = 0x8,
  MotifFunctionMaximize = 0x10,
  MotifFunctionClose = 0x20,
  MotifDecorAll = 0x1,
  MotifDecorBorder = 0x2,
  MotifDecorResizeH = 0x4,
  MotifDecorTitle = 0x8,
  MotifDecorMenu = 0x10,
  MotifDecorMinimize = 0x20,
  MotifDecorMaximize = 0x40,
};
// 1 when the hints let the client be resized.
int MotifAllowsResize(const MotifHints* hints, int transient);
// True when the hints leave the client its border.
bool MotifWantsBorder(const MotifHints& hints);
// The frame functions (FrameFunction bits) the hints take away.
unsigned MotifRemovedFunctions(const MotifHints& hints);
// A transient whose input mode is modeless (0) lets its owner be used.
bool MotifModeless(const MotifHints& hints);
// The frame functions (FrameFunction bits) the rule word takes away.
unsigned RuleRemovedFunctions(unsigned rules);
