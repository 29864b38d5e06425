// The scroll bar control over the system "SCROLLBAR" class: real clicks on its arrows, its track
// and its thumb, and keys, reach OnScroll with the system's codes and move Position; the
// parameters are checked; the window follows Kind and can be given up for a window of its own.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

struct ScrollLog {
  std::vector<std::pair<TScrollCode, int>> Calls;
  int Changes = 0;
  void OnScroll(TObject*, TScrollCode code, int& pos) { Calls.emplace_back(code, pos); }
  void OnChange(TObject*) { ++Changes; }
  [[nodiscard]] bool Has(TScrollCode code) const {
    for (auto& c : Calls)
      if (c.first == code) return true;
    return false;
  }
  [[nodiscard]] int Last(TScrollCode code) const {
    int v = -1;
    for (auto& c : Calls)
      if (c.first == code) v = c.second;
    return v;
  }
};

class ScrollBarTest : public TFormTest {
 protected:
  TScrollBar* NewBar(TForm* f, ScrollLog& log) {
    auto* bar = new TScrollBar(f);
    bar->SetBounds(20, 40, 300, GetSystemMetrics(SM_CYHSCROLL));
    bar->SetParent(f);
    bar->SetLargeChange(10);
    bar->SetPosition(50);
    bar->OnScroll = TScrollEvent(&log, &ScrollLog::OnScroll);
    bar->OnChange = TNotifyEvent(&log, &ScrollLog::OnChange);
    return bar;
  }
  // The bar's thumb in screen coordinates, from the system.
  static RECT Thumb(HWND bar) {
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof sbi;
    EXPECT_TRUE(GetScrollBarInfo(bar, OBJID_CLIENT, &sbi));
    RECT r = sbi.rcScrollBar;
    r.right = r.left + sbi.xyThumbBottom;
    r.left += sbi.xyThumbTop;
    return r;
  }
};

TEST_F(ScrollBarTest, ClicksOnArrowsTrackAndThumbScrollWithTheSystemsCodes) {
  TForm* f = NewForm(200, 200, 400, 160);
  ScrollLog log;
  TScrollBar* bar = NewBar(f, log);
  ShowAndActivate(f);
  HWND h = bar->Handle();
  ASSERT_EQ(GetScrollPos(h, SB_CTL), 50);
  int b = GetSystemMetrics(SM_CXHSCROLL);
  TPoint origin = bar->ClientToScreen(Point(0, 0));
  int y = origin.y + bar->Height() / 2;
  TInputDriver d;

  // Left arrow: one line up, then the end of the scroll.
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(origin.x + b / 2, y);
    d.LeftDown();
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return log.Has(scEndScroll); }));
  EXPECT_EQ(log.Last(scLineUp), 49);
  EXPECT_EQ(bar->Position(), 49);
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 49) << "the window shows the new position";
  EXPECT_EQ(log.Changes, 1);

  // The track right of the thumb: a page down.
  log.Calls.clear();
  RECT thumb = Thumb(h);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo((thumb.right + origin.x + bar->Width() - b) / 2, y);
    d.LeftDown();
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return log.Has(scEndScroll); }));
  EXPECT_EQ(log.Last(scPageDown), 59);
  EXPECT_EQ(bar->Position(), 59);

  // The thumb dragged to the far end: tracking, then the position at release.
  log.Calls.clear();
  thumb = Thumb(h);
  int tx = (thumb.left + thumb.right) / 2;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(tx, y);
    d.LeftDown();
    d.MoveInSteps(tx, y, origin.x + bar->Width() + 30, y, 6);
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return log.Has(scEndScroll); }));
  EXPECT_TRUE(log.Has(scTrack));
  EXPECT_EQ(log.Last(scPosition), 100);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 100);
  // Every notice came in the system's order: the end of the scroll is the last one.
  EXPECT_EQ(log.Calls.back().first, scEndScroll);
}

TEST_F(ScrollBarTest, KeysScrollAndAHandlerMayChangeThePosition) {
  TForm* f = NewForm(200, 200, 400, 160);
  ScrollLog log;
  TScrollBar* bar = NewBar(f, log);
  bar->SetSmallChange(3);
  ShowAndActivate(f);
  bar->SetFocus();
  HWND h = bar->Handle();
  // One notice per key (the system sends no end of scroll for keys).
  auto key = [&](WORD vk) {
    log.Calls.clear();
    PostMessageA(h, WM_KEYDOWN, vk, 1);
    PostMessageA(h, WM_KEYUP, vk, 0xC0000001);
    return PumpUntil([&] { return !log.Calls.empty(); });
  };
  ASSERT_TRUE(key(VK_RIGHT));
  EXPECT_EQ(log.Last(scLineDown), 53);
  EXPECT_EQ(bar->Position(), 53);
  ASSERT_TRUE(key(VK_NEXT));
  EXPECT_EQ(bar->Position(), 63);
  ASSERT_TRUE(key(VK_HOME));
  EXPECT_EQ(log.Last(scTop), 0);
  EXPECT_EQ(bar->Position(), 0);
  ASSERT_TRUE(key(VK_END));
  EXPECT_EQ(log.Last(scBottom), 100);
  EXPECT_EQ(bar->Position(), 100);
  // At the end a line down stays at the end.
  ASSERT_TRUE(key(VK_RIGHT));
  EXPECT_EQ(log.Last(scLineDown), 100);
  EXPECT_EQ(bar->Position(), 100);

  // The position the handler leaves is the one applied.
  struct Halver {
    void On(TObject*, TScrollCode, int& pos) { pos /= 2; }
  } halver;
  bar->OnScroll = TScrollEvent(&halver, &Halver::On);
  PostMessageA(h, WM_KEYDOWN, VK_LEFT, 1);
  ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 48; })) << bar->Position();  // (100 - 3) / 2
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 48);
}

TEST_F(ScrollBarTest, ParametersAreCheckedAndKindSwapsTheSides) {
  TForm* f = NewForm(200, 200, 400, 300);
  ScrollLog log;
  TScrollBar* bar = NewBar(f, log);
  bar->HandleNeeded();
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 100);
  // The position is clamped into a new range, and a change reaches the window and OnChange.
  int changes = log.Changes;
  bar->SetParams(500, -20, 80);
  EXPECT_EQ(bar->Position(), 80);
  EXPECT_EQ(log.Changes, changes + 1);
  int mn = 0, mx = 0;
  GetScrollRange(bar->Handle(), SB_CTL, &mn, &mx);
  EXPECT_EQ(mn, -20);
  EXPECT_EQ(mx, 80);
  bar->SetPageSize(-5);
  EXPECT_EQ(bar->PageSize(), 0) << "a negative page is ignored";
  bar->SetPageSize(20);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_PAGE;
  GetScrollInfo(bar->Handle(), SB_CTL, &si);
  EXPECT_EQ(si.nPage, 20u);
  bar->SetSmallChange(0);
  EXPECT_EQ(bar->SmallChange(), 1);

  // A position change enables the bar, as the system scroll bar is enabled by one.
  bar->SetEnabled(false);
  bar->SetPosition(10);
  EXPECT_TRUE(bar->Enabled());
  EXPECT_TRUE(IsWindowEnabled(bar->Handle()));

  HWND before = bar->Handle();
  int w = bar->Width(), hgt = bar->Height();
  bar->SetKind(sbVertical);
  EXPECT_NE(bar->Handle(), before) << "a new window for the new kind";
  EXPECT_TRUE(GetWindowLongA(bar->Handle(), GWL_STYLE) & SBS_VERT);
  EXPECT_EQ(bar->Height(), w);
  RECT wr;
  GetWindowRect(bar->Handle(), &wr);
  EXPECT_EQ(bar->Width(), wr.right - wr.left) << "the control follows the width the system gave the bar";
  EXPECT_GE(bar->Width(), hgt);
  EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 10) << "the new window takes range and position";
  GetScrollRange(bar->Handle(), SB_CTL, &mn, &mx);
  EXPECT_EQ(mx, 80);
}

// A bar that gives up the system class for a window of its own.
class TOwnFaceBar : public TScrollBar {
 public:
  using TScrollBar::TScrollBar;
  bool Own = false;

 protected:
  bool UsesSystemClass() const override { return !Own; }
};

TEST_F(ScrollBarTest, ADerivedBarChoosesItsWindowAtCreation) {
  TForm* f = NewForm(200, 200, 400, 300);
  auto* bar = new TOwnFaceBar(f);
  bar->SetParent(f);
  char cls[64] = {};
  GetClassNameA(bar->Handle(), cls, sizeof cls);
  std::string system = cls;
  EXPECT_EQ(bar->DefWndProc() == DefWindowProcA, false) << "the system scroll bar serves the window";
  bar->Own = true;
  bar->RecreateWnd();
  GetClassNameA(bar->Handle(), cls, sizeof cls);
  EXPECT_NE(system, cls) << "the own face has a class of its own";
  EXPECT_EQ(bar->DefWndProc(), DefWindowProcA);
  bar->Own = false;
  bar->RecreateWnd();
  GetClassNameA(bar->Handle(), cls, sizeof cls);
  EXPECT_EQ(system, cls);
  bar->SetPosition(30);
  EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 30);
}

}  // namespace
}  // namespace korv::test
