#include "wm/services/CommandService.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/sdk/QXService.h"
#include "platform/sdk/RegistryIcon.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SdkUtil.h"
#include "wm/manager/Clients.h"
#include "wm/manager/WindowMenu.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WorkArea.h"
#include "wm/services/CardService.h"
#include "wm/services/LaunchIds.h"
#include "wm/services/ServiceEvents.h"
#include "wm/services/ServiceState.h"
#include "wm/services/SnmpTrap.h"

namespace {

struct ServiceClient {
  CommandService* service = nullptr;
  QXService* channel = nullptr;
  bool reservedWorkArea = false;  // this client set the work area
};

struct CommandName {
  unsigned char id[8];
  std::string name;
};

}  // namespace

struct CommandService {
  ServiceState* screen = nullptr;
  QXService* listener = nullptr;
  std::vector<std::unique_ptr<ServiceClient>> clients;  // newest first
  std::vector<CommandName> names;
  CardServiceState card;
};

namespace {

CommandService* ServiceOf(ServiceState* s) {
  if (!s->commandService) {
    s->commandService = new CommandService;
    s->commandService->screen = s;
  }
  return s->commandService;
}

void ResetWorkArea(ServiceState* s) {
  if (s->sdk.display) SetWorkArea(s, 0, 0, s->sdk.width, s->sdk.height);
}

void CloseServiceClient(CommandService* service, ServiceClient* c) {
  ServiceState* s = service->screen;
  RemoveSelectFile(&s->sdk, QXServiceSelectFD(c->channel));
  QXServiceClose(c->channel);
  // Only the bar that reserved the area gives it back when it goes; a
  // passing client's end leaves another's reservation alone.
  const bool reserved = c->reservedWorkArea;
  for (auto it = service->clients.begin(); it != service->clients.end(); ++it)
    if (it->get() == c) {
      service->clients.erase(it);
      break;
    }
  s->serviceClientCount = static_cast<int>(service->clients.size());
  if (reserved) ResetWorkArea(s);
}

void HandleServiceRequest(void* closure, int) {
  auto* c = static_cast<ServiceClient*>(closure);
  CommandService* service = c->service;
  ServiceState* s = service->screen;
  unsigned char buffer[QXServiceMaxMessage];
  size_t length = 0;
  const int e = QXServiceReceive(c->channel, buffer, sizeof buffer, &length);
  if (e == EAGAIN || e == EMSGSIZE) return;  // an over-long request is dropped unanswered
  if (e != 0) {
    CloseServiceClient(service, c);
    return;
  }
  std::vector<unsigned char> reply;
  const bool answer = ServeServiceRequest(s, c, buffer, length, &reply);
  // What the request changed on the server goes out before the answer.
  if (s->sdk.display) XFlush(s->sdk.display);
  if (answer && QXServiceSend(c->channel, reply.data(), reply.size())) CloseServiceClient(service, c);
}

void ServiceClientInput(void* closure, int) {
  auto* service = static_cast<CommandService*>(closure);
  ServiceState* s = service->screen;
  QXService* channel = nullptr;
  while (QXServiceAccept(service->listener, &channel) == 0) {
    auto c = std::make_unique<ServiceClient>();
    c->service = service;
    c->channel = channel;
    AddSelectFile(&s->sdk, QXServiceSelectFD(channel), HandleServiceRequest, c.get());
    service->clients.insert(service->clients.begin(), std::move(c));
    s->serviceClientSeen = 1;
    s->serviceClientCount = static_cast<int>(service->clients.size());
  }
}

long Int32At(const unsigned char* p) { return static_cast<int32_t>(ReadBigLong(p)); }

// A string that must end exactly at the message's last byte.
const char* TrailingString(const unsigned char* m, size_t n) {
  if (n < 2 || m[n - 1] != 0) return nullptr;
  return reinterpret_cast<const char*>(m + 1);
}

void ServeLaunch(ServiceState* s, const unsigned char* m, size_t n, std::vector<unsigned char>* reply) {
  reply->push_back('s');
  const char* first = nullptr;
  const char* second = nullptr;
  const char* third = nullptr;
  if (n > 6) {
    const unsigned char* cursor = m + 6;
    size_t remaining = n - 6;
    first = ReadServiceString(&cursor, &remaining);
    second = first ? ReadServiceString(&cursor, &remaining) : nullptr;
    third = second ? ReadServiceString(&cursor, &remaining) : nullptr;
  }
  if (!third) {
    reply->push_back(0);
    return;
  }
  const unsigned flags = m[1];
  const int priority = static_cast<int>(Int32At(m + 2));
  unsigned char id[8];
  const auto launch = TheServiceEvents().launchProgram;
  if (!launch || !launch(s, flags, first, second, third, priority, id)) {
    reply->push_back(0);
    return;
  }
  reply->insert(reply->end(), id, id + 8);
}

void PopupMenuAt(ServiceState* s, long menu, int x, int y, unsigned button) {
  if (!s->sdk.display || (menu != 0 && menu != 1)) return;
  if (TheServiceEvents().popDownMenus) TheServiceEvents().popDownMenus(s);
  XEvent press = {};
  press.xbutton.type = ButtonPress;
  press.xbutton.display = s->sdk.display;
  press.xbutton.window = s->sdk.root;
  press.xbutton.root = s->sdk.root;
  press.xbutton.x = press.xbutton.x_root = x;
  press.xbutton.y = press.xbutton.y_root = y;
  press.xbutton.button = button;
  press.xbutton.time = 0;
  if (menu == 0) {
    if (TheServiceEvents().popupRootMenu) TheServiceEvents().popupRootMenu(s, &press);
  } else if (ManagedWindow* m = GetActiveWindow(s)) {
    PopupWindowMenu(m, &press);
  }
}

void ServeLogoffOrLock(ServiceState* s, const unsigned char* m, size_t n, bool lock) {
  const long confirm = n >= 5 ? Int32At(m + 1) : 0;
  const long time = n >= 9 ? Int32At(m + 5) : 0;
  if (time) s->eventTime[0] = s->eventTime[1] = static_cast<Time>(static_cast<uint32_t>(time));
  if (TheServiceEvents().lockOrLogoff) TheServiceEvents().lockOrLogoff(s, lock, confirm != 0);
}

void ServeClassIcon(ServiceState* s, const unsigned char* m, size_t n) {
  if (n < 7) return;
  const long value = Int32At(m + 1);
  const unsigned char* cursor = m + 5;
  size_t remaining = n - 5;
  const char* key = ReadServiceString(&cursor, &remaining);
  const char* icon = key ? ReadServiceString(&cursor, &remaining) : nullptr;
  const char* sizeText = icon ? ReadServiceString(&cursor, &remaining) : nullptr;
  const char* positionText = sizeText ? ReadServiceString(&cursor, &remaining) : nullptr;
  if (!key || !*key) return;
  // Icons are small: a size beyond any icon is refused, not allocated.
  if (icon && *icon && s->sdk.display && value >= 0 && value <= 256) {
    Pixmap mask = None;
    Pixmap pixmap = PixmapLoadRegistryIcon(&s->sdk, icon, static_cast<int>(value), &mask);
    if (pixmap != None) {
      ClassRecord update = {};
      update.pixmapsValid = 2;
      update.iconPixmap = pixmap;
      update.iconMask = mask;
      FindOrAddClassRecord(s, key, update);
    }
  }
  const bool sizeNo = sizeText && !std::strcmp(sizeText, "no");
  const bool positionNo = positionText && !std::strcmp(positionText, "no");
  if (sizeNo || positionNo) {
    ClassRecord update = {};
    update.restoreFlagsValid = 1;
    update.restoreSize = !sizeNo;
    update.restorePosition = !positionNo;
    FindOrAddClassRecord(s, key, update);
  }
}

// Menus, window operations, launches, system information, the work area and
// colormaps: what would show or act behind a locked screen.
bool RefusedWhileLocked(unsigned char op) {
  switch (op) {
    case 's':
    case 'a':
    case 'm':
    case 'e':
    case 'd':
    case 'p':
      return true;
    default:
      return false;
  }
}

}  // namespace

const char* ReadServiceString(const unsigned char** cursor, size_t* remaining) {
  const void* end = std::memchr(*cursor, 0, *remaining);
  if (!end) return nullptr;
  const char* text = reinterpret_cast<const char*>(*cursor);
  const size_t used = static_cast<size_t>(static_cast<const unsigned char*>(end) - *cursor) + 1;
  *cursor += used;
  *remaining -= used;
  return text;
}

bool ServeServiceRequest(ServiceState* s, void* client, const unsigned char* m, size_t n,
                         std::vector<unsigned char>* reply) {
  reply->clear();
  if (n == 0) return false;
  const unsigned char op = m[0];
  if (s->locked && RefusedWhileLocked(op)) {
    // Nothing shows or acts behind the lock.
    std::fprintf(stderr, "%s: the screen is locked: command service request '%c' refused\n", s->programName, op);
    if (op == 's' || op == 'a') *reply = {op, 0};
    return !reply->empty();
  }
  switch (op) {
    case 'o':
      *reply = {'o', 1};
      return true;
    case 's':
      ServeLaunch(s, m, n, reply);
      return true;
    case 'k': {
      reply->push_back('k');
      unsigned char id[8];
      const char* name = TrailingString(m, n);
      if (name && AddCommandRecord(s, name, id))
        reply->insert(reply->end(), id, id + 8);
      else
        reply->push_back(0);
      return true;
    }
    case 'f':
      if (n >= 9) {
        if (TheServiceEvents().applicationUnregistered) TheServiceEvents().applicationUnregistered(m + 1);
        RemoveCommandRecord(s, m + 1);
      }
      return false;
    case 'd':
      if (n >= 17 && s->sdk.display) {
        SetWorkArea(s, static_cast<int>(Int32At(m + 1)), static_cast<int>(Int32At(m + 5)),
                    static_cast<int>(Int32At(m + 9)), static_cast<int>(Int32At(m + 13)));
        if (client) static_cast<ServiceClient*>(client)->reservedWorkArea = true;
      }
      return false;
    case 'h':
      if (n >= 2 && s->sdk.display)
        XDefineCursor(s->sdk.display, s->sdk.root, s->sdk.cursors[m[1] ? SdkCursorBusy : SdkCursorNormal]);
      return false;
    case 'a': {
      const char* name = TrailingString(m, n);
      *reply = {'a', static_cast<unsigned char>(name && s->sdk.display && ActivateClientByName(s, name) ? 1 : 0)};
      return true;
    }
    case 'i':
      ServeClassIcon(s, m, n);
      return false;
    case 'x':
      if (TheServiceEvents().desktopCommandEnded) TheServiceEvents().desktopCommandEnded(s);
      return false;
    case 'm':
      if (n >= 17)
        PopupMenuAt(s, Int32At(m + 1), static_cast<int>(Int32At(m + 5)), static_cast<int>(Int32At(m + 9)),
                    static_cast<unsigned>(Int32At(m + 13)));
      return false;
    case 'l':
    case 'z':
      ServeLogoffOrLock(s, m, n, op == 'z');
      return false;
    case 'p':
      if (n >= 5 && s->sdk.display) InstallClientColormap(s, static_cast<Colormap>(ReadBigLong(m + 1)));
      return false;
    case 'e':
      if (n >= 5 && s->sdk.display && TheServiceEvents().showSystemInformation)
        TheServiceEvents().showSystemInformation(s, static_cast<int>(Int32At(m + 1)));
      return false;
    case 'P': {
      const unsigned char* cursor = m + 1;
      size_t remaining = n - 1;
      const char* name = ReadServiceString(&cursor, &remaining);
      if (name && *name)
        setenv("DISPLAY", name, 1);
      else if (s->displayName && *s->displayName)
        setenv("DISPLAY", s->displayName, 1);
      *reply = {'P'};
      return true;
    }
    case 'G': {
      const char* display = std::getenv("DISPLAY");
      if (!display || !*display) display = s->displayName ? s->displayName : "";
      const size_t length = std::min(std::strlen(display), static_cast<size_t>(QXServiceMaxMessage - 2));
      reply->push_back('G');
      reply->insert(reply->end(), display, display + length);
      reply->push_back(0);
      return true;
    }
    case 'Q':
    case 'S':
    case 'L':
    case 'B':
    case 'E':
    case 'U':
    case 'V':
      return ServeCardRequest(s, &ServiceOf(s)->card, m, n, reply);
    default:
      return false;
  }
}

int StartServiceListener(ServiceState* s) {
  CommandService* service = ServiceOf(s);
  if (service->listener) return 0;
  const int e = QXServiceListen("teldra", &service->listener);
  if (e != 0) {
    service->listener = nullptr;
    return e;
  }
  AddSelectFile(&s->sdk, QXServiceSelectFD(service->listener), ServiceClientInput, service);
  return 0;
}

void StopServiceListener(ServiceState* s) {
  CommandService* service = s->commandService;
  if (!service) return;
  if (service->listener) {
    RemoveSelectFile(&s->sdk, QXServiceSelectFD(service->listener));
    QXServiceClose(service->listener);
    service->listener = nullptr;
  }
  BroadcastToClients(s, nullptr, NoticeServiceClosing);
  while (!service->clients.empty()) {
    ServiceClient* c = service->clients.front().get();
    c->reservedWorkArea = false;
    CloseServiceClient(service, c);
  }
  s->commandService = nullptr;
  delete service;
}

void BroadcastToClients(ServiceState* s, const unsigned char* data8, int code) {
  CommandService* service = s->commandService;
  if (!service) return;
  unsigned char notice[10] = {'c', static_cast<unsigned char>(code)};
  if (data8) std::memcpy(notice + 2, data8, 8);
  // A client that cannot take it is gone: its channel closes on its next read.
  for (auto& c : service->clients) QXServiceSend(c->channel, notice, sizeof notice);
}

void BroadcastNotice(ServiceState* s, int code, const void* data, size_t length) {
  unsigned char data8[8] = {};
  std::memcpy(data8, data, std::min(length, sizeof data8));
  BroadcastToClients(s, data8, code);
}

void NotifyThemeChanged(ServiceState* s) { BroadcastToClients(s, nullptr, NoticeThemeChanged); }

int ServiceClientsConnected(ServiceState* s) {
  return s->commandService ? static_cast<int>(s->commandService->clients.size()) : 0;
}

bool AddCommandRecord(ServiceState* s, const char* name, unsigned char id[8]) {
  if (!name || !*name) return false;
  CommandService* service = ServiceOf(s);
  // A client could register without end: the list is bounded.
  if (service->names.size() >= 4096) return false;
  CommandName record;
  NewLaunchId(record.id);
  record.name = name;
  std::memcpy(id, record.id, 8);
  service->names.push_back(record);
  return true;
}

void RemoveCommandRecord(ServiceState* s, const unsigned char id[8]) {
  CommandService* service = s->commandService;
  if (!service) return;
  for (auto it = service->names.begin(); it != service->names.end(); ++it)
    if (!std::memcmp(it->id, id, 8)) {
      service->names.erase(it);
      return;
    }
}

void RemoveCommandRecordsByName(ServiceState* s, const std::string& name) {
  CommandService* service = s->commandService;
  if (!service || name.empty()) return;
  std::vector<CommandName> matched;
  for (auto it = service->names.begin(); it != service->names.end();) {
    if (it->name == name) {
      matched.push_back(*it);
      it = service->names.erase(it);
    } else {
      ++it;
    }
  }
  for (const CommandName& r : matched) BroadcastToClients(s, r.id, NoticeNameRegisteredWindow);
}
