// Enter through the display station of a headless session on the loopback
// TN5250 host: the inbound record of the host's read MDT fields.
#include <gtest/gtest.h>

#include "keyboard/UserInput.h"
#include "tests/datastream/LoopbackSession.h"

namespace {

using namespace glue_test;

// The Enter key as the station dispatches it: in the normal unlocked state
// it posts its AID, and the read starts after the dispatch.
class PostedEnter : public AidKeystroke {
 public:
  PostedEnter() : AidKeystroke(0xF1) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override {
    d->postAidCode(static_cast<AidCode>(aid_));
    return 0;
  }
};

TEST(EnterLoopbackTest, EnterSendsTheInboundRecordOfTheReadMDT) {
  Loopback l;
  // The sign-on screen: a title and a prompt, then read MDT fields. The
  // input field after the prompt (row 6, columns 53 to 62, modified) is put
  // into the station's format table directly.
  const Bytes signOn = Cat({B({0x04, 0x40}),
                            WriteToDisplay(Cat({SetBufferAddress(1, 36), Ebcdic("Sign On"), SetBufferAddress(6, 17),
                                                Ebcdic("User  . . . . .")})),
                            B({0x04, 0x52, 0x00, 0x08})});
  l.Send(Record(0x03, signOn, 0, 0x40));
  const std::vector<Bytes> early = l.Pending();
  EXPECT_TRUE(early.empty()) << "the sign-on record is answered by the operator, not by "
                             << testing::PrintToString(early);
  DisplayBag& d = l.display();
  ASSERT_TRUE(d.readMgr().queryReadPending());
  Field* field = l.station->field(5 * 80 + 52, 5 * 80 + 61, true);
  ASSERT_NE(field, nullptr);
  l.station->text(5 * 80 + 52, Ebcdic("QSECOFR"));

  d.cursor().detachCursorFromArea();
  d.cursor().initializeCursorToArea(5 * 80 + 59, 0, CursorOffsetAsShown);

  PostedEnter enter;
  d.processUserInputObject(&enter);
  const Bytes record = l.Next();

  std::vector<unsigned char> data(100);
  const int n = field->readFieldMDTFormat(&d, data.data(), 100);
  const Bytes fieldData(data.begin(), data.begin() + (n > 0 ? n : 0));
  const Bytes body = Cat({B({6, 60, 0xF1}),
                          SetBufferAddress(6, 53), fieldData});
  EXPECT_EQ(record, Cat({Header(0x03, body.size(), 0, 0x40), body}));
  EXPECT_FALSE(d.readMgr().queryReadPending());
  // The read's control characters run after the record: they must not send
  // the AID a second time.
  EXPECT_TRUE(l.Pending().empty());
}

}  // namespace
