#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace qwtest {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qw5250-test-XXXXXX").string();
  if (!mkdtemp(&tmpl[0])) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::WriteFile(const std::string& relative, const std::string& text) const {
  std::filesystem::path p = std::filesystem::path(path_) / relative;
  std::filesystem::create_directories(p.parent_path());
  {
    std::ofstream out(p, std::ios::binary);
    out << text;
  }
  std::filesystem::permissions(p, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return p.string();
}

}  // namespace qwtest
