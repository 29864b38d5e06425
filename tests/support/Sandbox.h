// A folder of the test's own under the temporary folder, removed with everything in it at the end.
#pragma once

#include <string>

namespace korv::test {

// A fresh folder under GetTempPath (its long form), removed with everything in it when the object
// goes. Every path it hands out is inside it.
class TSandbox {
 public:
  TSandbox();
  ~TSandbox();
  TSandbox(const TSandbox&) = delete;
  TSandbox& operator=(const TSandbox&) = delete;

  // The folder, with a trailing "\".
  [[nodiscard]] const std::wstring& Path() const noexcept { return Root_; }
  // Creates a file (and its folders) relative to the sandbox; returns its full path.
  std::wstring File(const std::wstring& rel, const std::string& content = "data");
  // Creates a folder relative to the sandbox; returns its full path without a trailing "\".
  std::wstring Dir(const std::wstring& rel);
  // The full path of a name relative to the sandbox (nothing is created).
  [[nodiscard]] std::wstring PathOf(const std::wstring& rel) const { return Root_ + rel; }

 private:
  std::wstring Root_;
};

}  // namespace korv::test
