#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sdk/SdkUtil.h"
#include "wm/services/TempregStore.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Big(uint32_t v) {
  Bytes b(4);
  WriteBigLong(b.data(), v);
  return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Text(const std::string& s, bool nul = true) {
  Bytes b(s.begin(), s.end());
  if (nul) b.push_back(0);
  return b;
}
Bytes OpenReq(int mode, const std::string& name) { return Cat({{'O', static_cast<unsigned char>(mode)}, Text(name)}); }
Bytes WriteReq(const std::string& data) { return Cat({{'W'}, Big(data.size()), Text(data, false)}); }
Bytes ReadReq(uint32_t n) { return Cat({{'R'}, Big(n)}); }
Bytes SeekReq(int whence, int32_t off) { return Cat({{'S', static_cast<unsigned char>(whence)}, Big(static_cast<uint32_t>(off))}); }
Bytes DeleteReq(const std::string& name) { return Cat({{'D'}, Text(name)}); }

class TempregStoreTest : public ::testing::Test {
 protected:
  // The reply, or {0xEE} when there was none.
  Bytes Ask(TempregClient& c, const Bytes& req) {
    Bytes reply;
    if (!store_.Handle(c, req.data(), req.size(), &reply)) return {0xEE};
    return reply;
  }
  uint32_t Status(TempregClient& c, const Bytes& req) {
    Bytes r = Ask(c, req);
    return r.size() == 4 ? ReadBigLong(r.data()) : 0xFFFFFFFF;
  }
  TempregStore store_{64, 4};
  TempregClient a_, b_;
};

TEST_F(TempregStoreTest, OpenModes) {
  struct Case {
    int mode;
    bool exists;
    uint32_t status;
  } cases[] = {
      {0, false, TempregNoItem}, {1, false, TempregNoItem}, {2, false, TempregNoItem},
      {0, true, TempregOk},      {3, false, TempregOk},     {3, true, TempregOk},
      {4, true, TempregExists},  {5, true, TempregExists},  {4, false, TempregOk},
      {6, false, TempregInvalid},
  };
  for (const auto& c : cases) {
    TempregStore store;
    TempregClient client;
    Bytes reply;
    if (c.exists) {
      Bytes mk = OpenReq(4, "n");
      store.Handle(client, mk.data(), mk.size(), &reply);
      Bytes w = WriteReq("data");
      store.Handle(client, w.data(), w.size(), &reply);
      Bytes close = {'C'};
      store.Handle(client, close.data(), close.size(), &reply);
    }
    Bytes req = OpenReq(c.mode, "n");
    ASSERT_TRUE(store.Handle(client, req.data(), req.size(), &reply));
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_EQ(ReadBigLong(reply.data()), c.status) << "mode " << c.mode << " exists " << c.exists;
    if (c.mode == 3 && c.exists) EXPECT_EQ(store.Find("n")->data.size(), 0u) << "mode 3 empties";
  }
}

TEST_F(TempregStoreTest, WriteReadSeekAndTheirBounds) {
  ASSERT_EQ(Status(a_, OpenReq(4, "item")), TempregOk);
  EXPECT_EQ(Ask(a_, WriteReq("0123456789")), Cat({{1}, Big(10)}));
  // A length that disagrees with the count changes nothing.
  Bytes lying = WriteReq("abc");
  lying[4] = 9;
  EXPECT_EQ(Ask(a_, lying), Cat({{0}, Big(0)}));
  EXPECT_EQ(Ask(a_, ReadReq(4)), Cat({{1}, Big(0)})) << "at the end: n = 0, 5 bytes";
  EXPECT_EQ(Ask(a_, SeekReq(2, -3)), Cat({{1}, Big(7)}));
  EXPECT_EQ(Ask(a_, ReadReq(100)), Cat({{1}, Big(3), Text("789", false)}));
  struct {
    int whence;
    int32_t offset;
    bool ok;
    uint32_t pos;
  } seeks[] = {{0, 0, true, 0},   {0, 10, true, 10}, {0, 11, false, 22}, {0, -1, false, 22},
               {1, -11, false, 22}, {2, 1, false, 22}, {2, -10, true, 0}, {2, -11, false, 22},
               {7, 0, false, 22}};
  for (const auto& s : seeks)
    EXPECT_EQ(Ask(a_, SeekReq(s.whence, s.offset)), Cat({{static_cast<unsigned char>(s.ok)}, Big(s.pos)}))
        << s.whence << " " << s.offset;
  EXPECT_EQ(Ask(a_, ReadReq(0x80000000u)), Cat({{1}, Big(0)})) << "a negative count reads nothing";
  EXPECT_EQ(Ask(a_, Bytes{'R', 0, 0}), Bytes{0xEE}) << "short read request: no reply";
  EXPECT_EQ(Ask(a_, Bytes{'S', 0}), Bytes{0xEE});
  EXPECT_EQ(Ask(a_, Bytes{}), Bytes{0xEE});
  EXPECT_EQ(Ask(a_, Bytes{'Z', 1, 2}), Bytes{0xEE});
}

TEST_F(TempregStoreTest, ReadsAreCappedAt1024Bytes) {
  TempregStore store;
  TempregClient c;
  Bytes reply;
  Bytes req = OpenReq(4, "big");
  store.Handle(c, req.data(), req.size(), &reply);
  req = WriteReq(std::string(1024, 'x'));
  store.Handle(c, req.data(), req.size(), &reply);
  store.Handle(c, req.data(), req.size(), &reply);
  req = SeekReq(0, 0);
  store.Handle(c, req.data(), req.size(), &reply);
  req = ReadReq(5000);
  ASSERT_TRUE(store.Handle(c, req.data(), req.size(), &reply));
  EXPECT_EQ(reply.size(), 5u + 1024u);
  EXPECT_EQ(ReadBigLong(reply.data() + 1), 1024u);
}

TEST_F(TempregStoreTest, OpenItemsAreExclusiveAndDeleteWaitsForTheClose) {
  ASSERT_EQ(Status(a_, OpenReq(4, "shared")), TempregOk);
  EXPECT_EQ(Status(b_, OpenReq(0, "shared")), TempregBusy);
  EXPECT_EQ(Status(b_, DeleteReq("shared")), TempregOk);
  EXPECT_NE(store_.Find("shared"), nullptr) << "still open: only marked";
  EXPECT_EQ(Ask(a_, Bytes{'C'}), Bytes{0xEE}) << "close has no reply";
  EXPECT_EQ(store_.Find("shared"), nullptr) << "gone at its close";
  EXPECT_EQ(Status(b_, DeleteReq("shared")), TempregNoItem);
  EXPECT_EQ(Ask(a_, ReadReq(1)), Bytes{0xEE}) << "no open item after the close";
  EXPECT_EQ(Ask(a_, WriteReq("x")), Cat({{0}, Big(0)}));
}

TEST_F(TempregStoreTest, ItemsOfAGoneClientOrAReplacedOpenAreReleased) {
  ASSERT_EQ(Status(a_, OpenReq(4, "first")), TempregOk);
  ASSERT_EQ(Status(a_, OpenReq(4, "second")), TempregOk);
  EXPECT_EQ(Status(b_, OpenReq(0, "first")), TempregOk) << "a's earlier item was closed";
  store_.Drop(a_);
  EXPECT_EQ(Status(b_, OpenReq(0, "second")), TempregOk) << "a is gone: its item is free";
}

TEST_F(TempregStoreTest, NamesMustBeTerminatedAndBounded) {
  Bytes unterminated = {'O', 4, 'a', 'b'};
  EXPECT_EQ(Status(a_, unterminated), TempregInvalid);
  EXPECT_EQ(Status(a_, Bytes{'O'}), TempregInvalid);
  EXPECT_EQ(Status(a_, OpenReq(4, "")), TempregInvalid);
  EXPECT_EQ(Status(a_, OpenReq(4, std::string(TempregStore::kMaxName + 1, 'n'))), TempregInvalid);
  EXPECT_EQ(Status(a_, Bytes{'D', 'x'}), TempregInvalid);
  EXPECT_EQ(Status(a_, OpenReq(4, std::string(TempregStore::kMaxName, 'n'))), TempregOk);
}

TEST_F(TempregStoreTest, QuotaOfBytesAndItems) {
  // The fixture's store allows 64 bytes and 4 items.
  ASSERT_EQ(Status(a_, OpenReq(4, "q")), TempregOk);
  EXPECT_EQ(Ask(a_, WriteReq(std::string(60, 'x'))), Cat({{1}, Big(60)}));
  EXPECT_EQ(Ask(a_, WriteReq(std::string(5, 'x'))), Cat({{0}, Big(0)})) << "over the byte quota";
  EXPECT_EQ(Ask(a_, SeekReq(0, 0)), Cat({{1}, Big(0)}));
  EXPECT_EQ(Ask(a_, WriteReq(std::string(5, 'y'))), Cat({{1}, Big(5)})) << "overwriting costs nothing";
  for (const char* n : {"b", "c", "d"}) EXPECT_EQ(Status(b_, OpenReq(4, n)), TempregOk);
  EXPECT_EQ(Status(b_, OpenReq(4, "e")), TempregNoMemory) << "over the item quota";
  EXPECT_EQ(Status(b_, DeleteReq("b")), TempregOk);
  EXPECT_EQ(store_.ItemCount(), 3u) << "b was closed by b's later opens, so it went at once";
  EXPECT_EQ(Status(a_, OpenReq(3, "q")), TempregBusy);
  store_.Drop(a_);
  EXPECT_EQ(Status(a_, OpenReq(3, "q")), TempregOk);
  EXPECT_EQ(store_.BytesUsed(), 0u) << "emptied items give their bytes back";
}

}  // namespace
