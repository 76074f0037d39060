#pragma once
// The function classes of the programming interface. Each takes one
// request's function id and data, writes its reply data and returns the
// return code (api/EclWire.h). A handler never trusts the data: every
// offset and text is checked against the data's length first.
#include <cstdint>
#include <vector>

class ECLSessionSocket;

struct EclCall {
  int32_t functionId = 0;
  const std::vector<unsigned char>* data = nullptr;
  std::vector<unsigned char>* reply = nullptr;
  // The connection the request came on (null when called without one).
  ECLSessionSocket* client = nullptr;
  // Set when the handler sent the return code itself (before ending the
  // last session): the caller sends nothing more.
  bool replied = false;
};

int32_t eclbase(EclCall& call);
int32_t eclconnmgr(EclCall& call);
int32_t eclconnection(EclCall& call);
int32_t eclfieldlist(EclCall& call);
int32_t ecloia(EclCall& call);
int32_t eclps(EclCall& call);
int32_t eclwinmetrics(EclCall& call);

// The handler of a class id; an unknown class is logged and answers 4.
int32_t DispatchEclRequest(int32_t classId, EclCall& call);
