// A local account made for one test (useradd, chpasswd; the tests run as
// root) with a known password, removed again when the object goes. Names
// are unique per process and object, so parallel test runs never share one.
#pragma once

#include <string>

namespace qwtest {

class TestUser {
 public:
  explicit TestUser(const std::string& password);
  ~TestUser();
  TestUser(const TestUser&) = delete;
  TestUser& operator=(const TestUser&) = delete;

  // False (and Error() tells why) when the account could not be made.
  bool Ok() const { return ok_; }
  const std::string& Name() const { return name_; }
  const std::string& Password() const { return password_; }
  const std::string& Error() const { return error_; }

 private:
  std::string name_;
  std::string password_;
  std::string error_;
  bool ok_ = false;
};

}  // namespace qwtest
