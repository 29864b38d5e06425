#include "BrowserTestKit.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>

#include "shell/browser/ShellBrowser.h"
#include "shell/browser/Shell_Win32.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv::test {

namespace {

// Start-up and shut-down of the shell units around the whole test program.
class TShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    InitializeShellWin32();
    InitializeShellBrowser();
  }
  void TearDown() override {
    FinalizeShellBrowser();
    FinalizeShellWin32();
  }
};
[[maybe_unused]] ::testing::Environment* const gShellEnvironment =
    ::testing::AddGlobalTestEnvironment(new TShellEnvironment);

}  // namespace

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SamePathSet(std::vector<std::wstring> a, std::vector<std::wstring> b) {
  if (a.size() != b.size()) return false;
  auto upper = [](std::vector<std::wstring>& v) {
    for (std::wstring& s : v) s = WideUpperCaseEx(s);
    std::sort(v.begin(), v.end());
  };
  upper(a);
  upper(b);
  return a == b;
}

}  // namespace korv::test
