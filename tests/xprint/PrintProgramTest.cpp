// The printer list and the print program against a private CUPS scheduler:
// the list shows every queue with its type, default and description; a job
// handed over through shared memory arrives unchanged in the queue's file
// and its segment is gone; a segment is the owner's only and is removed
// when the program cannot be started; the program refuses segments that
// are not safely the user's and bad command lines.
#include <gtest/gtest.h>

#include <cups/cups.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PrivateCups.h"
#include "platform/PrinterList.h"
#include "print/PrintHandoff.h"
#include "tests/support/ChildProcess.h"

namespace {

using printtest::PrivateCups;

class PrintProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cups_ = new PrivateCups;
    std::string error;
    ASSERT_TRUE(cups_->Start({{"laser", "QW laser PCL printer", "Laser on floor 2", true},
                              {"lines", "QW line printer", "", false},
                              {"proof", "QW proof PostScript printer", "Proofs", false}},
                             &error))
        << error;
    setenv("CUPS_SERVER", cups_->Server().c_str(), 1);
    cupsSetServer(nullptr);  // read CUPS_SERVER again
    const std::string dir = QW_LURVEND_BINARY;
    setenv("PATH", (dir.substr(0, dir.rfind('/')) + ":" + std::getenv("PATH")).c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete cups_;
    cups_ = nullptr;
  }

  // Runs the print program to its end; its exit code.
  static int RunPrintProgram(const std::vector<std::string>& argv, std::string* output = nullptr) {
    qwtest::ChildProcess p;
    std::vector<std::string> a = argv;
    a[0] = QW_LURVEND_BINARY;
    EXPECT_TRUE(p.Start(a, qwtest::ChildProcess::BaseEnvironment({"CUPS_SERVER=" + cups_->Server()})));
    EXPECT_TRUE(p.WaitExit(30000));
    p.Pump();
    if (output) *output = p.Output();
    return p.ExitCode();
  }
  static bool SegmentExists(long key) { return shmget(static_cast<key_t>(key), 0, 0) >= 0; }

  static PrivateCups* cups_;
};
PrivateCups* PrintProgramTest::cups_ = nullptr;

struct Record {
  std::vector<std::string> fields;
};
int Collect(char* record, void* data) {
  auto* r = static_cast<Record*>(data);
  r->fields.clear();
  for (int i = 0; i < 5; ++i) {
    r->fields.emplace_back(record);
    record += r->fields.back().size() + 1;
  }
  return 0;
}

TEST_F(PrintProgramTest, PrinterListShowsEveryQueue) {
  ASSERT_EQ(PrUpdatePrinterList(), 0);
  ASSERT_EQ(PrGetListNumber(), 3);
  const std::vector<std::vector<std::string>> want = {{"laser", "localhost", "pcl", "N", "Laser on floor 2"},
                                                      {"lines", "localhost", "asc", "N", "lines"},
                                                      {"proof", "localhost", "ps", "N", "Proofs"}};
  for (int i = 1; i <= 3; ++i) {
    Record r;
    ASSERT_EQ(getPrinterList(Collect, i, "qstbd", &r), 0);
    EXPECT_EQ(r.fields, want[i - 1]) << i;
  }
  Record r;
  ASSERT_EQ(getPrinterList(Collect, 1, "qsti", &r), 0);
  EXPECT_EQ(r.fields[3], "Y") << "the default printer";
  EXPECT_LT(getPrinterList(Collect, 0, "q", &r), 0);
  EXPECT_LT(getPrinterList(Collect, 4, "q", &r), 0);
  EXPECT_LT(getPrinterList(Collect, 1, "qz", &r), 0);
}

TEST_F(PrintProgramTest, JobArrivesUnchangedAndItsSegmentIsGone) {
  std::string job = "\x1B" "E" "binary \x00\xFF job\r\n";
  job += std::string(70000, 'x');  // more than one write
  PrintHandoffRequest request;
  request.printerIndex = 2;  // "lines"
  long key = 0;
  pid_t child = -1;
  const PrintHandoffResult r = HandPrintJobToProgram(
      reinterpret_cast<const unsigned char*>(job.data()), static_cast<unsigned>(job.size()), request,
      [&](const std::vector<std::string>& argv) {
        // The segment waiting for the program: the owner's alone.
        shmid_ds ds{};
        EXPECT_EQ(shmctl(shmget(static_cast<key_t>(std::stol(argv[2], nullptr, 16)), 0, 0), IPC_STAT, &ds), 0);
        EXPECT_EQ(ds.shm_perm.mode & 0777, 0600u);
        EXPECT_EQ(ds.shm_perm.uid, geteuid());
        EXPECT_EQ(RunPrintProgram(argv), 0);
        child = 1;
        return child;
      },
      &key);
  ASSERT_EQ(r, PrintHandoffResult::Started);
  EXPECT_FALSE(SegmentExists(key));
  ASSERT_TRUE(cups_->WaitForCompletedJobs("lines", 1)) << cups_->ErrorLog();
  EXPECT_EQ(printtest::ReadWholeFile(cups_->OutputOf("lines")), job);
}

TEST_F(PrintProgramTest, SegmentIsRemovedWhenTheProgramCannotStart) {
  const std::string job = "screen";
  long key = 0;
  const PrintHandoffResult r = HandPrintJobToProgram(
      reinterpret_cast<const unsigned char*>(job.data()), static_cast<unsigned>(job.size()), PrintHandoffRequest{},
      [](const std::vector<std::string>&) { return static_cast<pid_t>(-1); }, &key);
  EXPECT_EQ(r, PrintHandoffResult::NotStarted);
  EXPECT_FALSE(SegmentExists(key));
  EXPECT_EQ(HandPrintJobToProgram(nullptr, 0, PrintHandoffRequest{}, nullptr), PrintHandoffResult::NothingToPrint);
}

TEST_F(PrintProgramTest, ProgramRefusesUnsafeSegmentsAndBadCommandLines) {
  const key_t key = static_cast<key_t>(0x2A000000 | (getpid() & 0xFFFFF));
  struct Case {
    const char* what;
    int mode;
    unsigned segmentSize, askedSize;
    int exitCode;
    bool removed;
  } cases[] = {
      {"open to others", 0644, 64, 64, 2, true},
      {"smaller than the job", 0600, 16, 64, 2, true},
      {"a good one for a printer that does not exist", 0600, 64, 64, 3, true},
  };
  for (const Case& c : cases) {
    const int id = shmget(key, c.segmentSize, IPC_CREAT | IPC_EXCL | c.mode);
    ASSERT_GE(id, 0) << c.what;
    std::vector<std::string> argv =
        PrintProgramCommandLine(key, std::string(c.what).find("exist") != std::string::npos ? 99 : 1, c.askedSize,
                                "C", false);
    std::string out;
    EXPECT_EQ(RunPrintProgram(argv, &out), c.exitCode) << c.what << ": " << out;
    EXPECT_EQ(!SegmentExists(key), c.removed) << c.what;
    shmctl(id, IPC_RMID, nullptr);
  }
  // No segment at all.
  EXPECT_EQ(RunPrintProgram(PrintProgramCommandLine(key, 1, 10, "C", false)), 2);
  const std::vector<std::vector<std::string>> bad = {
      {"lurvend"},
      {"lurvend", "-printBuffer", "12", "-printerIndex", "1", "-printSize", "5"},
      {"lurvend", "-printBuffer", "0xZZ", "-printerIndex", "1", "-printSize", "5"},
      {"lurvend", "-printBuffer", "0x10", "-printerIndex", "0", "-printSize", "5"},
      {"lurvend", "-printBuffer", "0x10", "-printerIndex", "1", "-printSize", "-5"},
      {"lurvend", "-printBuffer", "0x10", "-printerIndex", "1", "-printSize"},
      {"lurvend", "-printBuffer", "0x10", "-printerIndex", "1", "-printSize", "5", "-unknown", "x"},
  };
  for (const auto& argv : bad) EXPECT_EQ(RunPrintProgram(argv), 1) << argv.size();
}

}  // namespace
