#pragma once
// The formatters of the field data of an inbound record: one object per
// read, made on the stack. ReadInputFields sends every input field back to
// back; ReadMDTFields and ReadMDTAlt send the modified fields, each after
// an SBA order with its row and column.
class DisplayBag;
class Field;

class ReadFields {
 public:
  // The result of a broken resequencing chain.
  static constexpr unsigned int kResequenceError = 0xFFFFFFFFu;
  // The most fields one read may carry.
  static constexpr unsigned int kMaxSelectedFields = 127;
  static constexpr unsigned int kMaxSequence = 128;

  virtual ~ReadFields() = default;
  // Appends the field data to `buffer` (at most `room` bytes): the bytes
  // written, or kResequenceError.
  unsigned int activateRead(DisplayBag* d, unsigned int sequencing, unsigned char* buffer, unsigned int room);
  virtual unsigned int anyFieldModified(DisplayBag* d) = 0;
  virtual unsigned int formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) = 0;
  virtual unsigned int formatFieldHeader(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) = 0;
  virtual unsigned int selectField(DisplayBag* d, Field* f) = 0;

 private:
  unsigned int formatField(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room);
};

class ReadInputFields : public ReadFields {
 public:
  unsigned int anyFieldModified(DisplayBag* d) override;
  unsigned int formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) override;
  unsigned int formatFieldHeader(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) override;
  unsigned int selectField(DisplayBag* d, Field* f) override;
};

class ReadMDTFields : public ReadFields {
 public:
  unsigned int anyFieldModified(DisplayBag* d) override { return 1; }
  unsigned int formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) override;
  unsigned int formatFieldHeader(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) override;
  unsigned int selectField(DisplayBag* d, Field* f) override;

 protected:
  // The transparent form of an entry field marked for it, else 0 with
  // `done` false.
  unsigned int transparent(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room, bool& done);
};

class ReadMDTAlt : public ReadMDTFields {
 public:
  unsigned int formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) override;
};
