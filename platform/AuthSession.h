#pragma once
// The log-in session of the user that the password check accepted: PAM's
// credentials and session under the same service, the account's identity
// for the session's programs, and the end of it all at log-off.
//
// Only one session is open at a time. Teldra runs as root to check other
// users' passwords; the programs of the session must not: every program it
// starts calls AuthBecomeSessionUser in the child before exec.

// Opens the session of `user` (an account of the system): pam_setcred
// and pam_open_session, and the account's uid, gid, home and shell.
// 0 when open; nonzero (nothing stays open) otherwise.
int AuthOpenSession(const char* user);
// 1 while a session is open.
int AuthSessionOpen();
// In a forked child before exec: the session user's groups, gid and uid
// (checked: root cannot be regained), HOME, SHELL, USER, LOGNAME, the PAM
// environment, and the home folder as working folder. 0 when done or when
// no session is open; -1 when the identity could not be taken (the child
// must then not run the program).
int AuthBecomeSessionUser();
// Log-off: ends every process of the session user (never of root or of
// this process's own user), then pam_close_session and
// pam_setcred(PAM_DELETE_CRED). Nothing happens without an open session.
void AuthCloseSession();
