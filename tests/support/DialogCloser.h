// Closing the dialogs that code under test opens in a modal loop of its own (the shell's
// confirmations and property sheets): a thread timer finds the first visible dialog ("#32770") of
// the thread, notes its owner and whether that owner was disabled behind it, and presses a button.
#pragma once

#include <windows.h>

namespace korv::test {

// Closes the first visible dialog of this thread with the given button from a thread timer; a
// safety timer gives up after 6 s. One closer at a time.
class TDialogCloser {
 public:
  explicit TDialogCloser(int button);
  ~TDialogCloser();
  TDialogCloser(const TDialogCloser&) = delete;
  TDialogCloser& operator=(const TDialogCloser&) = delete;

  [[nodiscard]] bool Closed() const noexcept { return Closed_; }
  // The dialog's owner window, and whether it took input while the dialog was up.
  [[nodiscard]] HWND Owner() const noexcept { return Owner_; }
  [[nodiscard]] bool OwnerEnabled() const noexcept { return OwnerEnabled_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  int Button_;
  UINT_PTR Poll_ = 0;
  DWORD Start_ = 0;
  bool Closed_ = false;
  HWND Owner_ = nullptr;
  bool OwnerEnabled_ = false;
};

}  // namespace korv::test
