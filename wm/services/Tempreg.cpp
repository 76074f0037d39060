#include "wm/services/Tempreg.h"

#include <cerrno>
#include <memory>
#include <vector>

#include "platform/sdk/QXService.h"
#include "platform/sdk/SdkScreen.h"
#include "wm/services/ServiceState.h"
#include "wm/services/TempregStore.h"

struct TempregService;

namespace {

struct Client {
  TempregService* service;
  QXService* channel;
  TempregClient state;
};

}  // namespace

struct TempregService {
  ServiceState* screen = nullptr;
  QXService* listener = nullptr;
  TempregStore store;
  std::vector<std::unique_ptr<Client>> clients;
};

namespace {

void DropClient(TempregService* s, Client* c) {
  RemoveSelectFile(&s->screen->sdk, QXServiceSelectFD(c->channel));
  QXServiceClose(c->channel);
  // Its open item is released, not left locked for ever.
  s->store.Drop(c->state);
  for (auto it = s->clients.begin(); it != s->clients.end(); ++it)
    if (it->get() == c) {
      s->clients.erase(it);
      return;
    }
}

void ClientReadable(void* closure, int) {
  auto* c = static_cast<Client*>(closure);
  TempregService* s = c->service;
  unsigned char buffer[TempregStore::kMaxRequest];
  size_t length = 0;
  int e = QXServiceReceive(c->channel, buffer, sizeof buffer, &length);
  if (e == EAGAIN || e == EMSGSIZE) return;  // an over-long request is dropped unanswered
  if (e != 0) {
    DropClient(s, c);
    return;
  }
  std::vector<unsigned char> reply;
  if (s->store.Handle(c->state, buffer, length, &reply) &&
      QXServiceSend(c->channel, reply.data(), reply.size()) != 0)
    DropClient(s, c);
}

void ListenerReadable(void* closure, int) {
  auto* s = static_cast<TempregService*>(closure);
  QXService* channel = nullptr;
  while (QXServiceAccept(s->listener, &channel) == 0) {
    auto c = std::make_unique<Client>();
    c->service = s;
    c->channel = channel;
    AddSelectFile(&s->screen->sdk, QXServiceSelectFD(channel), ClientReadable, c.get());
    s->clients.push_back(std::move(c));
  }
}

}  // namespace

int StartTempregService(ServiceState* state) {
  if (state->tempreg) return 0;
  auto* s = new TempregService;
  s->screen = state;
  int e = QXServiceListen("tempreg", &s->listener);
  if (e != 0) {
    delete s;
    return e;
  }
  AddSelectFile(&state->sdk, QXServiceSelectFD(s->listener), ListenerReadable, s);
  state->tempreg = s;
  return 0;
}

void StopTempregService(ServiceState* state) {
  TempregService* s = state->tempreg;
  if (!s) return;
  while (!s->clients.empty()) DropClient(s, s->clients.back().get());
  RemoveSelectFile(&state->sdk, QXServiceSelectFD(s->listener));
  QXServiceClose(s->listener);
  delete s;
  state->tempreg = nullptr;
}
