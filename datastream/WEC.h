#pragma once
// Write Error Code (0x21) and Write Error Code to Window (0x22): a host
// message on the error line (inside a window's columns for 0x22), the
// keyboard in the operator-error state, and an optional insert-cursor order
// (0x13 row column) inside the message that says where the cursor goes when
// the error is reset. The low nibbles of the message's second to fifth bytes
// are the error code the keyboard keeps. Reset brings back what the error
// line showed before.
#include <cstdint>

#include "datastream/FSMNw.h"

class WEC : public FSMNw {
 public:
  explicit WEC(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
  // The window's columns, 0-based (Write Error Code to Window).
  void setWindow(unsigned char first, unsigned char last);

 private:
  int initiallize(Databyte* db);
  int writeData(Databyte* db);
  int doInsCursor(Databyte* db);
  int done(Databyte* db, int result);

  unsigned char dataCount_ = 0;
  uint16_t errorCode_ = 0;
  uint16_t errorRow_ = 0;
  uint16_t column_ = 0;  // the next column written, 0-based
  uint32_t lineOffset_ = 0;
  unsigned char width_ = 0;
  unsigned char window_ = 0;
  unsigned char firstColumn_ = 0;
  unsigned char lastColumn_ = 0;
};

class WECW : public FSMNw {
 public:
  explicit WECW(Arena* arena) : FSMNw(arena), wec_(arena) {}
  // On the window's first column byte; then the message.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

 private:
  int doWECWindow(Databyte* db);

  WEC wec_;
  unsigned char started_ = 0;
};
