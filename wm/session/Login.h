#pragma once
// Log-in: the log-in screen of log-in mode and the checks behind its
// "Login" button (user name and password against the system's accounts or
// a network server, or smart card and PIN), then the session's start.
struct AuthLoginInfo;
struct LoginDialog;
struct ScreenState;

// The resources of log-in and unlock: "teldra.authService" names the PAM
// service of password checks (default "login"); QX_SMARTCARD_DEVICE turns
// the card reader on.
void ReadLoginResources(ScreenState* state);
// Log-in mode's start: the log-in dialog (by card when a card reader is
// configured), mapped and focused. With a reader that answers the card poll
// starts, and the dialog is mapped only while a card is in.
void ShowLoginScreen(ScreenState* state);
// The first button's action of every dialog mode; 1 when the dialog's work
// is done (the dialog is gone), 0 when it stays for another try, 2 while a
// password check runs in a child process (the dialog hears how it ended).
int DoLogin(LoginDialog* dialog);
// The log-in succeeded and the user's session is open (AuthSetLoginInfo):
// the session starts. The
// one place where a session begins after a log-in: log-in notices hook in
// here. `server` is the network server that vouched, or null.
void LoginSucceeded(ScreenState* state, AuthLoginInfo* info, const char* server);
// "Shutdown" (status 0) and "Reboot" (status 6): the process ends.
[[noreturn]] void LoginDialogShutdown(LoginDialog* dialog, int status);
// A message box over a log-in or unlock dialog closed: the dialog (or the
// lock window) gets the input back.
void LoginMessageBoxClosed(ScreenState* state);
