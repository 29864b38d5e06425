// The scroll bar over the system "SCROLLBAR" class: real clicks on its arrow, track and thumb,
// and keys, reach OnScroll with the system's codes and move Position; the window follows Kind
// and a derived bar can take a window of its own.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

struct ScrollLog {
  std::vector<std::pair<TScrollCode, int>> Calls;
  void OnScroll(TObject*, TScrollCode code, int& pos) { Calls.emplace_back(code, pos); }
  [[nodiscard]] int Last(TScrollCode code) const {
    int v = -1;
    for (auto& c : Calls)
      if (c.first == code) v = c.second;
    return v;
  }
};

class ScrollBarTest : public TFormTest {
 protected:
  TScrollBar* NewBar(ScrollLog& log) {
    TForm* f = NewForm(200, 200, 400, 160);
    auto* bar = NewComponent<TScrollBar>(f);
    bar->SetBounds(20, 40, 300, GetSystemMetrics(SM_CYHSCROLL));
    bar->SetParent(f);
    bar->SetLargeChange(10);
    bar->SetPosition(50);
    bar->OnScroll = TScrollEvent(&log, &ScrollLog::OnScroll);
    ShowAndActivate(f);
    return bar;
  }
  // Presses and releases the left button at a screen point, moving it to `to` in between.
  static void Click(TPoint at, TPoint to, ScrollLog& log) {
    log.Calls.clear();
    TInputDriver d;
    ASSERT_TRUE(d.Run([&](TInputDriver& d) {
      d.MoveTo(at.x, at.y);
      d.LeftDown();
      if (to.x != at.x) d.MoveInSteps(at.x, at.y, to.x, to.y, 6);
      d.LeftUp();
    })) << d.Error();
    ASSERT_TRUE(PumpUntil([&] { return !log.Calls.empty() && log.Calls.back().first == scEndScroll; }));
  }
};

TEST_F(ScrollBarTest, ClicksOnArrowTrackAndThumbScrollWithTheSystemsCodes) {
  ScrollLog log;
  TScrollBar* bar = NewBar(log);
  HWND h = bar->Handle();
  int b = GetSystemMetrics(SM_CXHSCROLL);
  TPoint origin = bar->ClientToScreen(Point(0, bar->Height() / 2));
  TPoint arrow = Point(origin.x + b / 2, origin.y);
  Click(arrow, arrow, log);
  EXPECT_EQ(log.Last(scLineUp), 49);
  EXPECT_EQ(bar->Position(), 49);
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 49) << "the window shows the new position";

  SCROLLBARINFO sbi{};
  sbi.cbSize = sizeof sbi;
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_CLIENT, &sbi));
  TPoint track = Point((sbi.rcScrollBar.left + sbi.xyThumbBottom + sbi.rcScrollBar.right - b) / 2, origin.y);
  Click(track, track, log);
  EXPECT_EQ(log.Last(scPageDown), 59);
  EXPECT_EQ(bar->Position(), 59);

  // The thumb dragged past the end: tracking, then the position at the release.
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_CLIENT, &sbi));
  TPoint thumb = Point(sbi.rcScrollBar.left + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2, origin.y);
  Click(thumb, Point(origin.x + bar->Width() + 30, origin.y), log);
  EXPECT_GE(log.Last(scTrack), 59);
  EXPECT_EQ(log.Last(scPosition), 100);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 100);
}

TEST_F(ScrollBarTest, KeysScrollAndTheHandlersPositionIsApplied) {
  ScrollLog log;
  TScrollBar* bar = NewBar(log);
  bar->SetSmallChange(3);
  HWND h = bar->Handle();
  auto key = [&](WORD vk) {  // one notice per key: the system sends no end of scroll for keys
    log.Calls.clear();
    PostMessageA(h, WM_KEYDOWN, vk, 1);
    return PumpUntil([&] { return !log.Calls.empty(); });
  };
  ASSERT_TRUE(key(VK_RIGHT));
  EXPECT_EQ(log.Last(scLineDown), 53);
  ASSERT_TRUE(key(VK_END));
  ASSERT_TRUE(key(VK_RIGHT));
  EXPECT_EQ(log.Last(scLineDown), 100) << "clamped at the end";
  struct Halver {
    void On(TObject*, TScrollCode, int& pos) { pos /= 2; }
  } halver;
  bar->OnScroll = TScrollEvent(&halver, &Halver::On);
  PostMessageA(h, WM_KEYDOWN, VK_LEFT, 1);
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 48; })) << bar->Position();  // (100 - 3) / 2
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 48);
}

// A bar that gives up the system class for a window of its own.
class TOwnFaceBar : public TScrollBar {
 public:
  using TScrollBar::TScrollBar;
  bool Own = false;

 protected:
  bool UsesSystemClass() const override { return !Own; }
};

TEST_F(ScrollBarTest, ParametersKindAndTheWindowChosenAtCreation) {
  TForm* f = NewForm(200, 200, 400, 300);
  auto* bar = NewComponent<TOwnFaceBar>(f);
  bar->SetParent(f);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  bar->SetParams(500, -20, 80);
  EXPECT_EQ(bar->Position(), 80);
  int w = bar->Width();
  bar->SetKind(sbVertical);
  EXPECT_EQ(bar->Height(), w);
  int mn = 0, mx = 0;
  GetScrollRange(bar->Handle(), SB_CTL, &mn, &mx);
  EXPECT_EQ(mn * 1000 + mx, -20 * 1000 + 80) << "the new window takes range and position";
  EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 80);
  bar->Own = true;
  bar->RecreateWnd();
  EXPECT_EQ(bar->DefWndProc(), DefWindowProcA) << "a plain window of the control's own";
}

}  // namespace
}  // namespace korv::test
