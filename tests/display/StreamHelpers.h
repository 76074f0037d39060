#pragma once
// Builds a complete save/restore stream around a test's members and opens
// it for reading, as the Save and Restore commands do.
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/support/SaveStreamImage.h"  // SaveStream

// The member bytes of a saved stream (header, length and FCS removed), for
// comparing two saves.
inline std::vector<unsigned char> MemberBytes(const std::vector<unsigned char>& stream) {
  if (stream.size() < 6) return {};
  return std::vector<unsigned char>(stream.begin() + 4, stream.end() - 2);
}

// The stream cut after `keep` member bytes and closed again with a good FCS:
// what a truncated save looks like to a reader that trusts the FCS.
inline std::vector<unsigned char> Truncated(const std::vector<unsigned char>& stream,
                                            size_t keep) {
  const std::vector<unsigned char> members = MemberBytes(stream);
  return SaveStream([&](qrnOStream* o) { o->hostPutData(members.data(), keep); });
}
