// Helpers of the shell component's tests: a closer of confirmation dialogs. Sandbox folders, the
// clipboard read back as file names, the shell's own verb identifiers for a set of files (the
// oracle for picking a command) and the picker of popup-menu commands come from the shared test
// support.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/Clipboard.h"
#include "support/MenuDriver.h"
#include "support/Sandbox.h"
#include "support/ShellVerbs.h"

namespace korv::test {

[[nodiscard]] bool PathExists(const std::wstring& path);

// Case-insensitive comparison of two sets of paths.
[[nodiscard]] bool SamePathSet(std::vector<std::wstring> a, std::vector<std::wstring> b);

// Closes the first visible dialog ("#32770") of this thread with the given button from a thread
// timer; a safety timer gives up after 6 s.
class TDialogCloser {
 public:
  explicit TDialogCloser(int button);
  ~TDialogCloser();
  TDialogCloser(const TDialogCloser&) = delete;
  TDialogCloser& operator=(const TDialogCloser&) = delete;
  [[nodiscard]] bool Closed() const noexcept { return Closed_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  int Button_;
  UINT_PTR Poll_ = 0;
  DWORD Start_ = 0;
  bool Closed_ = false;
};

}  // namespace korv::test
