// The drag gesture under real input: the delay, the drag rectangle, the ways out (release,
// Escape, WM_CANCELMODE, WM_QUIT) and what is restored afterwards. Moves are observed as the
// thread retrieves them (a WH_GETMESSAGE hook), so the driver waits for each one to be seen
// instead of sleeping; the only deliberate waits are the protocol's delay itself.
#include <gtest/gtest.h>

#include "DropSourceTestUtil.h"

namespace korv {
namespace {

using test::TEvent;
using test::TInputDriver;
using test::TMoveRecorder;
using test::TTestWindow;

constexpr int kX = 250, kY = 250;

TEST(DragGestureClock, TheDelayIsMeasuredAcrossTheWrapOfTheMillisecondClock) {
  EXPECT_TRUE(DragDelayElapsed(1000, 1200, 200));
  EXPECT_FALSE(DragDelayElapsed(1000, 1199, 200));
  // The clock wraps between the press and the move.
  EXPECT_TRUE(DragDelayElapsed(0xFFFFFF00u, 0x00000010u, 200));   // 272 ms later
  EXPECT_FALSE(DragDelayElapsed(0xFFFFFFF0u, 0x00000010u, 200));  // 32 ms later
  EXPECT_FALSE(DragDelayElapsed(0xFFFFFF38u, 0xFFFFFFFFu, 200));  // 199 ms, just before the wrap
  // A message older than the press is never late enough.
  EXPECT_FALSE(DragDelayElapsed(0x00000010u, 0xFFFFFF00u, 200));
  EXPECT_EQ(DragDelay, 200u);
}

class DragGesture : public ::testing::Test {
 protected:
  void SetUp() override {
    Window.OnButtonDown = [this](HWND h, POINT p) {
      MovesBefore = Window.MouseMoves;
      if (PrepareCapture) SetCapture(Other.Handle());
      Result = DetectDragGesture(h, p);
      DecisionPos = GetMessagePos();
      DecisionTime = static_cast<DWORD>(GetMessageTime());
      CaptureAfter = GetCapture();
      if (CaptureAfter) ReleaseCapture();
      MovesAfter = Window.MouseMoves;
      MSG quit;
      if (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        QuitSeen = true;
        QuitCode = quit.wParam;
      }
      Done.Set();
    };
    ASSERT_TRUE(Window.Activate());
  }

  // Runs the driver's steps around a press at (kX, kY); the buttons are released at the end.
  void Press(const std::function<void(TInputDriver&)>& afterPress) {
    TInputDriver driver;
    bool ok = driver.Run([&](TInputDriver& d) {
      struct TRelease {
        ~TRelease() { test::ReleaseMouseButtons(); }
      } release;
      if (!d.MoveTo(kX, kY) || !d.LeftDown()) return;
      if (!d.WaitFor(Window.ButtonDown.Handle(), test::kDeadlineMs, "the button press")) return;
      afterPress(d);
    });
    EXPECT_TRUE(ok) << driver.Error();
    EXPECT_TRUE(test::PumpUntilSignaled(Done.Handle())) << "the gesture did not end";
    EXPECT_EQ(Window.Error, "");
  }

  // Moves and waits until the UI thread has retrieved that move.
  bool MoveSeen(TInputDriver& d, POINT p) {
    Moves.WatchFor(p);
    return d.MoveTo(p.x, p.y) && d.WaitFor(Moves.Seen.Handle(), test::kDeadlineMs, "the move to be retrieved");
  }

  [[nodiscard]] POINT Decision() const {
    return POINT{static_cast<short>(LOWORD(DecisionPos)), static_cast<short>(HIWORD(DecisionPos))};
  }

  TTestWindow Window{100, 100, 300, 300};
  TTestWindow Other{500, 500, 50, 50};
  TMoveRecorder Moves;
  TEvent Done;
  bool Result = false, PrepareCapture = false, QuitSeen = false;
  DWORD DecisionPos = 0, DecisionTime = 0;
  HWND CaptureAfter = nullptr;
  WPARAM QuitCode = 0;
  int MovesBefore = 0, MovesAfter = 0;
};

TEST_F(DragGesture, APressAndReleaseWithoutMovingIsAClick) {
  Press([](TInputDriver& d) { d.LeftUp(); });
  EXPECT_FALSE(Result);
  EXPECT_EQ(CaptureAfter, nullptr);  // the capture was given back
}

TEST_F(DragGesture, OnlyLeavingTheDragRectangleStartsADrag) {
  const int cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
  const POINT insideRight{kX + cx - 1, kY + cy - 1}, insideLeft{kX - cx, kY - cy}, outside{kX + cx + 1, kY};
  Press([&](TInputDriver& d) {
    // Past the delay (the protocol's minimum hold), so only the rectangle can hold the drag back.
    Sleep(DragDelay + 50);
    if (!MoveSeen(d, insideRight) || !MoveSeen(d, insideLeft)) return;
    if (Done.IsSet()) return (void)d.Fail("a move inside the rectangle started a drag");
    MoveSeen(d, outside);
  });
  EXPECT_TRUE(Result);
  EXPECT_EQ(Decision().x, outside.x);
  EXPECT_EQ(Decision().y, outside.y);
  TMoveRecorder::Move m{};
  ASSERT_TRUE(Moves.Find(insideLeft, m));
  EXPECT_TRUE(DragDelayElapsed(Window.ButtonDownTime, m.Time, DragDelay)) << "the inside moves came too early";
  // The moves were consumed, not dispatched to the window.
  EXPECT_EQ(MovesAfter, MovesBefore);
  EXPECT_EQ(CaptureAfter, nullptr);
}

TEST_F(DragGesture, LeavingTheRectangleEarlyWaitsForAMoveAfterTheDelay) {
  const POINT early{kX + 30, kY}, late{kX + 31, kY};
  bool stillDeciding = false;
  Press([&](TInputDriver& d) {
    if (!MoveSeen(d, early)) return;
    stillDeciding = !Done.IsSet();
    Sleep(DragDelay);  // the protocol's delay, then one more move
    MoveSeen(d, late);
  });
  TMoveRecorder::Move m{};
  ASSERT_TRUE(Moves.Find(early, m));
  ASSERT_FALSE(DragDelayElapsed(Window.ButtonDownTime, m.Time, DragDelay)) << "the early move came late";
  EXPECT_TRUE(stillDeciding);
  EXPECT_TRUE(Result);
  EXPECT_EQ(Decision().x, late.x);
  EXPECT_TRUE(DragDelayElapsed(Window.ButtonDownTime, DecisionTime, DragDelay));
}

TEST_F(DragGesture, WMQuitEndsTheGestureAndIsPostedAgain) {
  PrepareCapture = true;  // someone else held the capture before
  const DWORD ui = GetCurrentThreadId();
  Press([&](TInputDriver& d) {
    if (!PostThreadMessageA(ui, WM_QUIT, 42, 0)) return (void)d.Fail("PostThreadMessage failed");
    d.WaitFor(Done.Handle(), test::kDeadlineMs, "the gesture to end");
  });
  EXPECT_FALSE(Result);
  EXPECT_TRUE(QuitSeen) << "the quit request was swallowed";
  EXPECT_EQ(QuitCode, 42u);
  EXPECT_EQ(CaptureAfter, Other.Handle());  // restored
}

TEST_F(DragGesture, EscapeAndCancelModeEndTheGesture) {
  Press([&](TInputDriver& d) {
    d.Tap(VK_ESCAPE);
    d.WaitFor(Done.Handle(), test::kDeadlineMs, "the gesture to end");
  });
  EXPECT_FALSE(Result);
  EXPECT_FALSE(QuitSeen);

  Done.Reset();
  Window.ButtonDown.Reset();
  Result = true;
  Press([&](TInputDriver& d) {
    PostMessageA(Window.Handle(), WM_CANCELMODE, 0, 0);
    d.WaitFor(Done.Handle(), test::kDeadlineMs, "the gesture to end");
  });
  EXPECT_FALSE(Result);
  EXPECT_EQ(CaptureAfter, nullptr);
}

TEST_F(DragGesture, NoWindowOrNoCaptureMeansNoDrag) {
  EXPECT_FALSE(DetectDragGesture(nullptr, POINT{1, 1}));
  // Without a button down the gesture ends at once.
  EXPECT_FALSE(DetectDragGesture(Window.Handle(), POINT{1, 1}));
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
}  // namespace korv
