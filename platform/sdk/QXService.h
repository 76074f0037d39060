#pragma once
// Named local services: whole messages of up to QXServiceMaxMessage bytes
// between the window manager and the desktop programs of the same user.
// Each service is an AF_UNIX SOCK_SEQPACKET socket named after the service
// in a directory that only the user may enter (0700): QX_SERVICE_DIR when
// set, else $XDG_RUNTIME_DIR/qx-services, else /tmp/qx-services-<uid>. The
// directory is refused when it is a symbolic link, belongs to someone else
// or is open to others. All calls return 0 on success, else an errno value.
#include <cstddef>

struct QXService;

enum { QXServiceMaxMessage = 4096, QXServiceMaxName = 64 };

// Service names: 1 to QXServiceMaxName characters of letters, digits and
// "*._-", not beginning with '.'.
bool QXServiceNameValid(const char* name);
// The directory in use, made (0700) when missing; errno value on failure.
int QXServiceDirectory(char* buffer, size_t size);

// Listens under `name`. A stale socket of a dead listener is replaced; a
// live listener gives EADDRINUSE.
int QXServiceListen(const char* name, QXService** listener);
// Takes one waiting connection (EAGAIN when none waits).
int QXServiceAccept(QXService* listener, QXService** connection);
// Connects to the service `name`.
int QXServiceOpen(const char* name, QXService** connection);
// Receives one whole message into buffer; *length is its size. A message
// longer than `size` is dropped with EMSGSIZE; EPIPE once the peer has gone;
// EAGAIN when none waits. An empty message is received with *length 0.
int QXServiceReceive(QXService* service, void* buffer, size_t size, size_t* length);
// Sends one whole message of at most QXServiceMaxMessage bytes.
int QXServiceSend(QXService* service, const void* buffer, size_t length);
// The descriptor to watch for readability; -1 for null.
int QXServiceSelectFD(const QXService* service);
// Closes the channel; a listener also removes its socket name.
int QXServiceClose(QXService* service);
