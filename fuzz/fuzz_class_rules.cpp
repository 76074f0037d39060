// Instance and class names, remembered-geometry values and Motif hints come
// from any X client or from the user's files: the rule parser, the class key
// and the geometry parser take any bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "wm/manager/ClassRules.h"
#include "wm/manager/WorkArea.h"
#include "wm/session/ScreenState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two texts split at the first newline; each may hold NULs, which end it
  // as they end a property's string.
  const std::string all(reinterpret_cast<const char*>(data), size);
  const size_t cut = all.find('\n');
  const std::string first = all.substr(0, cut), second = cut == std::string::npos ? "" : all.substr(cut + 1);
  ParseClassRules(first.c_str());
  ParseRuleBoolean(first.c_str());
  const ClassKey k = ChooseClassKey(first.c_str(), cut == std::string::npos ? nullptr : second.c_str());
  if (k.hasKey && k.key.empty() && k.realClass.size() > 4096) __builtin_trap();

  static ScreenState state;
  std::memset(static_cast<void*>(&state), 0, sizeof state);
  ParseClassGeometry(&state, first.c_str(), second.c_str());
  ClassRecord r = {};
  if (state.classRecords && !LookupClassRecord(&state, state.classRecords->key, &r)) __builtin_trap();
  FreeClassRecords(&state);

  MotifHints h;
  h.present = size > 0;
  unsigned long words[4] = {0, 0, 0, 0};
  std::memcpy(words, data, size < sizeof words ? size : sizeof words);
  h.flags = words[0];
  h.functions = words[1];
  h.decorations = words[2];
  h.inputMode = static_cast<long>(words[3]);
  MotifAllowsResize(&h, static_cast<int>(size & 1));
  MotifWantsBorder(h);
  MotifRemovedFunctions(h);
  MotifModeless(h);
  return 0;
}
