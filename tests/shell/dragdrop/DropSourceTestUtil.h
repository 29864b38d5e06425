// Helpers of the drop source tests: a drop target that records what a real drag brings, readers
// of the shell formats that use the platform's own functions (DragQueryFile, ILCombine,
// SHGetPathFromIDList), popup windows for real input, and a fixture that starts the file unit.
#pragma once

#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DragDropTestUtil.h"
#include "shell/dragdrop/DragDropFile.h"
#include "support/Clipboard.h"
#include "support/GuiTest.h"

namespace korv::test {

// Starts the file unit (and below it every drag-and-drop unit) for one test; checks that every
// reference the test's drop sources handed out came back is up to the test.
class TDropSourceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};


// Records what a drop source's OnAfterDrop reports.
struct TAfterDrop {
  int Calls = 0;
  TDragResult Result = drUnknown;
  bool Optimized = false;
  void Handler(TObject*, TDragResult r, bool o) {
    ++Calls;
    Result = r;
    Optimized = o;
  }
};

// Case-insensitive comparison of paths (ID lists resolve to the long form).
[[nodiscard]] bool SamePaths(const std::vector<std::string>& a, const std::vector<std::string>& b);

// Mouse moves retrieved by the UI thread (through a WH_GETMESSAGE hook): every message loop of
// the thread, also the gesture detector's own, passes through it.
class TMoveRecorder {
 public:
  TMoveRecorder();
  ~TMoveRecorder();
  TMoveRecorder(const TMoveRecorder&) = delete;
  TMoveRecorder& operator=(const TMoveRecorder&) = delete;
  struct Move {
    POINT Pt;
    DWORD Time;
  };
  // Signals Seen when a move at pt is retrieved.
  void WatchFor(POINT pt);
  [[nodiscard]] bool Find(POINT pt, Move& move) const;
  TEvent Seen;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM w, LPARAM l);
  HHOOK H_ = nullptr;
  CRITICAL_SECTION Lock_;
  std::vector<Move> Moves_;
  POINT Watch_{-1000000, -1000000};
};

}  // namespace korv::test
