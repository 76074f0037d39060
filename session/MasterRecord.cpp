#include "session/MasterRecord.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "session/HandoffBlock.h"
#include "session/SharedMemory.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {

// Layout of the record at the start of its segment (integers big-endian).
constexpr size_t kPidOffset = 0;
constexpr size_t kWindowOffset = 4;
constexpr size_t kReadyOffset = 8;
constexpr size_t kHostOffset = 9;
static_assert(kHostOffset + kDefaultHostNameSize == kMasterRecordBytes, "record is 268 bytes");

constexpr const char* kStartSessionAtom = "QAV_5250_Start_Session";
constexpr auto kReadyPoll = std::chrono::milliseconds(100);
// A master that is not ready within this time is taken for dead (its
// process id may since belong to another program).
constexpr auto kReadyWait = std::chrono::seconds(30);
constexpr auto kAckPoll = std::chrono::milliseconds(500);
constexpr int kAckPolls = 1200;

bool g_master = false;
// The master record could not be had (its segment belongs to another user):
// this process is a master of its own, with no record and no hand-off.
bool g_ownMaster = false;

bool ProcessExists(uint32_t pid) {
  if (pid == 0) return false;
  return getsid(static_cast<pid_t>(pid)) != -1 || errno == EPERM;
}

uint32_t* PidWord(unsigned char* record) { return reinterpret_cast<uint32_t*>(record + kPidOffset); }

uint32_t LoadPid(unsigned char* record) { return ntohl(__atomic_load_n(PidWord(record), __ATOMIC_SEQ_CST)); }

// Replaces the process id `seen` by `wanted`; false when another process
// changed it first.
bool SwapPid(unsigned char* record, uint32_t seen, uint32_t wanted) {
  uint32_t expected = htonl(seen);
  return __atomic_compare_exchange_n(PidWord(record), &expected, htonl(wanted), false, __ATOMIC_SEQ_CST,
                                     __ATOMIC_SEQ_CST);
}

void StoreWindow(unsigned char* record, unsigned long window) {
  const uint32_t w = htonl(static_cast<uint32_t>(window));
  std::memcpy(record + kWindowOffset, &w, sizeof w);
}

void SetReady(unsigned char* record, unsigned char ready) {
  __atomic_store_n(record + kReadyOffset, ready, __ATOMIC_SEQ_CST);
}

void ClearRecordAtExit() {
  SharedEmulatorInfo info;
  SetGetSharedEmulatorInformation(SharedInfoClear, info);
}

void BecomeMaster() {
  if (g_master) return;
  g_master = true;
  SetExitMasterCleanup(ClearRecordAtExit);
}

// The record's process id `seen` stands for a master that is gone: take the
// record. True when this process is the master now.
bool TakeOver(unsigned char* record, uint32_t seen) {
  const uint32_t me = static_cast<uint32_t>(getpid());
  if (!SwapPid(record, seen, me)) return LoadPid(record) == me;
  SetReady(record, 0);
  StoreWindow(record, 0);
  return true;
}

// Applies fn to the attached record; -1 when it cannot be had.
template <class Fn>
int WithRecord(Fn fn) {
  long key = MasterRecordKey();
  void* address = nullptr;
  char created = 0;
  if (GetPointerToSharedMemory(&key, kMasterSegmentBytes, &address, created, 1, 1) < 0) return -1;
  const int rc = fn(static_cast<unsigned char*>(address), created != 0);
  DetachSharedMemory(address, 0);
  return rc;
}

void CopyOut(unsigned char* record, SharedEmulatorInfo& info) {
  info.processId = LoadPid(record);
  uint32_t w = 0;
  std::memcpy(&w, record + kWindowOffset, sizeof w);
  info.masterWindow = ntohl(w);
  info.ready = __atomic_load_n(record + kReadyOffset, __ATOMIC_SEQ_CST);
  std::memcpy(info.defaultHostName, record + kHostOffset, kDefaultHostNameSize);
  info.defaultHostName[kDefaultHostNameSize - 1] = '\0';
}

int g_trappedError = 0;
int TrapXError(Display*, XErrorEvent* error) {
  g_trappedError = error->error_code;
  return 0;
}

// Runs fn with X errors collected instead of ending the process; true when
// no error came.
template <class Fn>
bool WithoutXErrors(Display* display, Fn fn) {
  XSync(display, False);
  g_trappedError = 0;
  XErrorHandler previous = XSetErrorHandler(TrapXError);
  fn();
  XSync(display, False);
  XSetErrorHandler(previous);
  return g_trappedError == 0;
}

// The master's window exists and is of this program's class (a window id
// of a master that died may since name another client's window).
bool WindowExists(Display* display, unsigned long window) {
  if (window == 0) return false;
  XClassHint hint = {};
  Status status = 0;
  const bool clean = WithoutXErrors(display, [&] { status = XGetClassHint(display, window, &hint); });
  const bool ours = clean && status != 0 && hint.res_class && std::strcmp(hint.res_class, "QW5250") == 0;
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return ours;
}

}  // namespace

namespace {

int SetGetRecordInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info, bool* attached);

// The record of a master of its own: this process, ready, no window known
// to others.
int OwnMasterInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info) {
  if (command == SharedInfoRead || command == SharedInfoStartUp) {
    info.processId = static_cast<unsigned long>(getpid());
    info.masterWindow = 0;
    info.ready = 0;
  }
  return 0;
}

}  // namespace

int SetGetSharedEmulatorInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info) {
  if (g_ownMaster) return OwnMasterInformation(command, info);
  bool attached = false;
  const int rc = SetGetRecordInformation(command, info, &attached);
  if (rc < 0 && !attached && command == SharedInfoStartUp) {
    LogMsg(LevelWarning,
           "The master record (shared memory key %ld) cannot be used; this process is a master of its own, "
           "without hand-off.\n",
           MasterRecordKey());
    g_ownMaster = true;
    BecomeMaster();
    return OwnMasterInformation(command, info);
  }
  return rc;
}

namespace {

// The command on the shared record; *attached tells whether the record was
// had at all.
int SetGetRecordInformation(SetGetSharedInfoCommand command, SharedEmulatorInfo& info, bool* attached) {
  const uint32_t me = static_cast<uint32_t>(getpid());
  return WithRecord([&](unsigned char* record, bool created) {
    *attached = true;
    int rc = 0;
    switch (command) {
      case SharedInfoStartUp:
        for (;;) {
          const uint32_t seen = LoadPid(record);
          if (seen == me || ProcessExists(seen)) break;
          if (TakeOver(record, seen)) break;
        }
        if (LoadPid(record) == me) BecomeMaster();
        break;
      case SharedInfoClear:
        // Only the master's own record: a later master may stand in it.
        if (LoadPid(record) == me) {
          SetReady(record, 0);
          StoreWindow(record, 0);
          SwapPid(record, me, 0);
        }
        break;
      case SharedInfoMasterReady:
        if (created || LoadPid(record) != me) {
          rc = -1;
          break;
        }
        StoreWindow(record, info.masterWindow);
        SetReady(record, 1);
        break;
      case SharedInfoStoreDefaultHost: {
        const void* end = std::memchr(info.defaultHostName, 0, kDefaultHostNameSize);
        const size_t n = end ? static_cast<const char*>(end) - info.defaultHostName : kDefaultHostNameSize - 1;
        std::memcpy(record + kHostOffset, info.defaultHostName, n);
        std::memset(record + kHostOffset + n, 0, kDefaultHostNameSize - n);
        break;
      }
      case SharedInfoRead: {
        const uint32_t seen = LoadPid(record);
        if (seen != 0 && !ProcessExists(seen)) SwapPid(record, seen, 0);
        break;
      }
      default:
        return -1;
    }
    CopyOut(record, info);
    return rc;
  });
}

}  // namespace

bool IsMasterProcess() { return g_master; }

int SettleMasterAfterDisplayOpen(Display* display) {
  const auto deadline = std::chrono::steady_clock::now() + kReadyWait;
  uint32_t staleSeen = 0;  // a ready master without a window, seen once
  for (;;) {
    SharedEmulatorInfo info;
    if (SetGetSharedEmulatorInformation(SharedInfoRead, info) != 0) return -1;
    const uint32_t pid = static_cast<uint32_t>(info.processId);
    if (pid == 0 || pid == static_cast<uint32_t>(getpid())) {
      if (SetGetSharedEmulatorInformation(SharedInfoStartUp, info) != 0) return -1;
      if (IsMasterProcess()) return 1;
      continue;
    }
    bool stale = false;
    if (info.ready) {
      if (WindowExists(display, info.masterWindow)) return 0;
      // Seen twice: a master that just took the record clears ready at once.
      stale = staleSeen == pid;
      staleSeen = pid;
      if (stale)
        LogMsg(LevelWarning, "The window of master process %u is gone; this process takes over.\n", pid);
    } else {
      staleSeen = 0;
    }
    if (!stale && std::chrono::steady_clock::now() >= deadline) {
      LogMsg(LevelWarning, "Master process %u did not get ready; this process takes over.\n", pid);
      stale = true;
    }
    if (stale) {
      const int rc = WithRecord([pid](unsigned char* record, bool) { return TakeOver(record, pid) ? 1 : 0; });
      if (rc < 0) return -1;
      if (rc == 1) {
        BecomeMaster();
        return 1;
      }
      staleSeen = 0;
      continue;
    }
    std::this_thread::sleep_for(kReadyPoll);
  }
}

int HandSessionToMaster(Display* display, const SessionStartOptions& options) {
  SharedEmulatorInfo info;
  if (SetGetSharedEmulatorInformation(SharedInfoRead, info) != 0 || info.processId == 0 || !info.ready) {
    LogMsg(LevelError, "No master process takes the session; exiting.\n");
    std::exit(1);
  }
  long key = static_cast<long>(getpid());
  void* address = nullptr;
  char created = 0;
  const int id = GetPointerToSharedMemory(&key, kHandoffBlockSize, &address, created, 1, 0);
  if (id < 0) {
    LogMsg(LevelError, "No hand-off block for the session; exiting.\n");
    std::exit(1);
  }
  unsigned char block[kHandoffBlockSize];
  EncodeHandoffBlock(options, block);
  auto* shared = static_cast<unsigned char*>(address);
  std::memcpy(shared, block, sizeof block);

  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = info.masterWindow;
  event.xclient.message_type = XInternAtom(display, kStartSessionAtom, False);
  event.xclient.format = 32;
  // Format 32 data are longs in Xlib, whatever their width.
  event.xclient.data.l[0] = key;
  const bool sent = WithoutXErrors(display, [&] {
    XSendEvent(display, info.masterWindow, True, NoEventMask, &event);
  });

  bool acknowledged = false;
  for (int i = 0; sent && i < kAckPolls; ++i) {
    if (__atomic_load_n(shared + kHandoffAckOffset, __ATOMIC_SEQ_CST) == 1) {
      acknowledged = true;
      break;
    }
    SharedEmulatorInfo now;
    if (SetGetSharedEmulatorInformation(SharedInfoRead, now) != 0 || now.processId != info.processId) break;
    std::this_thread::sleep_for(kAckPoll);
  }
  if (!acknowledged) acknowledged = __atomic_load_n(shared + kHandoffAckOffset, __ATOMIC_SEQ_CST) == 1;
  DetachSharedMemory(address, id);
  if (!acknowledged) {
    LogMsg(LevelError, "Master process %lu did not take the session; exiting.\n", info.processId);
    std::exit(1);
  }
  return 1;
}

void StartSessionMessageHandler(Widget, XtPointer, XEvent* event, Boolean*) {
  if (!event || event->type != ClientMessage) return;
  XClientMessageEvent& message = event->xclient;
  if (message.message_type != XInternAtom(message.display, kStartSessionAtom, False)) return;
  if (message.format != 32) {
    LogMsg(LevelError, "Start-session message of format %d refused.\n", message.format);
    return;
  }
  long key = message.data.l[0];
  void* address = nullptr;
  char created = 0;
  const int id = key > 0 ? GetPointerToSharedMemory(&key, kHandoffBlockSize, &address, created, 0, 1) : -1;
  if (id < 0) {
    LogMsg(LevelError, "Start-session message for key %ld refused: no hand-off block of this user.\n",
           message.data.l[0]);
    return;
  }
  auto* shared = static_cast<unsigned char*>(address);
  if (__atomic_load_n(shared + kHandoffAckOffset, __ATOMIC_SEQ_CST) != 0) {
    LogMsg(LevelError, "Start-session message for key %ld refused: the block was taken already.\n", key);
    DetachSharedMemory(address, 0);
    return;
  }
  unsigned char block[kHandoffBlockSize];
  std::memcpy(block, shared, sizeof block);
  __atomic_store_n(shared + kHandoffAckOffset, static_cast<unsigned char>(1), __ATOMIC_SEQ_CST);
  DetachSharedMemory(address, 0);

  SessionStartOptions options;
  DecodeHandoffBlock(block, options);
  if (DebugFlag()) LogMsg(LevelDebug, "Session for host %s handed over by key %ld.\n", options.hostName.c_str(), key);
  createSessionUnderThisProcess(options, nullptr, nullptr);
}
