// Driving the platform's popup menus from tests: finding the menu windows, posting keys, a driver
// that runs steps from a thread timer inside a menu loop, and a picker of one command built on
// it. A safety timer ends any menu left open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace korv::test {

[[nodiscard]] std::string WindowClassOf(HWND wnd);
// The visible menu windows ("#32768") of this thread (a stale hidden one may exist too), and the
// first of them (nullptr when there is none).
[[nodiscard]] std::vector<HWND> VisibleMenuWindows();
[[nodiscard]] HWND VisibleMenuWindow();
// Posts a key press and release to a window.
void PostKey(HWND wnd, WORD key);

// Runs steps inside a menu loop: a thread timer ticks every 20 ms (it fires inside the loop);
// each tick runs the current step, which returns true when done (false: again next tick). Steps
// get the visible menu window; with WaitForWindow (the default) the first step waits until there
// is one. A safety timer calls EndMenu after 6 s whatever happens. One driver at a time.
class TMenuDriver {
 public:
  using Step = std::function<bool(HWND menuWindow)>;
  explicit TMenuDriver(std::vector<Step> steps, bool waitForWindow = true);
  ~TMenuDriver();
  TMenuDriver(const TMenuDriver&) = delete;
  TMenuDriver& operator=(const TMenuDriver&) = delete;

  [[nodiscard]] bool AllStepsRan() const noexcept { return FNext == FSteps.size(); }
  [[nodiscard]] bool SafetyFired() const noexcept { return FSafetyFired; }
  // The first menu window a step saw.
  [[nodiscard]] HWND MenuWindow() const noexcept { return FMenuWindow; }

 private:
  static void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD);
  static void CALLBACK Safety(HWND, UINT, UINT_PTR, DWORD);

  std::vector<Step> FSteps;
  bool FWaitForWindow;
  size_t FNext = 0;
  UINT_PTR FPoll = 0;
  UINT_PTR FSafety = 0;
  bool FSafetyFired = false;
  HWND FMenuWindow = nullptr;
};

// Picks the item with a command id in the visible popup menu of this thread: VK_DOWN is posted to
// the menu window, one key at a time, until the item is highlighted, then VK_RETURN. Each key goes
// only once the menu loop has taken the previous one, and the next is chosen from the highlight
// as it is then: a pointer move over the menu that took the highlight away meanwhile costs one
// more key, not a stall. Arm it before the menu is tracked; menu() gives the tracked menu's
// handle once it is up.
class TMenuPicker {
 public:
  TMenuPicker(std::function<HMENU()> menu, UINT id);
  TMenuPicker(const TMenuPicker&) = delete;
  TMenuPicker& operator=(const TMenuPicker&) = delete;

  [[nodiscard]] bool Picked() const noexcept { return FDriver.AllStepsRan(); }
  [[nodiscard]] bool SafetyFired() const noexcept { return FDriver.SafetyFired(); }
  [[nodiscard]] bool SawMenuWindow() const noexcept { return FDriver.MenuWindow() != nullptr; }

 private:
  bool Step(HWND menuWindow);

  std::function<HMENU()> FMenu;
  UINT FId;
  TMenuDriver FDriver;  // last: it starts ticking once the state above is ready
};

}  // namespace korv::test
