// The result list's press on a selected row, with a system list that behaves as Windows' does:
// inside WM_LBUTTONDOWN it runs a modal loop of its own until the button is released or the
// pointer leaves the drag rectangle (Wine's list returns at once). A drag gesture must be seen
// before that loop, and the list must see the button's release exactly once.
#include <windows.h>
#include <windowsx.h>

#include <functional>

#include "DemoTestKit.h"
#include "ResultList.h"
#include "shell/dragdrop/DropSource.h"

namespace korv::test {
namespace {

class TWindowsLikeList : public TResultList {
 public:
  using TResultList::TResultList;

  int Presses = 0;          // presses the system list saw
  int Releases = 0;         // releases the system list saw, in its loop or after
  bool LoopWaited = false;  // its loop ran out of time waiting for the release

  void DefaultHandler(TMessage& m) override {
    if (m.Msg == WM_LBUTTONUP) ++Releases;
    TResultList::DefaultHandler(m);
    if (m.Msg == WM_LBUTTONDOWN) {
      ++Presses;
      ModalLoop(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
    }
  }

 private:
  void ModalLoop(POINT press) {
    HWND wnd = Handle();
    RECT drag{press.x, press.y, press.x, press.y};
    InflateRect(&drag, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG));
    SetCapture(wnd);
    const DWORD start = GetTickCount();
    for (;;) {
      if (static_cast<LONG>(GetTickCount() - start) > 3000) {
        LoopWaited = true;
        break;
      }
      MSG msg;
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        continue;
      }
      if (msg.hwnd == wnd && msg.message == WM_LBUTTONUP) {
        TMessage up{msg.message, msg.wParam, msg.lParam, 0};
        DefaultHandler(up);  // the click ends inside the loop
        break;
      }
      if (msg.hwnd == wnd && msg.message == WM_MOUSEMOVE) {
        POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        if (!PtInRect(&drag, p)) break;  // the list's own drag would begin here
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (GetCapture() == wnd) ReleaseCapture();
  }
};

// Runs the drag gesture as the demo's window does, without the drag itself.
struct TGestureHandler {
  TEvent Pressed, Dragging;
  bool ButtonHeldAtDrag = false;
  void Press(TObject* sender, int x, int y, bool& handled) {
    Pressed.Set();
    if (!DetectDragGesture(static_cast<TResultList*>(sender)->Handle(), POINT{x, y})) return;
    ButtonHeldAtDrag = GetKeyState(VK_LBUTTON) < 0;
    handled = true;
    Dragging.Set();
  }
};

class ResultListPress : public TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    Form_ = NewForm(40, 40, 500, 300);
    List = new TWindowsLikeList(Form_);
    List->SetParent(Form_);
    List->SetBounds(0, 0, 480, 260);
    std::vector<TResultRow> rows(3);
    for (size_t i = 0; i < rows.size(); ++i) rows[i].Name = "row " + std::to_string(i);
    List->SetRows(std::move(rows));
    List->OnSelectedRowPress = TRowPressEvent(&Gesture, &TGestureHandler::Press);
    Input([](TInputDriver& d) { d.MoveTo(1200, 1000); });
    ShowAndActivate(Form_);
    List->SetRowSelected(0, true);
    List->SetRowSelected(1, true);
    PumpPending();
  }
  static void Input(const std::function<void(TInputDriver&)>& steps) {
    TInputDriver d;
    ASSERT_TRUE(d.Run(steps)) << d.Error();
  }
  [[nodiscard]] TPoint RowPoint(int row) {
    TRect r = List->RowRect(row);
    return List->ClientToScreen(Point(r.left + 30, (r.top + r.bottom) / 2));
  }

  TForm* Form_ = nullptr;
  TWindowsLikeList* List = nullptr;
  TGestureHandler Gesture;
};

TEST_F(ResultListPress, AGestureIsSeenWhileTheButtonIsHeldAndTheListNeverSeesThePress) {
  const TPoint p = RowPoint(0);
  Input([&](TInputDriver& d) {
    if (!d.MoveTo(p.x, p.y) || !d.LeftDown() || !d.WaitFor(Gesture.Pressed.Handle(), kDeadlineMs, "the press")) return;
    Sleep(DragDelay + 50);  // the gesture counts a move only after the button was held this long
    for (int i = 1; i <= 10 && !Gesture.Dragging.IsSet(); ++i) d.MoveTo(p.x + 4 * i, p.y + 3 * i);
    d.WaitFor(Gesture.Dragging.Handle(), kDeadlineMs, "the drag gesture");
    d.LeftUp();
  });
  PumpPending();
  EXPECT_TRUE(Gesture.ButtonHeldAtDrag) << "the drag began after the button was released";
  EXPECT_EQ(List->Presses, 0) << "the list ran its own loop on a press that became a drag";
  EXPECT_EQ(List->SelectedRows(), (std::vector<int>{0, 1})) << "the drag changed the selection";
}

TEST_F(ResultListPress, AClickReachesTheListWithExactlyOneRelease) {
  const TPoint p = RowPoint(1);
  Input([&](TInputDriver& d) {
    if (d.MoveTo(p.x, p.y) && d.LeftDown() && d.WaitFor(Gesture.Pressed.Handle(), kDeadlineMs, "the press")) d.LeftUp();
  });
  ASSERT_TRUE(PumpUntil([&] { return List->Presses == 1 && List->Releases >= 1; }));
  PumpPending();
  EXPECT_FALSE(Gesture.Dragging.IsSet());
  EXPECT_FALSE(List->LoopWaited) << "the list's loop waited for a release that had been taken";
  EXPECT_EQ(List->Presses, 1);
  EXPECT_EQ(List->Releases, 1) << "the list saw a release more than once";
  EXPECT_TRUE(PumpUntil([&] { return List->SelectedRows() == std::vector<int>{1}; }))
      << List->SelCount() << " rows selected: the list did not finish the click";
}

}  // namespace
}  // namespace korv::test
