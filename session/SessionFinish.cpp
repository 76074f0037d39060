// Completing a session's connection: connect, the terminal type and device
// name, the secure session, the Telnet negotiation, and the socket input.
#include <cstdlib>
#include <cstring>
#include <string>

#include "datastream/BrellObject.h"
#include "datastream/TelnetLAN.h"
#include "datastream/TerminalTypes.h"
#include "display/DisplayBag.h"
#include "session/AppResources.h"
#include "session/DisplayNameList.h"
#include "session/ErrorDialogs.h"
#include "session/RegistryFacts.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/WMGeometry.h"
#include "base/LogMsg.h"
#include "xfront/KeypadButtons.h"
#include "xfront/XStuff.h"

namespace {

// The entry still holds this very session (a session ended during a nested
// wait leaves its entry free or to another session).
bool Alive(int slot, SessionControlBlock* block, int sequence) {
  const SessionTableEntry* e = SessionEntry(slot);
  return e && e->shell && e->session == block && e->sequence == sequence;
}

// The terminal type of a -tn name: a registered name as registered; a
// 27 x 132 type only when the station may show 27 x 132, else the 24 x 80
// colour display.
const char* TerminalType(SessionControlBlock* block) {
  if (!block->terminalName) return nullptr;
  const Tn5250TerminalType* type = FindTn5250TerminalType(block->terminalName);
  if (!type) {
    LogMsg(LevelError, "%s: name specified for -tn parameter not valid.  -tn parameter will be ignored.\n", "QWC0535");
    return nullptr;
  }
  if (type->columns <= 80) return type->name;
  if (block->display && block->display->characteristics().word1Bit(kWord1Wide27x132Bit)) return type->name;
  if (DebugFlag())
    LogMsg(LevelDebug, "wide screen mode not enabled, -tn type changed to %s.\n", kTn5250NarrowType);
  return kTn5250NarrowType;
}

// A name that another session of the same host has asked for.
bool NameUsedOnHost(SessionControlBlock* self, const std::string& name) {
  for (int i = 0; i < kMaxSessionSlots; ++i) {
    const SessionTableEntry* e = SessionEntry(i);
    if (!e->session || e->session == self || !e->session->telnet) continue;
    if (std::strcmp(e->session->xstuff.getHostname(), self->xstuff.getHostname()) != 0) continue;
    if (name == e->session->telnet->tel_devname()) return true;
  }
  return false;
}

char NetworkLetter() {
  if (running_on_ethernet()) return 'E';
  if (running_on_tokenring()) return 'T';
  if (running_on_twinax()) return 'X';
  return 'U';
}

enum class Step { Go, Stop, Ended };

// Closes and connects again for the next device name.
Step Reconnect(int slot, SessionControlBlock* block, int sequence) {
  block->telnet->tel_close();
  block->negotiationWord = -1;
  const int rc = block->telnet->tel_init(block->xstuff.getHostname(), block->port);
  if (!Alive(slot, block, sequence)) return Step::Ended;
  if (rc == -2 || rc == -3) return Step::Stop;
  if (rc < 0 || S5250_Init(block, 80, 24) < 0) {
    EndSession(block, 1);
    return Step::Ended;
  }
  if (block->sslInUse &&
      BrellStartSession(*block->brell, *block, block->sslInUse, block->telnet->socketDescriptor(),
                        block->xstuff.getHostname()) != 0) {
    EndSession(block, 1);
    return Step::Ended;
  }
  return Step::Go;
}

// The Telnet negotiation with the device names in turn. Go when transparent
// mode was reached.
Step Negotiate(int slot, SessionControlBlock* block, int sequence, const char* termType,
               const std::vector<std::string>& names) {
  TelnetLAN* telnet = block->telnet;
  const bool itcm = std::strncmp(block->xstuff.getTitle(), "__ITCM", 6) == 0;
  size_t next = 0;
  bool withoutName = names.empty();
  for (;;) {
    const char* name = nullptr;
    if (!withoutName) {
      while (next < names.size() && NameUsedOnHost(block, names[next])) ++next;
      if (next >= names.size()) {
        LogMsg(LevelError, "%s: all instances of name requested for -DISPLAY_NAME parameter in use.\n", "QWC0511");
        block->errorDialog("ErrorMsgNameInUse");
        if (!block->softDisplayName) {
          EndSession(block, 1);
          return Step::Ended;
        }
        withoutName = true;
        Step s = Reconnect(slot, block, sequence);
        if (s != Step::Go) return s;
        continue;
      }
      name = names[next].c_str();
    }
    const int rc = telnet->tel_setup(1, termType, name);
    if (!Alive(slot, block, sequence) || rc == -4) return Step::Ended;
    if (rc == 0) return Step::Go;
    if (rc == -1) return Step::Stop;  // reported, with its retry schedule
    // -2: the host refused the environment (or the name).
    if (name) {
      if (block->softDisplayName)
        LogMsg(LevelError, "%s: Env negotiation failed, -DISPLAY_NAME_SOFT, name = %s.\n", "QWC0512", name);
      else
        LogMsg(LevelError, "%s: Env negotiation failed, -DISPLAY_NAME, name = %s.\n", "QWC0517", name);
      ++next;
      Step s = Reconnect(slot, block, sequence);
      if (s != Step::Go) return s;
      continue;
    }
    if (itcm) {
      if (DebugFlag()) LogMsg(LevelDebug, "cannot do env. negotiation -- retry without.\n");
      Step s = Reconnect(slot, block, sequence);
      if (s != Step::Go) return s;
      const int again = telnet->tel_setup(0, termType, nullptr);
      if (!Alive(slot, block, sequence) || again == -4) return Step::Ended;
      if (again == 0) return Step::Go;
      if (DebugFlag()) LogMsg(LevelDebug, "renegotiation unsuccessful.\n");
      return Step::Stop;
    }
    // Nothing more to try: reported like any failed negotiation.
    LogMsg(LevelError, "%s: Unable to succesfully negotiate required telnet options.\n", "QWC0047");
    telnet->tel_connecterror("ErrorMsgTelnetNegoFailed", 1);
    return Step::Stop;
  }
}

}  // namespace

void finishCreateSessionUnderThisProcess(int slot) {
  const SessionTableEntry* entry = SessionEntry(slot);
  if (!entry || !entry->shell || !entry->session) return;
  SessionControlBlock* block = entry->session;
  const int sequence = entry->sequence;
  auto setSocket = [slot](int value) {
    // The entry is ours while Alive() holds.
    const_cast<SessionTableEntry*>(SessionEntry(slot))->socket = value;
  };
  TelnetLAN* telnet = block->telnet;

  const int rc = telnet->tel_init(block->xstuff.getHostname(), block->port);
  if (!Alive(slot, block, sequence)) return;
  setSocket(rc == 0 ? telnet->socketDescriptor() : rc);
  if (rc == -2 || rc == -3) return;
  if (rc < 0) {
    EndSession(block, 1);
    return;
  }
  if (S5250_Init(block, 80, 24) < 0) {
    EndSession(block, 1);
    return;
  }

  const char* termType = TerminalType(block);
  if (termType && block->deviceName && DebugFlag())
    LogMsg(LevelDebug, "valid -tn parameter specified.  -DISPLAY_NAME will be ignored.\n");
  std::vector<std::string> names;
  if (!termType && block->deviceName) {
    DisplayNameFacts facts;
    facts.macAddress = GetMACAddress();
    facts.network = NetworkLetter();
    facts.user = std::getenv("USER");
    facts.hostName = std::getenv("HOSTNAME");
    DisplayNameCandidates c = BuildDisplayNameCandidates(block->deviceName, facts);
    for (int i = 0; i < c.rejected; ++i) block->errorDialog("ErrorMsgInvalidName");
    if (c.endSession || (c.names.empty() && !block->softDisplayName)) {
      EndSession(block, 1);
      return;
    }
    if (c.names.empty())
      LogMsg(LevelError,
             "%s: Invalid host name with -DISPLAY_NAME_SOFT specified.  Will try starting session without host name.\n",
             "QWC0521");
    names = c.names;
  }

  if (block->sslInUse && BrellStartSession(*block->brell, *block, block->sslInUse, telnet->socketDescriptor(),
                                           block->xstuff.getHostname()) != 0) {
    EndSession(block, 1);
    return;
  }

  switch (Negotiate(slot, block, sequence, termType, names)) {
    case Step::Ended:
    case Step::Stop:
      return;
    case Step::Go:
      break;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "after tel_setup.\n");

  // What came with the end of the negotiation.
  const int check = telnet->tel_receive();
  if (!Alive(slot, block, sequence)) return;
  if (check == -4) {
    if (block->x_comm_msg(659) == -1 || !Alive(slot, block, sequence)) return;
    LogMsg(LevelError, "%s tel_check() failed.\n", "QWC0049");
    telnet->tel_connecterror("ErrorMsgNoHostData", 1);
    return;
  }
  if (check == -1) {
    EndSession(block, 1);
    return;
  }
  if (check < 0) return;

  telnet->addSocketInput();
  // The start-up keypads, once, unless keypads are taken from the user.
  if (!block->initialKeypads.empty()) {
    const std::vector<unsigned char> keypads(block->initialKeypads.begin(), block->initialKeypads.end());
    block->initialKeypads.clear();
    const unsigned char allowed = AppResources().keyPad;
    if (allowed != QwDisableAndHide && allowed != QwFalse) {
      block->xstuff.keypadButtons().createKeypadsFromList(keypads);
      if (!Alive(slot, block, sequence)) return;
    }
  }
  calculateWMWindowBorderAndTitleSizes(slot);
  const_cast<SessionTableEntry*>(SessionEntry(slot))->connected = 1;
  block->xstuff.Flush_X5250(0);
  block->firstConnect = 0;
  block->retry.clearUserInput();
  block->retry.startInactivityTimeoutIfNeeded(true);
}
