#pragma once
class TelnetLAN;
class TelnetSessionLink;

// The input procedure of a session's socket: takes what the connection has;
// a connection that closed or failed is closed and goes to the retry
// handling with "ErrorMsgNoHostData2".
void TelnetSocketInput(TelnetLAN& telnet, TelnetSessionLink& session);
