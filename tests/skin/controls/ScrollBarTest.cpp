// The skinned scroll bar on real windows: its face follows the skin commands, both faces move by
// real mouse input and keys, a press holds the capture and ends cleanly when it is lost, and the
// skinned face's pixels come from the skin (a bar with nothing to paint still validates).
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "classlib/Forms.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/paint/sStyleSimply.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

// Section colours of the test skin.
constexpr TColor kBefore = 0xC04020, kAfter = 0x2060E0, kThumb = 0x30A030, kButton = 0x707070;

struct BarLog {
  std::vector<std::pair<TScrollCode, int>> Scrolls;
  std::vector<int> Olds;  // OnScrollChange
  TEvent Ended;           // scEndScroll came
  TEvent Reached;         // Position reached Target
  int Target = INT_MAX;
  TsScrollBar* Bar = nullptr;
  void OnScroll(TObject*, TScrollCode code, int& pos) {
    Scrolls.emplace_back(code, pos);
    if (code == scEndScroll) Ended.Set();
  }
  void OnScrollChange(TObject*, int old) {
    Olds.push_back(old);
    if (Bar->Position() >= Target) Reached.Set();
  }
  [[nodiscard]] int Count(TScrollCode code) const {
    int n = 0;
    for (const auto& s : Scrolls) n += s.first == code;
    return n;
  }
};

std::string ClassOf(TWinControl* c) {
  char name[64] = {};
  GetClassNameA(c->Handle(), name, sizeof name);
  return name;
}

class ScrollBarTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    const std::pair<const char*, TColor> sections[] = {
        {"SCROLLBAR1H", kBefore},   {"SCROLLBAR2H", kAfter},     {"SCROLLSLIDERH", kThumb},
        {"SCROLLBTNLEFT", kButton}, {"SCROLLBTNRIGHT", kButton}};
    for (auto [name, color] : sections) AddSection(*Sm, name, color);
    Sm->SkinData.Active = true;
    Sm->UpdateCommonIndexes();
  }
  TsScrollBar* NewBar(TWinControl* parent, TRect bounds, BarLog& log) {
    auto* bar = NewComponent<TsScrollBar>(parent);
    bar->SetParent(parent);
    bar->SetBoundsRect(bounds);
    bar->SetLargeChange(10);
    bar->OnScroll = TScrollEvent(&log, &BarLog::OnScroll);
    bar->OnScrollChange = TsScrollChangeEvent(&log, &BarLog::OnScrollChange);
    log.Bar = bar;
    return bar;
  }
  void Command(TsScrollBar* bar, WORD command) {
    bar->Perform(SM_ALPHACMD, SkinCmdWParam(command), reinterpret_cast<LPARAM>(Sm));
  }
  // A screen point at `along` on the bar, in the middle of its thickness.
  static TPoint On(TsScrollBar* bar, int along) { return bar->ClientToScreen(Point(along, bar->Height() / 2)); }
  // Real input: the pointer at path[0], the button pressed, moved along the rest of the path and,
  // unless held, released (once `before` is set, when given).
  static void Press(std::initializer_list<TPoint> path, bool release = true, HANDLE before = nullptr) {
    TInputDriver d;
    ASSERT_TRUE(d.Run([&](TInputDriver& d) {
      const TPoint* p = path.begin();
      d.MoveTo(p->x, p->y);
      d.LeftDown();
      for (++p; p != path.end(); ++p) d.MoveInSteps(p[-1].x, p[-1].y, p->x, p->y, 6);
      if (before) d.WaitFor(before);
      if (release) d.LeftUp();
    })) << d.Error();
  }
  static void Release() {
    TInputDriver d;
    ASSERT_TRUE(d.Run([](TInputDriver& d) { d.LeftUp(); })) << d.Error();
    PumpPending();
  }
  // A click, until the end of the scroll.
  static void Click(TPoint p, BarLog& log) {
    log.Ended.Reset();
    Press({p});
    ASSERT_TRUE(PumpUntilSignaled(log.Ended.Handle()));
  }
  TsSkinManager* Sm = nullptr;
};

TEST_F(ScrollBarTest, TheFaceIsChosenFromTheSkinEachTimeTheWindowIsMade) {
  TForm* form = NewForm();
  BarLog log;
  TsScrollBar* bar = NewBar(form, Bounds(10, 10, 200, 17), log);
  EXPECT_EQ(ClassOf(bar), "KorvTsScrollBarOwn");
  EXPECT_TRUE(bar->OwnFace());
  bar->SetPageSize(20);
  bar->SetPosition(100);
  EXPECT_EQ(bar->Position(), 100) << "the skinned face reaches Max";
  bar->SetParams(0, 10, 5);  // the skinned face takes a reversed range without raising
  bar->SetParams(100, 0, 100);

  Command(bar, skcRemoveSkin);
  EXPECT_EQ(ClassOf(bar), "KorvTsScrollBar");
  EXPECT_NE(bar->DefWndProc(), DefWindowProcA);
  EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 100 - 20 + 1) << "the system bar stops at Max - PageSize + 1";
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);

  Command(bar, skcRefresh);  // a refresh does not skin an unskinned link
  EXPECT_FALSE(bar->OwnFace());
  Command(bar, skcNewSkin);
  EXPECT_FALSE(bar->OwnFace()) << "the new skin is only announced";
  Command(bar, skcRefresh);
  EXPECT_EQ(ClassOf(bar), "KorvTsScrollBarOwn");
  EXPECT_EQ(bar->Position(), 100);
}

TEST_F(ScrollBarTest, ASkinnedAndASystemBarOnOneFormMoveByMouseAndKeys) {
  TForm* form = NewForm(200, 200, 420, 160);
  BarLog skinnedLog, systemLog;
  TsScrollBar* skinned = NewBar(form, Bounds(20, 20, 300, 17), skinnedLog);
  TsScrollBar* system = NewBar(form, Bounds(20, 70, 300, 17), systemLog);
  system->SkinData()->SetSkinManager(NewManager());  // a manager without sections
  for (TsScrollBar* bar : {skinned, system}) bar->SetPosition(50);
  skinnedLog.Olds.clear();
  systemLog.Olds.clear();
  ShowAndActivate(form);
  ASSERT_TRUE(skinned->OwnFace());
  ASSERT_FALSE(system->OwnFace());
  TMessageRecorder reflected(system);
  reflected.Filter({CN_HSCROLL});

  const int b = TsScrollModel::ButtonMetric(sbHorizontal);
  for (auto [bar, log] : {std::pair{skinned, &skinnedLog}, std::pair{system, &systemLog}}) {
    Click(On(bar, bar->Width() - b / 2), *log);
    EXPECT_EQ(bar->Position(), 51);
    EXPECT_EQ(log->Count(scLineDown), 1);
    bar->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return bar->Focused(); }));
    PostMessageA(bar->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 52; })) << bar->Position();
    PostMessageA(bar->Handle(), WM_KEYDOWN, VK_NEXT, 1);
    ASSERT_TRUE(PumpUntil([&] { return bar->Position() == 62; })) << bar->Position();
  }
  EXPECT_EQ(reflected.Count(CN_HSCROLL), 4) << "the system bar's notices come back reflected";
  EXPECT_EQ(skinnedLog.Olds, (std::vector<int>{50, 51, 52}));
  EXPECT_EQ(systemLog.Olds, (std::vector<int>{50, 51, 52}));
}

TEST_F(ScrollBarTest, HeldButtonsRepeatAndADragThatIsNotSmoothReportsOnceAtTheRelease) {
  TForm* form = NewForm(200, 200, 420, 160);
  BarLog log;
  TsScrollBar* bar = NewBar(form, Bounds(20, 20, 300, 17), log);
  ShowAndActivate(form);
  const int b = TsScrollModel::ButtonMetric(sbHorizontal);

  // The second button held: the first step, then the repeats of the line timer on the bar's
  // window, until the test lets go.
  log.Target = 4;
  Press({On(bar, bar->Width() - b / 2)}, true, log.Reached.Handle());
  ASSERT_TRUE(PumpUntilSignaled(log.Ended.Handle()));
  const int held = bar->Position();
  EXPECT_GE(held, 4);
  EXPECT_EQ(bar->Model().Timer, rtNone);
  EXPECT_FALSE(PumpUntil([&] { return bar->Position() != held; }, 300)) << "no step after the release";
  EXPECT_EQ(GetCapture(), nullptr);

  // A click on the track pages once: the thumb passes the point under the mouse.
  bar->SetPosition(50);
  const TsScrollModel& m = bar->Model();
  int x = m.Layout().Parts[spThumb].right;
  while (m.PositionAt(x) < 55) ++x;
  Click(On(bar, x), log);
  EXPECT_EQ(bar->Position(), 60);

  // The thumb dragged with Smooth off: one change, at the release, from the start.
  bar->SetSmooth(false);
  log.Olds.clear();
  const int x0 = m.Layout().Center, x1 = x0 + 70;
  const int expected = 60 + m.PositionAt(x1) - m.PositionAt(x0);
  log.Ended.Reset();
  Press({On(bar, x0), On(bar, x1)});
  ASSERT_TRUE(PumpUntilSignaled(log.Ended.Handle()));
  EXPECT_EQ(bar->Position(), expected);
  EXPECT_EQ(log.Olds, (std::vector<int>{60}));
  EXPECT_EQ(log.Scrolls.rbegin()[1], std::pair(scPosition, expected));
}

TEST_F(ScrollBarTest, APressEndsCleanlyWhenTheCaptureIsLostOrTheBarDisabled) {
  TForm* form = NewForm(200, 200, 420, 160);
  BarLog log;
  TsScrollBar* bar = NewBar(form, Bounds(20, 20, 300, 17), log);
  bar->SetSmooth(false);
  ShowAndActivate(form);
  ASSERT_TRUE(Application->ShowHint());
  const TsScrollModel& m = bar->Model();
  const TPoint p0 = On(bar, m.Layout().Center), p1 = On(bar, m.Layout().Center + 50);
  auto pressAndDrag = [&] {
    Press({p0, p1}, false);
    ASSERT_TRUE(PumpUntil([&] { return m.Deferring && bar->Position() > 0; }));
    EXPECT_EQ(GetCapture(), bar->Handle());
    EXPECT_FALSE(Application->ShowHint()) << "no hints during a press";
  };

  pressAndDrag();
  const int moved = bar->Position();
  SetCapture(form->Handle());  // someone else takes the mouse
  EXPECT_EQ(log.Olds, (std::vector<int>{0})) << "the held change arrives once";
  EXPECT_EQ(log.Count(scEndScroll), 1);
  EXPECT_FALSE(m.Pressing());
  EXPECT_TRUE(Application->ShowHint());
  ReleaseCapture();
  Release();
  EXPECT_EQ(bar->Position(), moved);
  EXPECT_EQ(log.Olds.size(), 1u) << "the late release changes nothing";

  bar->SetPosition(0);
  log.Olds.clear();
  pressAndDrag();
  bar->SetEnabled(false);
  EXPECT_EQ(log.Olds, (std::vector<int>{0}));
  EXPECT_FALSE(m.Pressing());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(Application->ShowHint());
  Release();
}

TEST_F(ScrollBarTest, EscapeEndsAThumbDragWithTheThumbBackWhereTheDragStarted) {
  TForm* form = NewForm(200, 200, 420, 160);
  BarLog log;
  TsScrollBar* bar = NewBar(form, Bounds(20, 20, 300, 17), log);
  bar->SetTabStop(false);  // the keyboard focus stays with the form
  bar->SetPosition(20);
  struct TDone {  // on every exit: the button up, the bar's handlers off the log
    TsScrollBar* Bar;
    ~TDone() {
      if (GetAsyncKeyState(VK_LBUTTON) < 0) Release();
      Bar->OnScroll = nullptr, Bar->OnScrollChange = nullptr;
    }
  } done{bar};
  ShowAndActivate(form);
  const TsScrollModel& m = bar->Model();
  for (bool smooth : {true, false}) {
    bar->SetSmooth(smooth);
    log.Olds.clear();
    log.Ended.Reset();
    const int x0 = m.Layout().Center, x1 = x0 + 60;
    const int moved = 20 + m.PositionAt(x1) - m.PositionAt(x0);
    Press({On(bar, x0), On(bar, x1)}, false);
    ASSERT_TRUE(PumpUntil([&] { return bar->Position() == moved; })) << bar->Position();
    TInputDriver d;
    ASSERT_TRUE(d.Run([](TInputDriver& d) { d.Tap(VK_ESCAPE); })) << d.Error();
    ASSERT_TRUE(PumpUntilSignaled(log.Ended.Handle()));
    EXPECT_EQ(bar->Position(), 20);
    // A smooth drag's owner followed the thumb and sees it come back; the other one heard nothing.
    EXPECT_EQ(log.Olds.empty() ? 0 : log.Olds.back(), smooth ? moved : 0);
    EXPECT_FALSE(m.Pressing() || GetCapture());
    EXPECT_TRUE(Application->ShowHint());
    Release();
    EXPECT_EQ(bar->Position(), 20) << "the late release changes nothing";
  }
}

TEST_F(ScrollBarTest, TheSkinnedFaceIsPaintedFromItsSectionsBlendedWhenDisabledAndAlwaysValidated) {
  TForm* form = NewForm(200, 200, 420, 160);
  constexpr TColor kUnder = 0x10E0F0;
  auto* under = NewComponent<TLinkedWindow>(form, Bounds(0, 0, 400, 100));  // answers with its image
  under->Link->CacheBmp->SetSize(400, 100);
  FillDC(under->Link->CacheBmp->Canvas()->Handle(), Rect(0, 0, 400, 100), kUnder);
  BarLog log;
  TsScrollBar* bar = NewBar(under, Bounds(10, 10, 300, 17), log);
  bar->SetPageSize(20);
  bar->SetPosition(30);
  ShowAndActivate(form);
  const int b = TsScrollModel::ButtonMetric(sbHorizontal), w = bar->Width(), h = bar->Height();
  // The bar painted into a DC of the test's (WM_PRINT), once the screen shows the same.
  auto shown = [&] {
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const TPixelImage printed = PrintWindowImage(bar->Handle());
    auto same = [&] {
      const TPixelImage screen = CaptureClient(bar->Handle());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (screen.At(x, y) != printed.At(x, y)) return false;
      return true;
    };
    EXPECT_TRUE(PumpUntil(same)) << "the screen shows what the bar paints";
    return printed;
  };
  // Every pixel of each part, from the part's own section.
  auto expectParts = [&](const TPixelImage& img, auto look) {
    const TRect t = bar->Model().Layout().Parts[spThumb];
    ASSERT_GT(t.left, b);
    EXPECT_TRUE(img.All(Rect(0, 0, b, h), look(kButton)));
    EXPECT_TRUE(img.All(Rect(b, 0, t.left, h), look(kBefore)));
    EXPECT_TRUE(img.All(t, look(kThumb))) << t.left << ".." << t.right;
    EXPECT_TRUE(img.All(Rect(t.right, 0, w - b, h), look(kAfter)));
    EXPECT_TRUE(img.All(Rect(w - b, 0, w, h), look(kButton)));
  };
  TPixelImage img = shown();
  expectParts(img, [](TColor c) { return c; });

  // Disabled: the thumb in the middle, and 60 percent of what lies under laid over the bar.
  bar->SetEnabled(false);
  auto blended = [&](TColor own) {
    TColor c = 0;
    for (int shift : {0, 8, 16}) {
      const int s = (kUnder >> shift) & 0xFF, d = (own >> shift) & 0xFF;
      c |= static_cast<TColor>(std::lrint(s - (s - d) * 0.4)) << shift;
    }
    return c;
  };
  img = shown();
  EXPECT_EQ(bar->Model().Layout().Center, w / 2);
  expectParts(img, blended);

  // Nothing to paint: the paint message still validates, or it would come back at once.
  TMessageRecorder paints(bar);
  paints.Filter({WM_PAINT});
  bar->SetPaintLocked(true);
  InvalidateRect(bar->Handle(), nullptr, FALSE);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(paints.Count(WM_PAINT), 1);
}

}  // namespace
}  // namespace korv::test
