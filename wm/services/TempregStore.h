#pragma once
// The tempreg store: named in-memory items that desktop programs open, read,
// write, seek, close and delete through the "tempreg" service. This is the
// message decoder and the store, without the transport; every request comes
// from a client that holds at most one open item.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TempregItem {
  std::string name;
  std::vector<unsigned char> data;
  bool open = false;
  bool deletePending = false;
  size_t position = 0;
};

struct TempregClient {
  TempregItem* openItem = nullptr;
};

enum TempregStatus : uint32_t {
  TempregOk = 0,
  TempregNoItem = 2,
  TempregNoMemory = 12,  // also: the user's quota is used up
  TempregBusy = 13,
  TempregExists = 17,
  TempregInvalid = 22,
};

class TempregStore {
 public:
  static constexpr size_t kMaxRequest = 1029;
  static constexpr size_t kMaxRead = 1024;
  static constexpr size_t kMaxName = 255;
  static constexpr size_t kDefaultQuotaBytes = 4u << 20;
  static constexpr size_t kDefaultQuotaItems = 1024;

  explicit TempregStore(size_t quotaBytes = kDefaultQuotaBytes,
                        size_t quotaItems = kDefaultQuotaItems)
      : quotaBytes_(quotaBytes), quotaItems_(quotaItems) {}

  // Handles one request; false when the request gets no reply.
  bool Handle(TempregClient& client, const unsigned char* request, size_t length,
              std::vector<unsigned char>* reply);
  // A client went away: the item it held open is closed.
  void Drop(TempregClient& client);

  const TempregItem* Find(const std::string& name) const;
  size_t ItemCount() const { return items_.size(); }
  size_t BytesUsed() const { return bytes_; }

 private:
  TempregItem* FindItem(const char* name);
  void Erase(TempregItem* item);
  void Close(TempregClient& client);
  uint32_t Open(TempregClient& client, int mode, const char* name);

  std::vector<std::unique_ptr<TempregItem>> items_;  // creation order
  size_t bytes_ = 0;
  size_t quotaBytes_;
  size_t quotaItems_;
};
