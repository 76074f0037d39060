#include "wm/services/TempregStore.h"

#include <cstring>

#include "platform/sdk/SdkUtil.h"

namespace {

void Status(std::vector<unsigned char>* reply, uint32_t status) {
  reply->assign(4, 0);
  WriteBigLong(reply->data(), status);
}

void FlagAndNumber(std::vector<unsigned char>* reply, bool ok, uint32_t n) {
  reply->assign(5, 0);
  (*reply)[0] = ok ? 1 : 0;
  WriteBigLong(reply->data() + 1, n);
}

// The NUL-terminated name at `from`, or null when the message holds no
// terminator or the name is empty or too long.
const char* NameAt(const unsigned char* request, size_t length, size_t from) {
  if (length <= from) return nullptr;
  const void* nul = std::memchr(request + from, 0, length - from);
  if (!nul) return nullptr;
  const size_t n = static_cast<const unsigned char*>(nul) - (request + from);
  if (n == 0 || n > TempregStore::kMaxName) return nullptr;
  return reinterpret_cast<const char*>(request + from);
}

}  // namespace

TempregItem* TempregStore::FindItem(const char* name) {
  for (auto& item : items_)
    if (item->name == name) return item.get();
  return nullptr;
}

const TempregItem* TempregStore::Find(const std::string& name) const {
  for (const auto& item : items_)
    if (item->name == name) return item.get();
  return nullptr;
}

void TempregStore::Erase(TempregItem* item) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->get() == item) {
      bytes_ -= item->data.size();
      items_.erase(it);
      return;
    }
}

void TempregStore::Close(TempregClient& client) {
  TempregItem* item = client.openItem;
  if (!item) return;
  client.openItem = nullptr;
  item->open = false;
  if (item->deletePending) Erase(item);
}

void TempregStore::Drop(TempregClient& client) { Close(client); }

uint32_t TempregStore::Open(TempregClient& client, int mode, const char* name) {
  TempregItem* item = FindItem(name);
  if (item && item->open) return TempregBusy;
  switch (mode) {
    case 0:
    case 1:
    case 2:
      if (!item) return TempregNoItem;
      break;
    case 3:
      if (item) {
        bytes_ -= item->data.size();
        item->data.clear();
        item->data.shrink_to_fit();
      }
      break;
    case 4:
    case 5:
      if (item) return TempregExists;
      break;
    default:
      return TempregInvalid;
  }
  if (!item) {
    if (items_.size() >= quotaItems_) return TempregNoMemory;
    items_.push_back(std::make_unique<TempregItem>());
    item = items_.back().get();
    item->name = name;
  }
  // A client holds one item: the one it had open is closed, not left locked.
  if (client.openItem != item) Close(client);
  item->open = true;
  item->deletePending = false;
  item->position = 0;
  client.openItem = item;
  return TempregOk;
}

bool TempregStore::Handle(TempregClient& client, const unsigned char* request, size_t length,
                          std::vector<unsigned char>* reply) {
  reply->clear();
  if (!request || length == 0 || length > kMaxRequest) return false;
  TempregItem* item = client.openItem;
  switch (request[0]) {
    case 'O': {
      const char* name = length >= 2 ? NameAt(request, length, 2) : nullptr;
      Status(reply, name ? Open(client, request[1], name) : TempregInvalid);
      return true;
    }
    case 'R': {
      if (!item || length < 5) return false;
      const int32_t count = static_cast<int32_t>(ReadBigLong(request + 1));
      size_t n = 0;
      if (count > 0 && item->position < item->data.size()) {
        n = item->data.size() - item->position;
        if (n > static_cast<size_t>(count)) n = static_cast<size_t>(count);
        if (n > kMaxRead) n = kMaxRead;
      }
      FlagAndNumber(reply, true, static_cast<uint32_t>(n));
      reply->insert(reply->end(), item->data.begin() + item->position,
                    item->data.begin() + item->position + n);
      item->position += n;
      return true;
    }
    case 'W': {
      if (!item || length <= 4) {
        FlagAndNumber(reply, false, 0);
        return true;
      }
      const uint32_t count = length >= 5 ? ReadBigLong(request + 1) : 0;
      if (length < 5 || count != length - 5) {
        FlagAndNumber(reply, false, 0);
        return true;
      }
      const size_t end = item->position + count;
      if (end > item->data.size()) {
        const size_t grow = end - item->data.size();
        if (bytes_ + grow > quotaBytes_) {
          FlagAndNumber(reply, false, 0);
          return true;
        }
        item->data.resize(end);
        bytes_ += grow;
      }
      if (count) std::memcpy(item->data.data() + item->position, request + 5, count);
      item->position = end;
      FlagAndNumber(reply, true, count);
      return true;
    }
    case 'S': {
      if (!item || length < 6) return false;
      const int whence = request[1];
      const int64_t offset = static_cast<int32_t>(ReadBigLong(request + 2));
      const int64_t size = static_cast<int64_t>(item->data.size());
      int64_t target = -1;
      if (whence == 0)
        target = offset;
      else if (whence == 1)
        target = static_cast<int64_t>(item->position) + offset;
      else if (whence == 2 && offset <= 0)
        target = size + offset;
      if (target < 0 || target > size) {
        FlagAndNumber(reply, false, TempregInvalid);
        return true;
      }
      item->position = static_cast<size_t>(target);
      FlagAndNumber(reply, true, static_cast<uint32_t>(target));
      return true;
    }
    case 'C':
      Close(client);
      return false;
    case 'D': {
      const char* name = NameAt(request, length, 1);
      TempregItem* victim = name ? FindItem(name) : nullptr;
      if (!victim) {
        Status(reply, name ? TempregNoItem : TempregInvalid);
        return true;
      }
      if (victim->open)
        victim->deletePending = true;
      else
        Erase(victim);
      Status(reply, TempregOk);
      return true;
    }
    default:
      return false;
  }
}
