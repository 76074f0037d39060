#include "wm/services/RpcServices.h"

#include <fcntl.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpc.h>
#include <sys/select.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdk/SdkScreen.h"
#include "wm/services/DesktopMessage.h"
#include "wm/services/ServiceState.h"

namespace {

struct Service {
  unsigned long program;
  unsigned long lowVersion, highVersion;
  void (*dispatch)(svc_req*, SVCXPRT*);
  SVCXPRT* transport;
  int fd;
};

ServiceState* rpcState = nullptr;

// One rusers answer: the one user entry (or none) in the record form of the
// request's version.
struct RusersReply {
  unsigned long version;
  bool hasUser;
  std::string user;
  long time;
};

bool_t EncodeRusersReply(XDR* x, void* p) {
  const auto* r = static_cast<const RusersReply*>(p);
  u_int count = r->hasUser ? 1 : 0;
  if (!xdr_u_int(x, &count)) return FALSE;
  if (!count) return TRUE;
  u_int idle = 0;
  if (r->version == kRusersVersion3) {
    // The clients' bound for a user name is 32 characters.
    std::string name = r->user.substr(0, kRusersMaxNameV3);
    char* user = const_cast<char*>(name.c_str());
    char* line = const_cast<char*>("ttyqx");
    char* host = const_cast<char*>("");
    int type = 7;  // a user process
    int time = static_cast<int>(r->time);
    return xdr_string(x, &user, 1024) && xdr_string(x, &line, 1024) && xdr_string(x, &host, 1024) &&
           xdr_int(x, &type) && xdr_int(x, &time) && xdr_u_int(x, &idle);
  }
  // The idle version's records: counted byte fields of fixed size; each
  // record is referenced, which adds nothing on the wire.
  char line[8] = "ttyqx", name[8] = {0}, host[16] = {0};
  std::strncpy(name, r->user.c_str(), sizeof name);  // no NUL when it fills the field
  char *linep = line, *namep = name, *hostp = host;
  u_int lineSize = sizeof line, nameSize = sizeof name, hostSize = sizeof host;
  long time = r->time;
  return xdr_bytes(x, &linep, &lineSize, sizeof line) && xdr_bytes(x, &namep, &nameSize, sizeof name) &&
         xdr_bytes(x, &hostp, &hostSize, sizeof host) && xdr_long(x, &time) && xdr_u_int(x, &idle);
}

void RusersDispatch(svc_req* request, SVCXPRT* transport) {
  if (request->rq_proc == NULLPROC) {
    svc_sendreply(transport, reinterpret_cast<xdrproc_t>(xdr_void), nullptr);
    return;
  }
  if (request->rq_vers != kRusersVersionIdle && request->rq_vers != kRusersVersion3) {
    svcerr_progvers(transport, kRusersVersionIdle, kRusersVersion3);
    return;
  }
  const bool loginMode = !rpcState || rpcState->loginMode;
  switch (request->rq_proc) {
    case 1: {
      if (!svc_getargs(transport, reinterpret_cast<xdrproc_t>(xdr_void), nullptr)) {
        svcerr_decode(transport);
        return;
      }
      int users = loginMode ? 0 : 1;
      if (!svc_sendreply(transport, reinterpret_cast<xdrproc_t>(xdr_int), reinterpret_cast<char*>(&users)))
        svcerr_systemerr(transport);
      return;
    }
    case 2:
    case 3: {
      if (!svc_getargs(transport, reinterpret_cast<xdrproc_t>(xdr_void), nullptr)) {
        svcerr_decode(transport);
        return;
      }
      RusersReply reply;
      reply.version = request->rq_vers;
      reply.hasUser = !loginMode;
      reply.user = RusersUserName(rpcState ? rpcState->anonymous : 0);
      reply.time = rpcState ? static_cast<long>(rpcState->sessionStartTime) : 0;
      if (!svc_sendreply(transport, reinterpret_cast<xdrproc_t>(EncodeRusersReply), reinterpret_cast<char*>(&reply)))
        svcerr_systemerr(transport);
      return;
    }
    default:
      svcerr_noproc(transport);
  }
}

void WallDispatch(svc_req* request, SVCXPRT* transport) {
  if (request->rq_proc == NULLPROC) {
    svc_sendreply(transport, reinterpret_cast<xdrproc_t>(xdr_void), nullptr);
    return;
  }
  if (request->rq_proc != 2) {
    svcerr_noproc(transport);
    return;
  }
  char* text = nullptr;
  if (!svc_getargs(transport, reinterpret_cast<xdrproc_t>(xdr_wrapstring), reinterpret_cast<char*>(&text))) {
    svcerr_decode(transport);
    return;
  }
  if (text && *text && rpcState) {
    const std::string shown = WallTextShown(text);
    ShowDesktopMessage(rpcState, shown.c_str(), nullptr);
    if (rpcState->sdk.display) {
      XBell(rpcState->sdk.display, 100);
      XFlush(rpcState->sdk.display);
    }
  }
  svc_sendreply(transport, reinterpret_cast<xdrproc_t>(xdr_void), nullptr);
  svc_freeargs(transport, reinterpret_cast<xdrproc_t>(xdr_wrapstring), reinterpret_cast<char*>(&text));
}

Service services[] = {
    {kRusersProgram, kRusersVersionIdle, kRusersVersion3, RusersDispatch, nullptr, -1},
    {kWallProgram, kWallVersion, kWallVersion, WallDispatch, nullptr, -1},
};

void ServiceReadable(void*, int fd) {
  // Only this descriptor: the library's other sockets are not ours.
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  svc_getreqset(&set);
}

void Unset(const Service& s) {
  for (unsigned long v = s.lowVersion; v <= s.highVersion; ++v) pmap_unset(s.program, v);
}

bool Start(ServiceState* state, Service* s) {
  Unset(*s);
  fd_set before = svc_fdset;
  SVCXPRT* transport = svcudp_create(RPC_ANYSOCK);
  if (!transport) return false;
  int fd = transport->xp_fd;
  bool ok = fd >= 0 && fd < FD_SETSIZE && FD_ISSET(fd, &svc_fdset) && !FD_ISSET(fd, &before);
  for (unsigned long v = s->lowVersion; ok && v <= s->highVersion; ++v)
    ok = svc_register(transport, s->program, v, s->dispatch, IPPROTO_UDP) != 0;
  if (!ok) {
    for (unsigned long v = s->lowVersion; v <= s->highVersion; ++v) svc_unregister(s->program, v);
    svc_destroy(transport);
    return false;
  }
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  s->transport = transport;
  s->fd = fd;
  AddSelectFile(&state->sdk, fd, ServiceReadable, state);
  return true;
}

}  // namespace

std::string RusersUserName(int anonymous) {
  if (anonymous) return "anon";
  const char* name = std::getenv("LOGNAME");
  if (!name || !*name) name = std::getenv("USER");
  return name && *name ? name : "anon";
}

std::string WallTextShown(const char* text) {
  std::string out = text ? text : "";
  if (out.size() > kWallMaxShown) {
    size_t cut = kWallMaxShown;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\n' && c != '\t') || u == 0x7F) c = '?';
  }
  return out;
}

int StartRpcServices(ServiceState* state) {
  rpcState = state;
  int started = 0;
  for (Service& s : services) {
    if (s.transport) {
      ++started;
      continue;
    }
    if (Start(state, &s))
      ++started;
    else
      std::fprintf(stderr, "%s: the RPC program %lu could not be registered\n",
                   state && state->programName ? state->programName : "teldra", s.program);
  }
  return started;
}

void StopRpcServices(ServiceState* state) {
  for (Service& s : services) {
    if (!s.transport) continue;
    for (unsigned long v = s.lowVersion; v <= s.highVersion; ++v) svc_unregister(s.program, v);
    Unset(s);
    if (state && state->sdk.app) RemoveSelectFile(&state->sdk, s.fd);
    svc_destroy(s.transport);
    s.transport = nullptr;
    s.fd = -1;
  }
}

int RpcServicesRunning() {
  int n = 0;
  for (const Service& s : services) n += s.transport ? 1 : 0;
  return n;
}
