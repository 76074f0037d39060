#pragma once
// The desktop settings: per screen resolution, where each named session's
// window stood and which font it used, and the font each screen format was
// last shown with. Kept in memory and in one small binary file in
// $KDVSHARED/QW5250; a change is written one second after the last one
// (through a temporary file and a rename) and at the latest when the
// program ends.
#include <X11/Intrinsic.h>

#include <string>

#include "xfront/DeskTopFile.h"

class DeskTopSettings {
 public:
  static DeskTopSettings& instance();
  ~DeskTopSettings();  // writes a pending change

  // Reads the file for the screen once (later calls do nothing). The
  // application context runs the deferred write.
  void load(XtAppContext app, int screenWidth, int screenHeight);
  bool enabled() const { return enabled_; }

  bool getFontSizeForScreenSize(int rows, int cols, int* font) const;
  // The stored position of a session (x relative to the work area).
  bool getWindowPositionForSession(const std::string& id, int* x, int* y) const;
  bool getFontSizeForSession(const std::string& id, int* font) const;

  void updateFontSizeSettingForScreenSize(int rows, int cols, int font);
  // x relative to the work area's left edge.
  void updateSettingsForSession(const std::string& id, int x, int y, int font, bool writeNow);

  // Writes at once, or one second after the last of several changes.
  void writeNowOrLater(bool now);
  // Writes a pending change now (nothing when none waits).
  void flush();
  bool writePending() const { return pending_ != 0; }
  unsigned long writes() const { return writes_; }
  const DeskTopData& data() const { return data_; }
  const std::string& fileName() const { return fileName_; }

  // Back to the state before the first load.
  void resetForTesting();

 private:
  DeskTopSettings() = default;
  bool writeToFile();
  static void timerProc(XtPointer self, XtIntervalId* id);

  bool loaded_ = false;
  bool enabled_ = true;
  bool writable_ = true;
  XtAppContext app_ = nullptr;
  XtIntervalId pending_ = 0;
  std::string fileName_;
  DeskTopData data_;
  unsigned long writes_ = 0;
};

// 0 when the folder is usable or was made with the mode, 1 on failure.
int CheckAndCreateDirectory(const char* path, unsigned int mode);
