#pragma once
// The four kinds of tables that a text-assist host defines (audit window,
// command keys, operator-error texts, pitches), each kept twice (table 0
// and table 1, chosen by the identifier the defining command carries).
// Neither saved nor restored.
#include <cstdint>

class TextHostTables {
 public:
  enum Kind : unsigned int { kAudit = 0, kCmdKey = 1, kOperr = 2, kPitch = 3 };
  static constexpr unsigned int kAuditBytes = 512;
  static constexpr unsigned int kCmdKeyBytes = 384;
  static constexpr unsigned int kOperrBytes = 768;
  static constexpr unsigned int kPitchEntries = 16;
  static constexpr unsigned char kNoTable = 0xFF;

  TextHostTables();

  // Defining commands: bytes 0-1 the length (with a 5-byte head), byte 4
  // the identifier, entries from byte 5. A refusal stores its sense code;
  // success leaves `sense` alone.
  void dfaud(const unsigned char* cmd, uint32_t& sense) { define(kAudit, cmd, sense); }
  void dfcdk(const unsigned char* cmd, uint32_t& sense) { define(kCmdKey, cmd, sense); }
  void dfoem(const unsigned char* cmd, uint32_t& sense) { define(kOperr, cmd, sense); }
  void dfpitch(const unsigned char* cmd, uint32_t& sense);

  static unsigned int determineTable(unsigned int id);
  unsigned char getTableID(unsigned int table, unsigned int kind) const { return ids_[table & 1][kind & 3]; }
  unsigned int numPitchTableEntries(unsigned int table) const;
  // Lookups: true when found; the entry is zeroed first.
  bool getAuditWindowEntry(unsigned int table, unsigned char key, unsigned char (&entry)[22],
                           unsigned int& index) const;
  bool getCmdKeyEntry(unsigned int table, unsigned int key, bool mode, unsigned char (&entry)[82]) const;
  bool getOperrEntry(unsigned int table, unsigned int code, unsigned char (&entry)[83]) const;
  bool getPitchEntry(unsigned int table, unsigned int n, unsigned char (&entry)[4]) const;

 private:
  unsigned char* table(unsigned int t, unsigned int kind);
  const unsigned char* table(unsigned int t, unsigned int kind) const;
  static unsigned int room(unsigned int kind);
  void define(unsigned int kind, const unsigned char* cmd, uint32_t& sense);

  unsigned char audit_[2][kAuditBytes];
  unsigned char cmdKey_[2][kCmdKeyBytes];
  unsigned char operr_[2][kOperrBytes];
  unsigned char pitch_[2][kPitchEntries * 4];
  unsigned char ids_[2][4];
};
