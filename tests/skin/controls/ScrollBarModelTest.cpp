// The window-free scroll bar: thumb size and place, the position under a point on bars too short
// to divide by, values and their notices, presses, repeat steps and keys.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "skin/controls/sScrollBarModel.h"

namespace korv::test {
namespace {

using Strings = std::vector<std::string>;

// A bar's values with a model on them; the notices it raises are logged as short texts.
struct ModelBar : TsScrollEvents {
  TScrollBarKind Kind = sbHorizontal;
  int Min = 0, Max = 100, Position = 0, PageSize = 0;
  TScrollBarInc Small = 1, Large = 10;
  int Width = 217, Height = 17;
  bool Enabled = true;
  TsScrollModel M{TsScrollFields{Kind, Min, Max, Position, PageSize, Small, Large, Width, Height, Enabled}, *this};
  Strings Log;

  void ScrollChange(int old) override { Log.push_back("old " + std::to_string(old)); }
  void ScrollNotice(TScrollCode code, int pos) override {
    Log.push_back("scroll " + std::to_string(code) + " " + std::to_string(pos));
  }
  void ValueChanged() override { Log.push_back("value"); }
  [[nodiscard]] TPoint At(int along) const {
    return Kind == sbHorizontal ? Point(along, Height / 2) : Point(Width / 2, along);
  }
  Strings Take() { return std::exchange(Log, {}); }
};

TEST(ScrollBarModel, TheThumbShowsThePagesShareAndItsCentreIsThePosition) {
  ModelBar bar;
  const int b = TsScrollModel::ButtonMetric(sbHorizontal), track = bar.Width - 2 * b;
  EXPECT_EQ(bar.M.Layout().Thumb, sMinThumbLength) << "no page: the smallest thumb";
  bar.PageSize = 1;
  bar.Max = 100000;
  EXPECT_EQ(bar.M.Layout().Thumb, sMinThumbLength) << "a tiny page never shrinks it below 14";
  bar.PageSize = 20;
  bar.Max = 100;
  EXPECT_EQ(bar.M.Layout().Thumb, std::lrint(20.0 * track / 120));  // 30.5 rounds to even
  EXPECT_EQ(bar.M.Layout().Parts[spThumb].left, b) << "at Min the thumb meets the first button";
  bar.Position = 100;
  EXPECT_EQ(bar.M.Layout().Parts[spThumb].right, bar.Width - b) << "at Max the second";
  for (int pos : {0, 1, 37, 99}) {
    bar.Position = pos;
    EXPECT_EQ(bar.M.PositionAt(bar.M.Layout().Center), pos);
  }
}

TEST(ScrollBarModel, ABarWithNoRoomOrNoRangeHasNoThumbAndNeverDividesByZero) {
  ModelBar bar;
  bar.Kind = sbVertical;
  bar.Width = 17;
  bar.Height = 2 * TsScrollModel::ButtonMetric(sbVertical) + sMinThumbLength;  // 48 px: L - T = 0
  bar.Min = bar.Max = bar.Position = 5;
  EXPECT_FALSE(bar.M.Layout().HasThumb);
  bar.Max = 50;
  EXPECT_TRUE(bar.M.Layout().HasThumb) << "the thumb fills the track";
  // 20 px: shorter than its two buttons.
  // Every pixel pressed, dragged and released on both: nothing faults, no position leaves the range.
  for (int height : {48, 20})
    for (int y = -2; y < height + 2; ++y) {
      bar.Height = height;
      bar.M.MouseDown(bar.At(y), psNormal);
      bar.M.MouseMove(bar.At(y + 7));
      bar.M.TimerTick(bar.At(y));
      bar.M.MouseUp(bar.At(y + 7), psNormal);
      EXPECT_TRUE(bar.Position >= 5 && bar.Position <= 50) << bar.Position;
    }
  EXPECT_EQ(bar.M.PositionAt(0), bar.Position);
  bar.M.SetParams(10, 20, 0);  // a reversed range is stored, not refused
  EXPECT_EQ(bar.Min * 100 + bar.Max, 2000);
  EXPECT_FALSE(bar.M.Layout().HasThumb);
}

TEST(ScrollBarModel, ButtonsAndTrackStepAndRepeatUntilReleasedOrPassed) {
  ModelBar bar;
  const int b = TsScrollModel::ButtonMetric(sbHorizontal);
  const TPoint first = bar.At(b / 2), second = bar.At(bar.Width - b / 2);
  bar.M.MouseDown(first, psNormal);
  EXPECT_EQ(bar.Take(), (Strings{"scroll 0 0"})) << "at Min the press is heard, nothing moves";
  EXPECT_EQ(bar.M.Timer, rtLine);
  bar.M.MouseUp(first, psNormal);
  EXPECT_EQ(bar.M.State(spFirstButton), psHot);
  bar.Position = 100;
  bar.M.MouseDown(second, psNormal);
  EXPECT_TRUE(bar.Take().empty()) << "at Max nothing at all";
  EXPECT_EQ(bar.M.Timer, rtNone);
  bar.M.MouseUp(second, psNormal);

  bar.Position = 50;
  bar.M.MouseDown(second, psNormal);
  for (int i = 0; i < 4; ++i) bar.M.TimerTick(second);
  EXPECT_EQ(bar.Position, 55);
  bar.M.MouseMove(bar.At(bar.Width / 2));  // off the button: it is no longer pressed
  bar.M.TimerTick(bar.At(bar.Width / 2));
  EXPECT_EQ(bar.M.Timer, rtNone);
  bar.M.MouseUp(bar.At(bar.Width / 2), psNormal);

  // The track held: pages until the thumb passed the position under the mouse, one tick more.
  bar.Width = 417;
  bar.Position = 0;
  const TPoint mouse = bar.At(bar.Width * 3 / 4);
  const int steps = (bar.M.PositionAt(mouse.x) + 9) / 10;
  bar.M.MouseDown(mouse, psHot);
  EXPECT_EQ(bar.M.State(spTrackAfter), psPressed);
  EXPECT_EQ(bar.M.State(spTrackBefore), psHot);
  int ticks = 0;
  for (; bar.M.Timer == rtPage && ticks < 100; ++ticks) bar.M.TimerTick(mouse);
  EXPECT_EQ(bar.Position, steps * 10);
  EXPECT_EQ(ticks, steps);
}

TEST(ScrollBarModel, ValuesKeysAndDragsRaiseTheirNotices) {
  ModelBar bar;
  bar.M.SetParams(500, -10, 80);
  EXPECT_EQ(bar.Take(), (Strings{"old 0", "value"})) << "clamped; no part pressed yet: no notice";
  bar.M.PressedPart = scLineDown;
  bar.M.SetParams(90, -10, 80);
  EXPECT_EQ(bar.Take(), (Strings{"scroll 1 80"})) << "unchanged: the notice only";

  bar.M.SetParams(50, 0, 100);
  bar.Take();
  const std::pair<WORD, int> keys[] = {{VK_RIGHT, 51}, {VK_UP, 50}, {VK_NEXT, 60}, {VK_END, 100}, {VK_HOME, 0}};
  for (auto [key, want] : keys) {
    EXPECT_TRUE(bar.M.KeyDown(key));
    EXPECT_EQ(bar.Position, want) << key;
  }
  bar.M.KeyDown(VK_PRIOR);
  EXPECT_EQ(bar.Take().back(), "scroll 2 0") << "each key's notice carries its code";

  // A drag that is not smooth keeps its start however often the thumb is pressed again.
  bar.M.Smooth = false;
  bar.Position = 20;
  const TPoint grab = bar.At(bar.M.Layout().Center);
  bar.M.MouseDown(grab, psNormal);
  bar.M.MouseMove(Point(grab.x + 40, grab.y));
  bar.M.MouseDown(Point(grab.x + 40, grab.y), psNormal);
  EXPECT_TRUE(bar.Take().empty());
  bar.M.MouseUp(Point(grab.x + 60, grab.y), psNormal);
  EXPECT_EQ(bar.Take().front(), "old 20");
}

}  // namespace
}  // namespace korv::test
