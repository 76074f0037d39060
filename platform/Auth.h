#pragma once
// The desktop's authentication calls. Passwords are checked by PAM, the way
// a Linux desktop checks them, under the service named by
// AuthSetServiceName (default "login"): authentication and account
// management must both accept. When QX_AUTH_FILE is set the check is that
// file's instead: one "user:hash" line per user, the hash as crypt(3) makes
// it (for example "openssl passwd -6"); the file must not be writable by
// others. Network log-in servers are not reached: a server name is
// recorded, the check is the local one. Passwords are never logged or kept.
struct AuthLoginInfo {
  char user[64];  // the first field: the user name
  char server[256];
  char field8[256];  // the eighth field of the terminal's record (card log-in value 103)
};

enum AuthStatus { AuthOk = 0, AuthRejected = 1, AuthNoFile = 2, AuthBadArgument = 22 };

// The PAM service of later checks (copied; null or empty: "login").
void AuthSetServiceName(const char* service);
const char* AuthServiceName();

// Checks user and password against the file; the root user only with allowRoot.
int AuthSimplePassword(const char* user, const char* password, AuthLoginInfo* info, int allowRoot,
                       int flags);
// As AuthSimplePassword with the server recorded (root is refused);
// homeInfo and profile are set to null.
int AuthAnyLogin(const char* server, const char* user, const char* password, AuthLoginInfo* info,
                 void** homeInfo, int flags, int byCard, void** profile);
// Records the session's user and opens the account's session for the
// session's programs (AuthOpenSession); USER and LOGNAME name the user.
// Nonzero when the account has no session (no such account, PAM refused).
int AuthSetLoginInfo(const AuthLoginInfo* info, int flags, int allowCore, void* homeInfo,
                     const char* homeBase, int administrator, const char* server, int a, int b, int c);
// The unlock mechanism of the terminal's own log-in service is absent here.
int AuthACTLoginPresent(const char* server);
int AuthACTLoginCheckPassword(const char* entry);
