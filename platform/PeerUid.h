#pragma once
// Which user holds the other end of a TCP connection within this machine,
// as the kernel's socket table says (sock_diag): the owner of the peer's
// socket (for an accepted connection, of its listener). Nothing a peer
// sends is trusted for it.
#include <sys/types.h>

// The user id of the other end of the connected TCP socket `fd`. False (errno
// set) when the kernel knows no such socket on this machine or cannot be
// asked.
bool TcpPeerUid(int fd, uid_t* uid);
