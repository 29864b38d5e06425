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

// ---------------------------------------------------------------------------------------------
// Dialog closer

namespace {
TDialogCloser* gCloser = nullptr;

BOOL CALLBACK FindVisibleDialog(HWND w, LPARAM lp) {
  if (WindowClassOf(w) == "#32770" && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

TDialogCloser::TDialogCloser(int button) : Button_(button), Start_(GetTickCount()) {
  gCloser = this;
  Poll_ = SetTimer(nullptr, 0, 50, &Tick);
}

TDialogCloser::~TDialogCloser() {
  KillTimer(nullptr, Poll_);
  gCloser = nullptr;
}

void CALLBACK TDialogCloser::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TDialogCloser* c = gCloser;
  if (!c || c->Closed_) return;
  if (static_cast<LONG>(GetTickCount() - c->Start_) > 6000) return;
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  c->Closed_ = true;
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(c->Button_, BN_CLICKED), 0);
}

}  // namespace korv::test
