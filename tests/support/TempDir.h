#pragma once
#include <string>

namespace qwtest {

// A private temporary directory, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Writes `text` to Path()/relative (mode 0600), creating the folders on
  // the way; returns the file's path.
  std::string WriteFile(const std::string& relative, const std::string& text) const;

 private:
  std::string path_;
};

}  // namespace qwtest
