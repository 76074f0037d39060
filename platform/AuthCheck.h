#pragma once
// A password check in a child process: PAM waits after a failure (and a
// module may be slow), which must never hold up the caller's event loop.
// The child makes the check that AuthAnyLogin (with a server) or
// AuthSimplePassword makes and writes the result back on a pipe.
struct AuthLoginInfo;

// Starts the check; the descriptor to wait on for reading (close-on-exec),
// or -1 when no child could be made (nothing started).
int AuthStartCheck(const char* server, const char* user, const char* password, int allowRoot);
// Once the descriptor is readable: the check's result (AuthStatus; a child
// that said nothing counts as a refusal) and, on success, the log-in
// information. Closes the descriptor.
int AuthFinishCheck(int fd, AuthLoginInfo* info);
// A check nobody waits for any more: the descriptor is closed, the child
// ends on its own.
void AuthCancelCheck(int fd);
