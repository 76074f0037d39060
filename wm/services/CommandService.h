#pragma once
// The "teldra" local service: the desktop programs (the desktop manager
// above all) launch programs, register names and learn when their windows
// appear, set the work area, activate windows, pop up menus, log off or
// lock through it; every client also receives short notifications.
//
// A request is one message of 1 to 4096 bytes: an opcode byte, then fields
// without padding (integers 32-bit big-endian, strings NUL-terminated). A
// reply repeats the opcode. A notification is 10 bytes: 'c', a code, 8 data
// bytes.
#include <cstddef>
#include <string>
#include <vector>

struct ServiceState;

enum ServiceNotification {
  NoticeProgramEnded = 0,
  NoticeNameRegisteredWindow = 1,
  NoticeThemeChanged = 2,
  NoticeServiceClosing = 3,
  NoticeChangePIN = 4,
  NoticeMemoryFigures = 5,
  NoticeLowMemoryFigures = 8,
  NoticeWindowManagerExiting = 6,
  NoticeStackingChanged = 7,
};

// Listens on "teldra"; 0, or the errno value (nothing listens then).
int StartServiceListener(ServiceState* state);
// Sends every client notification 3, closes it, then the listener.
void StopServiceListener(ServiceState* state);
// The 10-byte notification to every client; data8 null sends 8 zero bytes.
void BroadcastToClients(ServiceState* state, const unsigned char* data8, int code);
// A notification whose data is `length` bytes (at most 8 taken, the rest 0).
void BroadcastNotice(ServiceState* state, int code, const void* data, size_t length);
void NotifyThemeChanged(ServiceState* state);
int ServiceClientsConnected(ServiceState* state);

// Registered launch names. Add gives the new record's id (false when the
// name is empty); RemoveByName drops every record of the name and tells the
// clients each record's id (notification 1).
bool AddCommandRecord(ServiceState* state, const char* name, unsigned char id[8]);
void RemoveCommandRecord(ServiceState* state, const unsigned char id[8]);
void RemoveCommandRecordsByName(ServiceState* state, const std::string& name);

// Serves one request as the service does (for the listener and for tests);
// true when *reply is to be sent. `client` identifies the sender for the work
// area it reserved (may be null).
bool ServeServiceRequest(ServiceState* state, void* client, const unsigned char* message, size_t length,
                         std::vector<unsigned char>* reply);

// The string at *cursor within `remaining` bytes, advancing past its NUL;
// null when no NUL lies within them.
const char* ReadServiceString(const unsigned char** cursor, size_t* remaining);
