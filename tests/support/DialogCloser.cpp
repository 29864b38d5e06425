#include "support/DialogCloser.h"

#include "support/MenuDriver.h"

namespace korv::test {

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
  c->Owner_ = GetWindow(dialog, GW_OWNER);
  c->OwnerEnabled_ = c->Owner_ && IsWindowEnabled(c->Owner_);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(c->Button_, BN_CLICKED), 0);
}

}  // namespace korv::test
