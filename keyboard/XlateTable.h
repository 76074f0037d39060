#pragma once
// The registry of a session's keyboard translation tables, embedded in the
// session control block and built with the program's list of built-in
// tables. This version registers the list and counts references.
#include <cstddef>

class XlateTable {
 public:
  // `builtIn`: the built-in tables, a null-terminated list (may be null).
  explicit XlateTable(unsigned char** builtIn);
  ~XlateTable() = default;
  XlateTable(const XlateTable&) = delete;
  XlateTable& operator=(const XlateTable&) = delete;

  size_t builtInCount() const { return count_; }

 private:
  unsigned char** builtIn_;
  size_t count_ = 0;
};

// The program's list of built-in tables (empty until the tables exist).
unsigned char** BuiltInXlateTables();
