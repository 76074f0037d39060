#include "platform/PeerUid.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kReplyWaitMs = 1000;

// The peer's socket, as the table names a socket: its own (source) address
// first, then the address it is connected to.
bool FillSocketId(const sockaddr_storage& peer, const sockaddr_storage& local, inet_diag_req_v2* r) {
  if (peer.ss_family != local.ss_family) return false;
  r->sdiag_family = static_cast<__u8>(peer.ss_family);
  if (peer.ss_family == AF_INET) {
    const auto& p = reinterpret_cast<const sockaddr_in&>(peer);
    const auto& l = reinterpret_cast<const sockaddr_in&>(local);
    r->id.idiag_sport = p.sin_port;
    r->id.idiag_dport = l.sin_port;
    std::memcpy(r->id.idiag_src, &p.sin_addr, 4);
    std::memcpy(r->id.idiag_dst, &l.sin_addr, 4);
    return true;
  }
  if (peer.ss_family == AF_INET6) {
    const auto& p = reinterpret_cast<const sockaddr_in6&>(peer);
    const auto& l = reinterpret_cast<const sockaddr_in6&>(local);
    r->id.idiag_sport = p.sin6_port;
    r->id.idiag_dport = l.sin6_port;
    std::memcpy(r->id.idiag_src, &p.sin6_addr, 16);
    std::memcpy(r->id.idiag_dst, &l.sin6_addr, 16);
    return true;
  }
  return false;
}

}  // namespace

bool TcpPeerUid(int fd, uid_t* uid) {
  sockaddr_storage peer{}, local{};
  socklen_t peerLength = sizeof peer, localLength = sizeof local;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0)
    return false;
  struct {
    nlmsghdr header;
    inet_diag_req_v2 request;
  } message{};
  message.header.nlmsg_len = sizeof message;
  message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  message.header.nlmsg_flags = NLM_F_REQUEST;
  message.header.nlmsg_seq = 1;
  message.request.sdiag_protocol = IPPROTO_TCP;
  message.request.idiag_states = ~0u;
  message.request.id.idiag_if = 0;
  message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
  message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
  if (!FillSocketId(peer, local, &message.request)) {
    errno = EAFNOSUPPORT;
    return false;
  }
  const int nl = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
  if (nl < 0) return false;
  timeval wait{kReplyWaitMs / 1000, (kReplyWaitMs % 1000) * 1000};
  setsockopt(nl, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  bool found = false;
  int error = ENOENT;
  if (sendto(nl, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
      static_cast<ssize_t>(sizeof message)) {
    alignas(nlmsghdr) unsigned char reply[8192];
    const ssize_t n = recv(nl, reply, sizeof reply, 0);
    const auto* h = reinterpret_cast<const nlmsghdr*>(reply);
    if (n < 0) {
      error = errno;
    } else if (NLMSG_OK(h, static_cast<unsigned>(n))) {
      if (h->nlmsg_type == NLMSG_ERROR && h->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr))) {
        const auto* e = static_cast<const nlmsgerr*>(NLMSG_DATA(h));
        if (e->error != 0) error = -e->error;
      } else if (h->nlmsg_type == SOCK_DIAG_BY_FAMILY && h->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
        const auto* m = static_cast<const inet_diag_msg*>(NLMSG_DATA(h));
        // The very socket asked for, not a listener the lookup fell back on.
        if (m->id.idiag_dport == message.request.id.idiag_dport) {
          *uid = static_cast<uid_t>(m->idiag_uid);
          found = true;
        }
      }
    }
  } else {
    error = errno;
  }
  close(nl);
  if (!found) errno = error;
  return found;
}
