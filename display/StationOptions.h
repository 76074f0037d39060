#pragma once
// The display station's option and preference values that the fields, the
// keyboard state and the input objects consult, kept together.
struct StationOptions {
  // Option word bits.
  static constexpr unsigned int kLeftDragMarking = 0x00000004u;
  static constexpr unsigned int kCopyPaste = 0x00000008u;
  static constexpr unsigned int kHexReverseVideo = 0x00000020u;
  static constexpr unsigned int kEnhancedDisplay = 0x00000080u;
  static constexpr unsigned int kTextAssistCursorPlanes = 0x00000200u;
  // The station takes mouse and status records (the translator decodes them).
  static constexpr unsigned int kDeviceRecords = 0x00004000u;
  static constexpr unsigned int kHiddenDataCheck = 0x00800000u;
  static constexpr unsigned int kHelpInError = 0x20000000u;
  static constexpr unsigned int kAlarmOnError = 0x40000000u;
  static constexpr unsigned int kReverseScreenNotAllowed = 0x80000000u;

  unsigned int optionWord = 0;
  // Miscellaneous preference 14: 0 only Reset ends the error state, 1 cursor
  // keys and mouse presses also do, 2 most keys do.
  unsigned char errorResetPreference = 0;
  // Miscellaneous preference 17: 1 or 2 keep insert mode when the keyboard
  // locks, resets or enters system request.
  unsigned char insertModePreference = 0;
  // Miscellaneous preference 16: the copy type a mouse copy uses (0 linear,
  // 1 block), and the alternative that the copy-type key swaps in.
  unsigned char copyType = 0;
  unsigned char alternativeCopyType = 1;
  // Hot-spot click mode: 1 single click, 2 double click.
  unsigned char hotSpotClickMode = 0;
  // Miscellaneous preferences 5, 8 and 18 (preference 2, automatic help,
  // is the option word's help-in-error bit): Character Backspace deletes;
  // a paste aimed at a screen position goes there rather than to the cursor;
  // the cursor keys move only between input-capable positions. The station
  // takes the first two from its display characteristics.
  bool destructiveBackspace = true;
  bool pasteAtPointer = false;
  bool inputOnlyCursorMovement = false;
  // Keyboard settings: the Field Mark key is allowed; the exit check makes
  // a changed signed-numeric or right-adjusted numeric field wait for its
  // exit key before the cursor may leave it.
  bool fieldMarkAllowed = false;
  bool exitCheck = false;

  // The character that selects a choice of a selection field besides the
  // blank and the slash (0 = none); the host sets it with each definition.
  unsigned char selectionCharacter = 0;

  // Clicks: the AID a plain click posts (0 = none); the click moved the
  // cursor (from savedClickCursor) and is still in progress.
  unsigned char clickAid = 0;
  bool clickMovedCursor = false;
  bool clickInProgress = false;
  unsigned short savedClickCursor = 0;
  // The browserStart resource is "enable": web addresses are hot spots.
  bool browserStart = false;
  // Scroll-bar increments avoid the bytes 0x04 and 0x0E-0x11, which some
  // hosts take as controls.
  bool avoidControlBytes = false;

  // Alternate reads (Read MDT Alternate) keep the trailing nulls of fields.
  bool keepNullsOnAlternateRead = false;
  // Set by every word-wrap write: the station repaints the field.
  bool wordWrapWritten = false;
  // A Thai session: a copied block shorter than its range separates its
  // rows with 0x25, and a paste keeps them.
  bool thaiMode = false;

  bool has(unsigned int bit) const { return (optionWord & bit) != 0; }
  void set(unsigned int bit, bool on) { optionWord = on ? optionWord | bit : optionWord & ~bit; }
  // Hot spots act on a single click (1) or a double click (2); 0 is off.
  bool singleClickHotSpots() const { return hotSpotClickMode == 1; }
  // A left press marks an area (the press starts a deferred marking).
  bool clickStartsMarking() const { return has(kCopyPaste) && has(kLeftDragMarking); }
  bool keepsInsertMode() const { return insertModePreference == 1 || insertModePreference == 2; }
};
