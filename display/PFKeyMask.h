#pragma once
// Which function keys send field data. Bit k of the 24-bit mask (k = key
// number - 1) lies in byte 2 - k/8 at bit k mod 8; a set bit means the key
// sends data.
class qrnOStream;
class qrnIStream;

class PFKeyMask {
 public:
  PFKeyMask() { resetPFKeyMasks(); }

  // Index 1-3 stores the complement of mask in byte index - 1; others are ignored.
  void setPFKeyMask(unsigned int index, unsigned char mask);
  void resetPFKeyMasks();
  // The key's mask bit for the AIDs of PF1-PF24; every other AID requires data.
  bool isDataRequired(unsigned char aid) const;
  unsigned char maskByte(unsigned int i) const { return mask_[i]; }

  void savePFKeyMask(qrnOStream* stream) const;
  unsigned int restorePFKeyMask(qrnIStream* stream);

 private:
  unsigned char mask_[3];
};
