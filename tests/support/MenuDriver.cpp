#include "support/MenuDriver.h"

namespace korv::test {

namespace {

TMenuDriver* gCurrentDriver = nullptr;

BOOL CALLBACK CollectVisibleMenuWindow(HWND w, LPARAM lp) {
  if (WindowClassOf(w) == "#32768" && IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// A key posted to a window of this thread that the menu loop has not taken yet.
bool KeyPending() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

int HighlightedPosition(HMENU menu) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i)
    if (GetMenuState(menu, i, MF_BYPOSITION) & MF_HILITE) return i;
  return -1;
}

}  // namespace

std::string WindowClassOf(HWND wnd) {
  char name[64] = {};
  GetClassNameA(wnd, name, sizeof name);
  return name;
}

std::vector<HWND> VisibleMenuWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), &CollectVisibleMenuWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND VisibleMenuWindow() {
  std::vector<HWND> all = VisibleMenuWindows();
  return all.empty() ? nullptr : all.front();
}

void PostKey(HWND wnd, WORD key) {
  PostMessageA(wnd, WM_KEYDOWN, key, 1);
  PostMessageA(wnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// ---------------------------------------------------------------------------------------------
// TMenuDriver

TMenuDriver::TMenuDriver(std::vector<Step> steps, bool waitForWindow)
    : FSteps(std::move(steps)), FWaitForWindow(waitForWindow) {
  gCurrentDriver = this;
  FPoll = SetTimer(nullptr, 0, 20, &Poll);
  FSafety = SetTimer(nullptr, 0, 6000, &Safety);
}

TMenuDriver::~TMenuDriver() {
  KillTimer(nullptr, FPoll);
  KillTimer(nullptr, FSafety);
  gCurrentDriver = nullptr;
}

void CALLBACK TMenuDriver::Poll(HWND, UINT, UINT_PTR, DWORD) {
  TMenuDriver* d = gCurrentDriver;
  if (!d || d->FNext >= d->FSteps.size()) return;
  HWND w = VisibleMenuWindow();
  if (!w && d->FWaitForWindow) return;
  if (w && !d->FMenuWindow) d->FMenuWindow = w;
  if (d->FSteps[d->FNext](w)) ++d->FNext;
}

void CALLBACK TMenuDriver::Safety(HWND, UINT, UINT_PTR, DWORD) {
  if (gCurrentDriver) gCurrentDriver->FSafetyFired = true;
  EndMenu();
}

// ---------------------------------------------------------------------------------------------
// TMenuPicker

TMenuPicker::TMenuPicker(std::function<HMENU()> menu, UINT id)
    : FMenu(std::move(menu)), FId(id), FDriver({[this](HWND w) { return Step(w); }}) {}

bool TMenuPicker::Step(HWND menuWindow) {
  HMENU menu = FMenu ? FMenu() : nullptr;
  if (!menu) return false;
  // One key at a time: the next goes only once the menu loop has taken the last one (and its
  // translation), so nothing is still queued when the wanted item is seen. The loop handles keys
  // as it takes them, so the highlight is then up to date, whatever moved it last.
  if (KeyPending()) return false;
  int pos = HighlightedPosition(menu);
  if (pos >= 0 && GetMenuItemID(menu, pos) == FId) {
    PostKey(menuWindow, VK_RETURN);
    return true;
  }
  PostKey(menuWindow, VK_DOWN);
  return false;
}

}  // namespace korv::test
