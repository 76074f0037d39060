#pragma once
// The keypads of a session window: pop-up keypads (small windows of
// buttons, at most ten open) and pull-down keypads (menus in the menu bar),
// each made from a keypad file; a button runs its actions on the drawing
// widget. Keypad files are looked for in the user's keypad directory and
// among the default keypad paths.
#include <X11/Intrinsic.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "tools/KeypadFile.h"

class SessionControlBlock;
typedef struct __XmRenderTableRec** XmRenderTable;

class KeypadButtons {
 public:
  static constexpr int kSlots = 10;
  static constexpr int kMaxPullDowns = 10;

  explicit KeypadButtons(SessionControlBlock* session);
  ~KeypadButtons();
  KeypadButtons(const KeypadButtons&) = delete;
  KeypadButtons& operator=(const KeypadButtons&) = delete;

  // Opens the pop-up keypads of a start-up list: two unused bytes, the number
  // of names, then the names each ended by a zero byte. Names without a free
  // slot, unknown names and pull-down keypads are skipped.
  void createKeypadsFromList(const std::vector<unsigned char>& list);
  // Builds the pull-down keypad menus into the session's menu bar.
  void createPullDownKeypads();
  // The Options "pfkeys" entry: the selection dialog, or the one keypad.
  void handleKeypadMenuSelection();
  // 1 when the keypad of `path` opened in `slot`, 0 otherwise.
  int createPopUpKeypad(int slot, const std::string& path);

  void cancelKeypad(int slot);
  void cancelAllKeypads();
  void unManageActiveKeypads();
  void rebuildAllActiveKeypads();
  void rebuildPullDownKeypads();
  void rebuildActivePopupKeypads();
  void destroyAllPullDownKeypads();
  void setKeypadColors();
  void changeKeypadFonts(XmRenderTable table);

  // Runs the actions of a button (pop-up: slot * 256 + index; pull-down:
  // 0x10000 + keypad * 256 + entry) with the event that pressed it.
  void pressButton(int id, XEvent* event);
  void keypadSelectOk();
  void closeSelectDialog();

  // For the window and tests.
  Widget popupShell(int slot) const;
  std::string popupName(int slot) const;
  int openCount() const;
  Widget pullDownMenu() const { return pulldownMenu_; }
  Widget selectDialog() const { return selectShell_; }
  std::string userDirectory() const;
  std::vector<std::string> defaultPaths() const;

  struct Popup;

 private:
  void ReturnFocusToScreen();
  int findOpen(const std::string& name) const;
  int freeSlot() const;
  std::string findPath(const std::string& name) const;
  void saveKeypadLocation(int slot);
  bool convertLabel(const std::string& utf8, bool substitute, std::string* out) const;
  void addPullDownFile(const std::string& path, int index, int fileCount);
  void openSelected(const std::string& path, const std::string& name, bool fromDialog);

  SessionControlBlock* session_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::array<std::unique_ptr<Popup>, kSlots> popups_;
  Widget selectShell_ = nullptr, userList_ = nullptr, defaultList_ = nullptr;
  Widget pulldownCascade_ = nullptr, pulldownMenu_ = nullptr;
  int pulldownCount_ = 0;
  std::vector<std::vector<std::vector<ButtonAction>>> pulldownActions_;
};
