#pragma once
#include <string>

namespace qwtest {

// The qw5250 program under test: $QW5250_BINARY, else the one this build made.
std::string Qw5250Binary();
// The folder of test data files: $QW_TEST_DATA, else tests/data of the source tree.
std::string TestDataDir();
// The root of the source tree this build was made from.
std::string SourceRoot();

}  // namespace qwtest
