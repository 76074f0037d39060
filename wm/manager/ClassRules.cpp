#include "wm/manager/ClassRules.h"

#include <cstdlib>
#include <cstring>

namespace {

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A decimal number as atoi reads it, clamped to a layer.
unsigned ParseLayer(const char* text) {
  long value = 0;
  bool negative = false;
  while (*text == ' ' || *text == '\t') ++text;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  while (*text >= '0' && *text <= '9') {
    if (value < 1000) value = value * 10 + (*text - '0');
    ++text;
  }
  if (negative) value = 0;
  return static_cast<unsigned>(value > 255 ? 255 : value);
}

struct BooleanRule {
  const char* key;
  unsigned bitWhenFalse;
};

constexpr BooleanRule kBooleanRules[] = {
    {"borders=", RuleNoBorders},         {"menu=", RuleNoMenu},
    {"save_size=", RuleNoSaveSize},      {"save-size=", RuleNoSaveSize},
    {"save_zoom=", RuleNoSaveZoom},      {"save-zoom=", RuleNoSaveZoom},
    {"save_position=", RuleNoSavePosition}, {"save-position=", RuleNoSavePosition},
    {"minimize=", RuleNoMinimize},       {"maximize=", RuleNoMaximize},
    {"close=", RuleNoClose},             {"resize=", RuleNoResize},
    {"move=", RuleNoMove},
};

}  // namespace

int ParseRuleBoolean(const char* text) {
  if (!text) return 0;
  for (const char* word : {"true", "yes", "on", "t", "y", "1"}) {
    const size_t n = std::strlen(word);
    if (std::strncmp(text, word, n) == 0 && (text[n] == ',' || text[n] == '\0')) return 1;
  }
  return 0;
}

unsigned ParseClassRules(const char* name) {
  if (!name) return 0;
  const char* p = std::strchr(name, ',');
  if (!p) return 0;
  unsigned word = 0;
  ++p;
  while (*p) {
    if (*p == ',') {
      ++p;
      continue;
    }
    if (StartsWith(p, "layer=")) {
      word |= ParseLayer(p + 6) | RuleLayerGiven;
    } else if (StartsWith(p, "zoom=")) {
      if (ParseRuleBoolean(p + 5)) word |= RuleZoom;
    } else {
      for (const BooleanRule& r : kBooleanRules)
        if (StartsWith(p, r.key)) {
          if (!ParseRuleBoolean(p + std::strlen(r.key))) word |= r.bitWhenFalse;
          break;
        }
    }
    const char* comma = std::strchr(p, ',');
    if (!comma) break;
    p = comma + 1;
  }
  return word;
}

ClassKey ChooseClassKey(const char* instance, const char* cls) {
  ClassKey k;
  auto emulator = [](const char* c) {
    return c && (!std::strcmp(c, "ZE3270") || !std::strcmp(c, "DAReve") || !std::strcmp(c, "QW5250"));
  };
  if (!instance) {
    if (!cls) return k;
    k.hasKey = true;
    k.key = k.realClass = cls;
    k.notConstrained = emulator(cls);
    return k;
  }
  if (!std::strcmp(instance, "QXmailEditorWindow") || !std::strcmp(instance, "QXNonmodalDialog")) {
    k.hasKey = true;
    k.key = instance;
    k.centreOnPlacement = true;
    if (cls) k.realClass = cls;
    return k;
  }
  if (!cls) return k;
  if ((!std::strcmp(cls, "VendorShell") || !std::strcmp(cls, "TopLevelShell")) &&
      std::strcmp(instance, "AWTapp") != 0 && std::strcmp(instance, "dialog") != 0) {
    k.hasKey = true;
    k.key = k.realClass = instance;
    return k;
  }
  k.hasKey = true;
  k.key = k.realClass = cls;
  k.notConstrained = emulator(cls);
  return k;
}

int MotifAllowsResize(const MotifHints* h, int transient) {
  if (!h || !h->present) return 1;
  if (h->flags & MotifHasFunctions) {
    if (h->functions & MotifFunctionAll) return (h->functions & MotifFunctionResize) ? 0 : 1;
    return (h->functions & MotifFunctionResize) ? 1 : 0;
  }
  if (h->flags & MotifHasInputMode) return transient ? 0 : 1;
  return 1;
}

namespace {

// With the "all" bit, the listed bits are the ones taken away.
bool Has(unsigned long word, unsigned long allBit, unsigned long bit) {
  return (word & allBit) ? !(word & bit) : (word & bit) != 0;
}

}  // namespace

bool MotifWantsBorder(const MotifHints& h) {
  if (!h.present || !(h.flags & MotifHasDecorations)) return true;
  return Has(h.decorations, MotifDecorAll, MotifDecorBorder);
}

unsigned MotifRemovedFunctions(const MotifHints& h) {
  unsigned removed = 0;
  if (!h.present) return 0;
  if (h.flags & MotifHasDecorations) {
    if (!Has(h.decorations, MotifDecorAll, MotifDecorMenu)) removed |= FunctionMenu;
    if (!Has(h.decorations, MotifDecorAll, MotifDecorMinimize)) removed |= FunctionMinimize;
    if (!Has(h.decorations, MotifDecorAll, MotifDecorMaximize)) removed |= FunctionMaximize;
  }
  if (h.flags & MotifHasFunctions) {
    if (!Has(h.functions, MotifFunctionAll, MotifFunctionMinimize)) removed |= FunctionMinimize;
    if (!Has(h.functions, MotifFunctionAll, MotifFunctionMaximize)) removed |= FunctionMaximize;
    if (!Has(h.functions, MotifFunctionAll, MotifFunctionClose)) removed |= FunctionClose;
    if (!Has(h.functions, MotifFunctionAll, MotifFunctionMove)) removed |= FunctionMove;
  }
  return removed;
}

bool MotifModeless(const MotifHints& h) {
  return h.present && (h.flags & MotifHasInputMode) && h.inputMode == 0;
}

unsigned RuleRemovedFunctions(unsigned rules) {
  unsigned removed = 0;
  if (rules & RuleNoMenu) removed |= FunctionMenu;
  if (rules & RuleNoMinimize) removed |= FunctionMinimize;
  if (rules & RuleNoMaximize) removed |= FunctionMaximize;
  if (rules & RuleNoClose) removed |= FunctionClose;
  if (rules & RuleNoMove) removed |= FunctionMove;
  return removed;
}
