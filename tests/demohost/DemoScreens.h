// The screens of the demo host and what it answers to each client record:
// a sign-on screen (User, Password, Program/procedure) and, after Enter with
// a user name, a Main Menu that greets the user and shows what each field
// held; F3 goes back to the sign-on screen, and any other AID gets a fresh
// copy of the screen it came from. Records are TN5250 records (10-byte
// header) whose data is CP037; text is ISO-8859-1 on this side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demohost {

using Bytes = std::vector<uint8_t>;

// CP037 to ISO-8859-1 and back (glibc's converter, built once).
uint8_t FromCp037(uint8_t e);
uint8_t ToCp037(uint8_t c);
Bytes Cp037(const std::string& latin1);
// Field data as readable text: nulls and controls become spaces, trailing
// blanks are dropped.
std::string Readable(const Bytes& ebcdic);

// One input field of a client record: where its data started (1-based) and
// the data.
struct InputField {
  int row = 0, column = 0;
  Bytes data;
};
// What an inbound record carries.
struct Inbound {
  bool valid = false;   // a header of 10 bytes and the client's length
  uint8_t opcode = 0;
  uint8_t flags1 = 0;   // 0x80 error, 0x40 attention, 0x04 system request, 0x01 help in error
  // Help pressed in an operator error: the error's number (5 for 0005, ...).
  bool helpInError = false;
  unsigned helpErrorCode = 0;
  bool hasAid = false;
  int cursorRow = 0, cursorColumn = 0;
  uint8_t aid = 0;
  std::vector<InputField> fields;
};
Inbound ParseInbound(const Bytes& record);
// "Enter", "F3", ... for an AID byte.
std::string AidName(uint8_t aid);
// What an operator error number means, as the help a host gives for it.
std::string OperatorErrorText(unsigned code);

class DemoSession {
 public:
  // The first screen of a connection; `display` is the client's device name
  // or terminal type, shown on the screen.
  Bytes Start(const std::string& display);
  // The screen that answers the client's record; empty when nothing is sent
  // (a negative response from the client). Help in an operator error is
  // answered with the error's text on the error line, the screen and what
  // the user typed left as they are.
  Bytes Answer(const Bytes& record);

  bool OnMainMenu() const { return mainMenu_; }
  bool AnsweredHelp() const { return answeredHelp_; }
  unsigned HelpErrorCode() const { return helpErrorCode_; }
  const std::string& User() const { return user_; }

 private:
  Bytes SignOn(const std::string& message) const;
  Bytes MainMenu(const Inbound* in) const;
  static Bytes ErrorHelp(unsigned code);

  std::string display_;
  bool mainMenu_ = false;
  bool answeredHelp_ = false;
  unsigned helpErrorCode_ = 0;
  std::string user_, program_;
  size_t passwordLength_ = 0;
  std::string aidName_;
  int cursorRow_ = 0, cursorColumn_ = 0;
};

}  // namespace demohost
