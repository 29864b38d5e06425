// The flat splitter on real windows: painting, hover, real drags that resize the neighbour with
// the inverted line on the parent, limits, Escape, and the abort paths.
#include <gtest/gtest.h>

#include "WidgetTestKit.h"
#include "classlib/ExtCtrls.h"
#include "widgets/TFlatSplitterUnit.h"

using namespace korv;
using namespace korv::test;

namespace {

// A focusable window that counts the keys its OnKeyDown sees.
class TFocusBox : public TCustomControl {
 public:
  explicit TFocusBox(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  void Keys(TObject*, WORD& key, TShiftState) { Seen.push_back(key); }
  std::vector<WORD> Seen;
};

class FlatSplitterTest : public TWidgetTest {
 protected:
  // [left panel 150][splitter][client panel], with a focus box on the client panel.
  void Build(TAlign side = alLeft) {
    Form->SetColor(0x9DB8C8);
    Side = NewComponent<TPanel>(Form);
    Side->SetParent(Form);
    Side->SetColor(0x50A050);
    Side->SetParentColor(false);
    Splitter = NewComponent<TFlatSplitter>(Form);
    if (side == alLeft) {
      Side->SetAlign(alLeft);
      Side->SetWidth(150);
      Splitter->SetLeft(200);  // right of the panel
      Splitter->SetParent(Form);
    } else {
      Side->SetAlign(alRight);
      Side->SetWidth(150);
      Splitter->SetParent(Form);
      Splitter->SetLeft(10);  // left of the panel
      Splitter->SetAlign(alRight);
    }
    Rest = NewComponent<TPanel>(Form);
    Rest->SetParent(Form);
    Rest->SetAlign(alClient);
    Rest->SetColor(0xD0D0F0);
    Rest->SetParentColor(false);
    Box = NewComponent<TFocusBox>(Form);
    Box->SetParent(Rest);
    Box->SetBounds(60, 60, 40, 20);
    Box->OnKeyDown = TKeyEvent(Box, &TFocusBox::Keys);
    Splitter->OnMoved = Moved.Event();
  }

  void ShowWithFocus() {
    ShowForm();
    Box->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return Box->Focused(); }));
  }

  [[nodiscard]] TPoint SplitterCentre() const {
    return Form->ClientToScreen(
        Point(Splitter->Left() + Splitter->Width() / 2, Splitter->Top() + Splitter->Height() / 2));
  }
  [[nodiscard]] TPoint FormPoint(int x, int y) const { return Form->ClientToScreen(Point(x, y)); }

  // Presses on the splitter and moves dx, dy in steps until the drag has taken the position.
  void StartDrag(int dx, int dy) {
    const TPoint c = SplitterCentre();
    // From beside the splitter onto it, so that the pointer really moves in.
    MoveTo(Point(c.x - 10, c.y - 10));
    MoveTo(c);
    ASSERT_TRUE(PumpUntil([&] { return Splitter->Lit(); }));
    Press();
    ASSERT_TRUE(PumpUntil([&] { return Splitter->Sizing(); }));
    Input([&](TInputDriver& d) { d.MoveInSteps(c.x, c.y, c.x + dx, c.y + dy, 4); });
    PumpPending();
  }

  // Builds and shows the layout, lights the splitter, keeps a shot of the form in before and drags
  // the bar 40 px to the right, until the drag has taken the left panel's new size 190.
  void DragRightBy40(TPixelImage& before) {
    Build();
    ShowWithFocus();
    MoveTo(SplitterCentre());
    ASSERT_TRUE(PumpUntil([&] { return Splitter->Lit(); }));
    before = FormShot();
    StartDrag(40, 0);
    ASSERT_TRUE(PumpUntil([&] { return Splitter->NewSize() == 190; }))
        << Splitter->NewSize() << " sizing " << Splitter->Sizing();
  }

  TPanel* Side = nullptr;
  TPanel* Rest = nullptr;
  TFocusBox* Box = nullptr;
  TFlatSplitter* Splitter = nullptr;
  TEventCounter Moved;
};

// Every pixel of rect either kept or inverted against before; returns the inverted share.
double InvertedShare(const TPixelImage& before, const TPixelImage& now, const TRect& r) {
  int inverted = 0, total = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const TColor a = before.At(x, y), b = now.At(x, y);
      ++total;
      if (a == b) continue;
      EXPECT_EQ(b, a ^ 0xFFFFFF) << x << "," << y;
      ++inverted;
    }
  return total ? static_cast<double>(inverted) / total : 0;
}

}  // namespace

TEST_F(FlatSplitterTest, ConstructionDefaults) {
  auto* s = NewComponent<TFlatSplitter>(Form);
  EXPECT_EQ(s->Align(), alLeft);
  EXPECT_EQ(s->Width(), 5);
  EXPECT_EQ(s->Cursor(), crHSplit);
  EXPECT_EQ(s->MinSize(), 30);
  EXPECT_TRUE(s->ParentColor());
  EXPECT_EQ(s->ColorFocused(), 0x53D2FF);
  EXPECT_EQ(s->ColorBorder(), 0x555E66);
  // Not the stored default of 50: a form that does not store them gets 0.
  EXPECT_EQ(s->AdvColorBorder(), 0);
  EXPECT_EQ(s->AdvColorFocused(), 0);
  EXPECT_TRUE(s->ControlStyle() & csOpaque);
  EXPECT_FALSE(s->Lit());
  EXPECT_THROW(s->SetMinSize(0), ERangeError);
  const TPropInfo* p = GetPropInfo(TFlatSplitter::StaticClass(), "AdvColorBorder");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->DefaultOrd, 50);
}

TEST_F(FlatSplitterTest, PaintsFlatAndLightsUnderTheMouse) {
  Build();
  ShowForm();
  const int x = Splitter->Left(), y = Splitter->Height() / 2;
  TPixelImage img = FormShot();
  EXPECT_EQ(img.At(x, y), RGBOf(Splitter->ColorBorder()));
  EXPECT_EQ(img.At(x + 4, y), RGBOf(Splitter->ColorBorder()));
  EXPECT_EQ(img.At(x + 2, 0), RGBOf(Splitter->ColorBorder()));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(img.At(x + i, y), RGBOf(Form->Color())) << i;

  MoveTo(SplitterCentre());
  ASSERT_TRUE(PumpUntil([&] { return Splitter->Lit(); }));
  EXPECT_TRUE(PumpUntil([&] { return GetCursor() == Screen->Cursors(crHSplit); })) << "the split cursor";
  img = FormShot();
  for (int i = 1; i < 4; ++i) EXPECT_EQ(img.At(x + i, y), RGBOf(Splitter->ColorFocused())) << i;
  EXPECT_EQ(img.At(x, y), RGBOf(Splitter->ColorBorder()));

  MoveTo(Elsewhere());
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Lit(); }));
  EXPECT_EQ(FormShot().At(x + 2, y), RGBOf(Form->Color()));
}

TEST_F(FlatSplitterTest, DragResizesTheNeighbourWithAnInvertedLine) {
  TPixelImage before;
  ASSERT_NO_FATAL_FAILURE(DragRightBy40(before));
  EXPECT_EQ(Splitter->ResizedControl(), Side);
  EXPECT_TRUE(Splitter->LineVisible());
  const TRect line = Splitter->LineRect();
  EXPECT_EQ(line.left, 190);
  EXPECT_EQ(RectWidth(line), 5);
  // The line is inverted on the parent's pixels: a halftone, so about half of them.
  const double share = InvertedShare(before, CaptureClient(Form->Handle()), line);
  EXPECT_GT(share, 0.4);
  EXPECT_LT(share, 0.6);
  EXPECT_EQ(Side->Width(), 150) << "nothing is applied before the release";
  EXPECT_EQ(Moved.Count, 0);

  Release();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_EQ(Side->Width(), 190);
  EXPECT_EQ(Splitter->Left(), 190);
  EXPECT_EQ(Moved.Count, 1);
  EXPECT_EQ(Moved.Sender, Splitter);
  // The key handler is the box's own again.
  EXPECT_TRUE(Box->OnKeyDown == TKeyEvent(Box, &TFocusBox::Keys));
}

TEST_F(FlatSplitterTest, DragStopsAtTheLimits) {
  Build();
  ShowWithFocus();
  StartDrag(-140, 0);
  ASSERT_TRUE(PumpUntil([&] { return Splitter->NewSize() == Splitter->MinSize(); }));
  // The line shows the limited size.
  EXPECT_EQ(Splitter->LineRect().left, Side->Left() + Splitter->MinSize());
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_EQ(Side->Width(), 30);

  // Largest: client width - MinSize - (left/right-aligned widths, the splitter's included) +
  // the resized control's own width.
  const int largest = Form->ClientWidth() - 30 - (30 + 5) + 30;
  // Far enough to pass the limit, but inside the form: moves outside it may not be reported.
  StartDrag(Form->ClientWidth() - 10 - (Splitter->Left() + 2), 0);
  ASSERT_TRUE(PumpUntil([&] { return Splitter->NewSize() == largest; })) << Splitter->NewSize() << " vs " << largest;
  EXPECT_EQ(Splitter->MaxSize(), largest);
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_EQ(Side->Width(), largest);
  EXPECT_EQ(Moved.Count, 2);
}

TEST_F(FlatSplitterTest, EscapeCancelsAndRestores) {
  TPixelImage before;
  ASSERT_NO_FATAL_FAILURE(DragRightBy40(before));
  const TRect line = Splitter->LineRect();
  // Other keys during the drag reach the box's own handler.
  KeyDown('A');
  KeyUp('A');
  ASSERT_TRUE(PumpUntil([&] { return !Box->Seen.empty(); }));
  EXPECT_EQ(Box->Seen.back(), 'A');

  KeyDown(VK_ESCAPE);
  KeyUp(VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_FALSE(Splitter->LineVisible());
  EXPECT_EQ(Moved.Count, 1) << "a cancelled drag fires OnMoved too";
  EXPECT_EQ(Side->Width(), 150);
  EXPECT_TRUE(Box->OnKeyDown == TKeyEvent(Box, &TFocusBox::Keys));
  EXPECT_EQ(std::count(Box->Seen.begin(), Box->Seen.end(), VK_ESCAPE), 0);
  // The inverted line is gone: the pixels under it are what they were.
  EXPECT_EQ(InvertedShare(before, CaptureClient(Form->Handle()), line), 0.0);

  Release();
  PumpPending();
  EXPECT_EQ(Side->Width(), 150);
  EXPECT_EQ(Moved.Count, 1);
}

TEST_F(FlatSplitterTest, DragsLeakNoGdiObjects) {
  Build();
  ShowWithFocus();
  StartDrag(20, 0);
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  PumpPending();
  const DWORD before = GdiObjectCount();
  for (int i = 0; i < 3; ++i) {
    StartDrag(i % 2 ? -20 : 20, 0);
    KeyDown(VK_ESCAPE);
    KeyUp(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
    Release();
    StartDrag(10, 0);
    Release();
    ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  }
  PumpPending();
  EXPECT_EQ(GdiObjectCount(), before);
  EXPECT_EQ(Moved.Count, 1 + 6);
}

TEST_F(FlatSplitterTest, RightAlignedDragMovesTheNeighbourLeft) {
  Build(alRight);
  ShowWithFocus();
  ASSERT_EQ(Splitter->Left(), Form->ClientWidth() - 150 - 5);
  StartDrag(-40, 0);
  ASSERT_TRUE(PumpUntil([&] { return Splitter->NewSize() == 190; }))
      << Splitter->NewSize() << " sizing " << Splitter->Sizing();
  EXPECT_EQ(Splitter->LineRect().left, Splitter->Left() - 40);
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_EQ(Side->Width(), 190);
  EXPECT_EQ(Side->Left(), Form->ClientWidth() - 190);
  EXPECT_EQ(Moved.Count, 1);
}

TEST_F(FlatSplitterTest, TopAlignedLargestSize) {
  Form->SetClientHeight(300);
  auto* top = NewComponent<TPanel>(Form);
  top->SetParent(Form);
  top->SetAlign(alTop);
  top->SetHeight(214);
  Splitter = NewComponent<TFlatSplitter>(Form);
  Splitter->SetTop(250);
  Splitter->SetParent(Form);
  Splitter->SetAlign(alTop);
  Splitter->SetHeight(5);
  Splitter->SetMinSize(88);
  Splitter->OnMoved = Moved.Event();
  auto* rest = NewComponent<TPanel>(Form);
  rest->SetParent(Form);
  rest->SetAlign(alClient);
  ShowForm();
  ASSERT_EQ(Form->ClientHeight(), 300);
  ASSERT_EQ(Splitter->Top(), 214);
  StartDrag(0, 10);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHSplit)) << "one split cursor for every alignment";
  ASSERT_TRUE(PumpUntil([&] { return Splitter->NewSize() == 207; }));
  EXPECT_EQ(Splitter->MaxSize(), 300 - 88 - (214 + 5) + 214);
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_EQ(top->Height(), 207);
}

TEST_F(FlatSplitterTest, NothingAdjacentDoesNothing) {
  Splitter = NewComponent<TFlatSplitter>(Form);
  Splitter->SetParent(Form);
  Splitter->SetAlign(alTop);
  Splitter->SetHeight(6);
  Splitter->OnMoved = Moved.Event();
  ShowForm();
  MoveTo(SplitterCentre());
  Press();
  Input([&](TInputDriver& d) { d.MoveTo(SplitterCentre().x, SplitterCentre().y + 30); });
  Release();
  PumpPending();
  EXPECT_FALSE(Splitter->Sizing());
  EXPECT_EQ(Moved.Count, 0);
}

// ---------------------------------------------------------------------------------------------
// Mended faults

TEST_F(FlatSplitterTest, NoRoomForMinSizeDoesNotStart) {
  Build();
  Form->SetClientWidth(100);
  Side->SetWidth(50);
  Splitter->SetMinSize(60);  // largest 100 - 60 - 55 + 50 = 35 < 60
  ShowWithFocus();
  const TPoint c = SplitterCentre();
  MoveTo(c);
  Press();
  Input([&](TInputDriver& d) { d.MoveInSteps(c.x, c.y, c.x - 30, c.y, 3); });
  PumpPending();
  EXPECT_FALSE(Splitter->Sizing());
  Release();
  PumpPending();
  EXPECT_EQ(Side->Width(), 50);
  EXPECT_EQ(Moved.Count, 0);
  EXPECT_TRUE(Box->OnKeyDown == TKeyEvent(Box, &TFocusBox::Keys));
}

TEST_F(FlatSplitterTest, LostCaptureCancelsTheDrag) {
  TPixelImage before;
  ASSERT_NO_FATAL_FAILURE(DragRightBy40(before));
  const TRect line = Splitter->LineRect();
  ReleaseCapture();
  ASSERT_TRUE(PumpUntil([&] { return !Splitter->Sizing(); }));
  EXPECT_EQ(Side->Width(), 150);
  EXPECT_EQ(Moved.Count, 1);
  EXPECT_TRUE(Box->OnKeyDown == TKeyEvent(Box, &TFocusBox::Keys));
  EXPECT_EQ(InvertedShare(before, CaptureClient(Form->Handle()), line), 0.0);
  Release();
  PumpPending();
  EXPECT_EQ(Side->Width(), 150);
}

TEST_F(FlatSplitterTest, ActiveControlDestroyedDuringTheDrag) {
  Build();
  ShowWithFocus();
  StartDrag(40, 0);
  ASSERT_TRUE(PumpUntil([&] { return Splitter->NewSize() == 190; }))
      << Splitter->NewSize() << " sizing " << Splitter->Sizing();
  delete Box;
  Box = nullptr;
  EXPECT_FALSE(Splitter->Sizing());
  EXPECT_EQ(Moved.Count, 1);
  // Keys and the release after that reach nothing that is gone.
  KeyDown(VK_ESCAPE);
  KeyUp(VK_ESCAPE);
  Release();
  PumpPending();
  EXPECT_EQ(Side->Width(), 150);
}

TEST_F(FlatSplitterTest, SplitterDestroyedDuringTheDrag) {
  TPixelImage before;
  ASSERT_NO_FATAL_FAILURE(DragRightBy40(before));
  const TRect line = Splitter->LineRect();
  // No realignment while we look: the splitter's going would move the panels.
  Form->DisableAlign();
  delete Splitter;
  Splitter = nullptr;
  EXPECT_TRUE(Box->OnKeyDown == TKeyEvent(Box, &TFocusBox::Keys));
  EXPECT_EQ(Moved.Count, 0) << "no event from a splitter being destroyed";
  PumpPending();  // the window surface reaches the screen while messages are processed
  EXPECT_EQ(InvertedShare(before, CaptureClient(Form->Handle()), line), 0.0) << "the line was taken off";
  Form->EnableAlign();
  KeyDown(VK_ESCAPE);
  KeyUp(VK_ESCAPE);
  Release();
  PumpPending();
  EXPECT_EQ(Side->Width(), 150);
}

TEST_F(FlatSplitterTest, AdvancedColoursDarkenBoth) {
  Build();
  Splitter->SetUseAdvColors(true);
  // Percentages of 0 keep both colours.
  EXPECT_EQ(Splitter->ColorBorder(), 0x555E66);
  EXPECT_EQ(Splitter->ColorFocused(), 0x53D2FF);
  Splitter->SetAdvColorBorder(30);
  Splitter->SetAdvColorFocused(20);
  EXPECT_EQ(Splitter->ColorBorder(), ShadeColor(Form->Color(), clNone, 30, true));
  EXPECT_EQ(Splitter->ColorFocused(), ShadeColor(Form->Color(), clNone, 20, true));
  Form->SetColor(0x204080);
  EXPECT_EQ(Splitter->ColorBorder(), ShadeColor(0x204080, clNone, 30, true));
}
