#pragma once
// The smart-card requests of the "teldra" service: the card check with a
// PIN ('Q'), the card id ('S'), the stored credential record ('L'), a new
// signed record ('B'), erasing it ('E'), unblocking ('U') and changing
// ('V') the PIN, all through the session's card handle.
#include <cstddef>
#include <vector>

struct ServiceState;

// What the card check found, kept between requests.
struct CardServiceState {
  int recordVerified = 0;
  int blank = 0;
  std::vector<unsigned char> data;  // the card's record as last read
};

// Serves one card request (opcode in m[0]); true with a reply to send,
// false for an opcode that is not a card request.
bool ServeCardRequest(ServiceState* state, CardServiceState* card, const unsigned char* m, size_t n,
                      std::vector<unsigned char>* reply);
// Replaces the stored copy of the card's record (null or 0 clears it).
void StoreCardData(CardServiceState* card, const unsigned char* data, size_t length);
