// Helpers of the menu tests: finding the platform's menu windows, posting keys, and a driver
// that runs steps from a thread timer inside a menu loop, with a safety timer that ends any
// menu left open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace korv::test {

inline std::string WindowClassOf(HWND wnd) {
  char name[64] = {};
  GetClassNameA(wnd, name, sizeof name);
  return name;
}

inline BOOL CALLBACK CollectVisibleMenuWindow(HWND w, LPARAM lp) {
  if (WindowClassOf(w) == "#32768" && IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// The visible menu windows of this thread (a stale hidden one may exist too).
inline std::vector<HWND> VisibleMenuWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), &CollectVisibleMenuWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

inline HWND VisibleMenuWindow() {
  std::vector<HWND> all = VisibleMenuWindows();
  return all.empty() ? nullptr : all.front();
}

inline void PostKey(HWND wnd, WORD key) {
  PostMessageA(wnd, WM_KEYDOWN, key, 1);
  PostMessageA(wnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// Runs steps inside a menu loop: a thread timer ticks every 20 ms (it fires inside the loop);
// each tick runs the current step, which returns true when done (false: again next tick). Steps
// get the visible menu window; with WaitForWindow (the default) the first step waits until there
// is one. A safety timer calls EndMenu after 6 s whatever happens.
class TMenuDriver {
 public:
  using Step = std::function<bool(HWND menuWindow)>;
  explicit TMenuDriver(std::vector<Step> steps, bool waitForWindow = true)
      : FSteps(std::move(steps)), FWaitForWindow(waitForWindow) {
    Current() = this;
    FPoll = SetTimer(nullptr, 0, 20, &Poll);
    FSafety = SetTimer(nullptr, 0, 6000, &Safety);
  }
  ~TMenuDriver() {
    KillTimer(nullptr, FPoll);
    KillTimer(nullptr, FSafety);
    Current() = nullptr;
  }
  TMenuDriver(const TMenuDriver&) = delete;
  TMenuDriver& operator=(const TMenuDriver&) = delete;

  [[nodiscard]] bool AllStepsRan() const noexcept { return FNext == FSteps.size(); }
  [[nodiscard]] bool SafetyFired() const noexcept { return FSafetyFired; }
  // The first menu window a step saw.
  [[nodiscard]] HWND MenuWindow() const noexcept { return FMenuWindow; }

 private:
  static TMenuDriver*& Current() {
    static TMenuDriver* current = nullptr;
    return current;
  }
  static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
    TMenuDriver* d = Current();
    if (!d || d->FNext >= d->FSteps.size()) return;
    HWND w = VisibleMenuWindow();
    if (!w && d->FWaitForWindow) return;
    if (w && !d->FMenuWindow) d->FMenuWindow = w;
    if (d->FSteps[d->FNext](w)) ++d->FNext;
  }
  static void CALLBACK Safety(HWND, UINT, UINT_PTR, DWORD) {
    if (Current()) Current()->FSafetyFired = true;
    EndMenu();
  }

  std::vector<Step> FSteps;
  bool FWaitForWindow;
  size_t FNext = 0;
  UINT_PTR FPoll = 0;
  UINT_PTR FSafety = 0;
  bool FSafetyFired = false;
  HWND FMenuWindow = nullptr;
};

}  // namespace korv::test
