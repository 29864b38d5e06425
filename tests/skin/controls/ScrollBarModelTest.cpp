// The window-free scroll bar: thumb size and place, the position under a point, values and their
// notices (a drag that is not smooth reports once), presses on each part, keys and repeat steps,
// and a press that ends without a release.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "skin/controls/sScrollBarModel.h"

namespace korv::test {
namespace {

// A bar's values with a model on them; the notices it raises are logged as short texts.
struct ModelBar : TsScrollEvents {
  TScrollBarKind Kind = sbHorizontal;
  int Min = 0, Max = 100, Position = 0, PageSize = 0;
  TScrollBarInc Small = 1, Large = 10;
  int Width = 217, Height = 17;
  bool Enabled = true;
  TsScrollModel M{TsScrollFields{Kind, Min, Max, Position, PageSize, Small, Large, Width, Height, Enabled}, *this};
  std::vector<std::string> Log;
  UINT Interval = 0;

  void ScrollChange(int old) override { Log.push_back("old " + std::to_string(old)); }
  void ScrollNotice(TScrollCode code, int pos) override {
    Log.push_back("scroll " + std::to_string(code) + " " + std::to_string(pos));
  }
  void ValueChanged() override { Log.push_back("value"); }
  void RepeatTimer(TsRepeatTimer, UINT interval) override { Interval = interval; }

  [[nodiscard]] int B() const { return TsScrollModel::ButtonMetric(Kind); }
  // A client point at `along` in the middle of the bar's thickness.
  [[nodiscard]] TPoint At(int along) const {
    return Kind == sbHorizontal ? Point(along, Height / 2) : Point(Width / 2, along);
  }
  [[nodiscard]] TPoint ThumbMiddle() const { return At(M.Layout().Center); }
  std::vector<std::string> Take() { return std::exchange(Log, {}); }
};

using Strings = std::vector<std::string>;

TEST(ScrollBarModel, ThumbLengthAndPlaceFollowPageRangeAndPosition) {
  ModelBar bar;
  const int b = bar.B(), track = bar.Width - 2 * b;
  EXPECT_EQ(bar.M.Layout().Thumb, sMinThumbLength) << "no page: the smallest thumb";
  bar.PageSize = 20;
  EXPECT_EQ(bar.M.Layout().Thumb, std::lrint(20.0 * track / 120));
  bar.PageSize = 1;
  bar.Max = 100000;
  EXPECT_EQ(bar.M.Layout().Thumb, sMinThumbLength) << "a tiny page never shrinks the thumb below 14";
  bar.PageSize = 20;
  bar.Max = 100;

  // At the ends the thumb meets the buttons exactly; in between the point under its centre is
  // its position again.
  TsScrollLayout l = bar.M.Layout();
  EXPECT_EQ(l.Parts[spThumb].left, b);
  bar.Position = 100;
  l = bar.M.Layout();
  EXPECT_EQ(l.Parts[spThumb].right, bar.Width - b);
  EXPECT_EQ(l.Parts[spTrackAfter].left, l.Center);
  for (int pos : {0, 1, 37, 50, 99, 100}) {
    bar.Position = pos;
    EXPECT_EQ(bar.M.PositionAt(bar.M.Layout().Center), pos);
  }

  // Vertical: the same along y.
  bar.Kind = sbVertical;
  std::swap(bar.Width, bar.Height);
  bar.Position = 0;
  l = bar.M.Layout();
  EXPECT_EQ(l.Parts[spThumb].top, bar.B());
  EXPECT_EQ(l.Parts[spThumb].right, bar.Width);
  EXPECT_EQ(l.Parts[spSecondButton].top, bar.Height - bar.B());
}

TEST(ScrollBarModel, ABarWithNoRoomOrNoRangeHasNoThumbAndNeverDividesByZero) {
  ModelBar bar;
  bar.Kind = sbVertical;
  bar.Width = 17;
  bar.Height = 2 * bar.B() + sMinThumbLength;  // 48 px with the usual metrics: L - T = 0
  bar.Min = bar.Max = bar.Position = 5;
  EXPECT_FALSE(bar.M.Layout().HasThumb);
  EXPECT_EQ(bar.M.PositionAt(bar.Height / 2), 5);
  bar.Max = 50;
  EXPECT_TRUE(bar.M.Layout().HasThumb) << "the thumb fills the track";
  EXPECT_EQ(bar.M.PositionAt(bar.Height - 1), 5) << "no room to move: the position stays";
  bar.Height = 20;  // shorter than both buttons
  EXPECT_FALSE(bar.M.Layout().HasThumb);
  EXPECT_EQ(bar.M.PositionAt(0), 5);
  // Every pixel pressed, dragged and released: nothing faults, the position stays in range.
  for (int y = -2; y < bar.Height + 2; ++y) {
    bar.M.MouseDown(bar.At(y), psNormal);
    bar.M.MouseMove(bar.At(y + 7));
    bar.M.TimerTick(bar.At(y));
    bar.M.MouseUp(bar.At(y + 7), psNormal);
    EXPECT_TRUE(bar.Position >= 5 && bar.Position <= 50) << bar.Position;
  }
  bar.M.SetParams(10, 20, 0);  // a reversed range is stored, not refused
  EXPECT_EQ(bar.Min, 20);
  EXPECT_EQ(bar.Max, 0);
  EXPECT_FALSE(bar.M.Layout().HasThumb);
  EXPECT_EQ(bar.M.PositionAt(30), bar.Position);
}

TEST(ScrollBarModel, NewValuesAreClampedAndAnUnchangedPositionRaisesOnlyTheNotice) {
  ModelBar bar;
  bar.M.SetParams(40, 0, 100);
  EXPECT_EQ(bar.Take(), (Strings{"old 0", "value"})) << "no part pressed yet: no notice";
  bar.M.SetParams(500, -10, 80);
  EXPECT_EQ(bar.Position, 80);
  EXPECT_EQ(bar.Min, -10);
  bar.Take();
  bar.M.PressedPart = scLineDown;
  bar.M.SetParams(90, -10, 80);
  EXPECT_EQ(bar.Take(), (Strings{"scroll 1 80"}));
  bar.M.MoveBy(-5);
  EXPECT_EQ(bar.Take(), (Strings{"old 80", "scroll 1 75", "value"}));
}

TEST(ScrollBarModel, TheButtonsStepByLinesAndRepeatUntilReleased) {
  ModelBar bar;
  const int b = bar.B();
  bar.M.MouseDown(bar.At(b / 2), psNormal);  // first button at Min
  EXPECT_EQ(bar.Take(), (Strings{"scroll 0 0"})) << "the press is heard, nothing moves";
  EXPECT_EQ(bar.M.Timer, rtLine);
  EXPECT_EQ(bar.Interval, sRepeatFirstDelay);
  bar.M.MouseUp(bar.At(b / 2), psNormal);
  EXPECT_EQ(bar.M.Timer, rtNone);
  EXPECT_EQ(bar.M.State(spFirstButton), psHot);

  bar.Position = 100;  // second button at Max: nothing at all
  bar.M.MouseDown(bar.At(bar.Width - b / 2), psNormal);
  EXPECT_TRUE(bar.Take().empty());
  EXPECT_EQ(bar.M.Timer, rtNone);
  bar.M.MouseUp(bar.At(bar.Width - b / 2), psNormal);

  bar.Position = 50;
  bar.Small = 3;
  bar.M.MouseDown(bar.At(bar.Width - b / 2), psNormal);
  EXPECT_EQ(bar.Position, 53);
  for (int i = 0; i < 4; ++i) bar.M.TimerTick(bar.At(bar.Width - b / 2));
  EXPECT_EQ(bar.Position, 65);
  EXPECT_EQ(bar.Interval, sRepeatInterval);
  bar.M.MouseMove(bar.At(bar.Width / 2));  // off the button: it is no longer pressed
  bar.M.TimerTick(bar.At(bar.Width / 2));
  EXPECT_EQ(bar.Position, 65);
  EXPECT_EQ(bar.M.Timer, rtNone);
}

TEST(ScrollBarModel, HoldingTheTrackPagesUntilTheThumbPassesTheMouse) {
  ModelBar bar;
  bar.Width = 417;
  const TPoint mouse = bar.At(bar.Width * 3 / 4);
  const int target = bar.M.PositionAt(mouse.x);
  bar.M.MouseDown(mouse, psHot);
  EXPECT_EQ(bar.M.PressedPart, scPageDown);
  EXPECT_EQ(bar.M.State(spTrackAfter), psPressed);
  EXPECT_EQ(bar.M.State(spTrackBefore), psHot);
  EXPECT_EQ(bar.Position, 10);
  int ticks = 0;
  while (bar.M.Timer == rtPage && ticks < 100) {
    bar.M.TimerTick(mouse);
    ++ticks;
  }
  // Steps of 10 until the position passed the one under the mouse, then one tick to stop.
  const int steps = (target + 9) / 10;
  EXPECT_EQ(bar.Position, steps * 10);
  EXPECT_EQ(ticks, steps);
  bar.M.MouseUp(mouse, psHot);
  EXPECT_FALSE(bar.M.AnyPressed());
}

TEST(ScrollBarModel, ADragThatIsNotSmoothReportsOnceAtTheReleaseWithItsStartPosition) {
  ModelBar bar;
  bar.M.Smooth = false;
  bar.Position = 20;
  const TPoint grab = bar.ThumbMiddle();
  bar.M.MouseDown(grab, psNormal);
  EXPECT_EQ(bar.M.Timer, rtDrag);
  bar.M.MouseDown(grab, psNormal);  // a second press without a release changes nothing
  EXPECT_EQ(bar.M.DeferredOldPosition, 20);
  bar.M.MouseMove(Point(grab.x + 40, grab.y));
  bar.M.TimerTick(Point(grab.x + 60, grab.y));
  EXPECT_GT(bar.Position, 20);
  EXPECT_TRUE(bar.Take().empty()) << "nothing reaches the owner during the drag";
  bar.M.MouseUp(Point(grab.x + 80, grab.y), psNormal);
  const int end = bar.Position;
  EXPECT_EQ(end, bar.M.PositionAt(grab.x + 80) - bar.M.PositionAt(grab.x) + 20);
  EXPECT_EQ(bar.Take(), (Strings{"old 20", "scroll 4 " + std::to_string(end), "value"}));
  EXPECT_EQ(bar.M.State(spThumb), psHot) << "released over the thumb";

  // Smooth: every step reports while dragging.
  bar.M.Smooth = true;
  bar.M.MouseDown(bar.ThumbMiddle(), psNormal);
  bar.M.MouseMove(Point(bar.ThumbMiddle().x - 30, grab.y));
  EXPECT_EQ(bar.Take().front(), "old " + std::to_string(end));
}

TEST(ScrollBarModel, APressEndedWithoutAReleaseDeliversTheHeldChangeOnceAndLeavesNothingPressed) {
  ModelBar bar;
  bar.M.Smooth = false;
  const TPoint grab = bar.ThumbMiddle();
  bar.M.MouseDown(grab, psNormal);
  bar.M.MouseMove(Point(grab.x + 50, grab.y));
  const int moved = bar.Position;
  bar.M.Abort();
  EXPECT_EQ(bar.Take(), (Strings{"old 0", "scroll 5 " + std::to_string(moved), "value"}));
  EXPECT_FALSE(bar.M.Pressing());
  EXPECT_EQ(bar.M.PressedPart, scNoPart);
  bar.M.MouseUp(Point(grab.x + 90, grab.y), psNormal);  // a late release moves and reports nothing
  EXPECT_EQ(bar.Position, moved);
  EXPECT_TRUE(bar.Take().empty());
}

TEST(ScrollBarModel, KeysStepByLinesAndPagesAndJumpToTheEnds) {
  ModelBar bar;
  bar.Position = 50;
  bar.Small = 2;
  const std::vector<std::pair<WORD, int>> steps = {{VK_RIGHT, 52}, {VK_DOWN, 54}, {VK_LEFT, 52}, {VK_UP, 50},
                                                   {VK_NEXT, 60}, {VK_PRIOR, 50}, {VK_END, 100}, {VK_HOME, 0}};
  for (auto [key, want] : steps) {
    EXPECT_TRUE(bar.M.KeyDown(key));
    EXPECT_EQ(bar.Position, want) << key;
  }
  EXPECT_EQ(bar.Take().back(), "value");
  EXPECT_FALSE(bar.M.KeyDown(VK_TAB));
  bar.M.KeyDown(VK_HOME);
  EXPECT_EQ(bar.Take(), (Strings{"scroll 6 0"})) << "already at the start: the notice of Home only";
}

}  // namespace
}  // namespace korv::test
