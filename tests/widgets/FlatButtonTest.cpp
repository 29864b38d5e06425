// The flat button on real windows: properties, painting read back from the screen, real mouse
// and keyboard input, groups, the shared hover timer and the mended faults.
#include <gtest/gtest.h>

#include <thread>

#include "WidgetTestKit.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Streaming.h"
#include "widgets/TFlatButtonUnit.h"

using namespace korv;
using namespace korv::test;

namespace {

constexpr TColor kFocused = 0x40C0FF, kDown = 0x2060A0, kBorder = 0x8396A0, kHigh = 0xFFFFFF, kShadow = 0x000000;

class FlatButtonTest : public TWidgetTest {
 protected:
  TFlatButton* NewButton(int x, int y, int w = 90, int h = 30, const std::string& caption = "Go") {
    auto* b = NewComponent<TFlatButton>(Form);
    b->SetParent(Form);
    b->SetBounds(x, y, w, h);
    b->SetCaption(caption);
    b->SetColorFocused(kFocused);
    b->SetColorDown(kDown);
    return b;
  }

  // Background and frame of a painted button, sampled away from the caption.
  struct Look {
    TColor Back, TopLeft, BottomRight;
  };
  Look LookOf(TFlatButton* b) {
    TPixelImage img = Shot(b);
    const int w = b->ClientWidth(), h = b->ClientHeight();
    return {img.At(3, 3), img.At(0, h / 2), img.At(w - 1, h / 2)};
  }
  void ExpectLook(TFlatButton* b, TColor back, TColor tl, TColor br, const char* what) {
    Look l = LookOf(b);
    EXPECT_EQ(l.Back, RGBOf(back)) << what << ": background";
    EXPECT_EQ(l.TopLeft, RGBOf(tl)) << what << ": top-left frame";
    EXPECT_EQ(l.BottomRight, RGBOf(br)) << what << ": bottom-right frame";
  }

  void Click(TFlatButton* b, int x = -1, int y = -1) {
    MoveTo(At(b, x < 0 ? b->Width() / 2 : x, y < 0 ? b->Height() / 2 : y));
    Press();
    ASSERT_TRUE(PumpUntil([&] { return b->MouseHeld(); }));
    Release();
    ASSERT_TRUE(PumpUntil([&] { return !b->MouseHeld(); }));
  }
};

// A 4-frame glyph: each frame a magenta border round a solid colour; the bottom-left pixel
// (magenta) is the transparent colour.
constexpr TColor kMagenta = 0xFF00FF;
constexpr TColor kFrameColors[4] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0};

std::unique_ptr<TBitmap> MakeFrames(int frames, int size) {
  auto g = std::make_unique<TBitmap>(frames * size, size);
  FillBitmap(*g, Rect(0, 0, frames * size, size), kMagenta);
  for (int k = 0; k < frames; ++k)
    FillBitmap(*g, Rect(k * size + 3, 3, k * size + size - 3, size - 3), kFrameColors[k]);
  return g;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Properties

TEST_F(FlatButtonTest, ConstructionAndStoredDefaults) {
  auto* b = NewComponent<TFlatButton>(Form);
  EXPECT_EQ(b->Width(), 25);
  EXPECT_EQ(b->Height(), 25);
  EXPECT_EQ(b->ControlStyle(), static_cast<TControlStyle>(csCaptureMouse | csOpaque | csDoubleClicks));
  EXPECT_TRUE(b->ParentColor());
  EXPECT_TRUE(b->ParentFont());
  EXPECT_FALSE(b->TabStop());
  EXPECT_EQ(b->NumGlyphs(), 1);
  EXPECT_TRUE(b->Glyph()->Empty());
  EXPECT_EQ(b->Layout(), blGlyphTop);
  EXPECT_EQ(b->Margin(), -1);
  EXPECT_EQ(b->Spacing(), 4);
  EXPECT_EQ(b->ModalResult, mrNone);
  EXPECT_EQ(b->TransparentMode(), tmNone);

  // Every published value of a fresh button equals its stored default except the ones the
  // constructor leaves to the parent (Color) or the tab order: so nothing else is written.
  b->SetParent(Form);
  std::vector<std::string> differing;
  for (const TPropInfo* p : GetPropList(TFlatButton::StaticClass())) {
    if (p->Kind == TPropKind::String || p->Kind == TPropKind::Object || p->Kind == TPropKind::Component) continue;
    if (!p->HasDefault) continue;
    if (p->IsStored && !p->IsStored(b)) continue;
    if (p->GetOrd(b) != p->DefaultOrd) differing.push_back(p->Name);
  }
  EXPECT_EQ(differing, std::vector<std::string>({"TabOrder"}));
}

TEST_F(FlatButtonTest, StreamingKeepsWhatDiffersFromTheDefaults) {
  auto* b = NewComponent<TFlatButton>(nullptr);
  b->SetGroupIndex(3);
  b->SetAllowAllUp(true);
  b->SetDown(true);
  b->SetLayout(blGlyphRight);
  b->SetMargin(2);
  b->SetSpacing(-1);
  b->SetColorDown(0x123456);
  b->SetAdvColorBorder(70);
  b->SetTransparentMode(tmNotFocused);
  b->ModalResult = mrOk;
  b->SetCaption("&Find");
  auto g = MakeFrames(2, 16);
  b->SetGlyph(g.get());
  std::vector<uint8_t> bytes = ComponentToBytes(b);
  delete b;

  auto* c = NewComponent<TFlatButton>(nullptr);
  ReadComponentFromMemory(bytes.data(), bytes.size(), c);
  EXPECT_EQ(c->GroupIndex(), 3);
  EXPECT_TRUE(c->AllowAllUp());
  EXPECT_TRUE(c->Down());
  EXPECT_EQ(c->Layout(), blGlyphRight);
  EXPECT_EQ(c->Margin(), 2);
  EXPECT_EQ(c->Spacing(), -1);
  EXPECT_EQ(c->ColorDown(), 0x123456);
  EXPECT_EQ(c->AdvColorBorder(), 70);
  EXPECT_EQ(c->TransparentMode(), tmNotFocused);
  EXPECT_EQ(c->ModalResult, mrOk);
  EXPECT_EQ(c->Caption(), "&Find");
  EXPECT_EQ(c->NumGlyphs(), 2);
  ASSERT_EQ(c->Glyph()->Width(), 32);
  EXPECT_EQ(BitmapImage(*c->Glyph()).At(16 + 8, 8), kFrameColors[1]);
  delete c;
}

TEST_F(FlatButtonTest, GlyphSetsTheFrameCount) {
  auto* b = NewButton(10, 10);
  TBitmap g64(64, 16), g80(80, 16), g30(30, 16);
  b->SetGlyph(&g64);
  EXPECT_EQ(b->NumGlyphs(), 4);
  b->SetGlyph(&g80);  // five frames exceed four
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetNumGlyphs(2);
  b->SetGlyph(&g30);  // not a multiple of the height: unchanged
  EXPECT_EQ(b->NumGlyphs(), 2);
  EXPECT_EQ(b->Glyph()->Width(), 30);
  b->SetGlyph(b->Glyph());  // the same object: nothing happens
  EXPECT_EQ(b->Glyph()->Width(), 30);
  EXPECT_THROW(b->SetNumGlyphs(5), ERangeError);
  EXPECT_THROW(b->SetNumGlyphs(0), ERangeError);
  EXPECT_THROW(b->SetAdvColorDown(101), ERangeError);
}

TEST_F(FlatButtonTest, MarginBelowMinusOneIsIgnored) {
  auto* b = NewButton(10, 10);
  b->SetMargin(5);
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), 5);
  b->SetMargin(-1);
  EXPECT_EQ(b->Margin(), -1);
}

TEST_F(FlatButtonTest, DownNeedsAGroup) {
  auto* b = NewButton(10, 10);
  b->SetDown(true);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->State(), fbsUp);
  b->SetGroupIndex(1);
  b->SetDown(true);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->State(), fbsExclusive);
  b->SetDown(false);  // a down member without AllowAllUp stays down
  EXPECT_TRUE(b->Down());
}

TEST_F(FlatButtonTest, AdvancedColoursFollowTheColourOnlyWhenAsked) {
  Form->SetColor(0x70A0C0);
  auto* b = NewButton(10, 10);
  const TColor focused = b->ColorFocused(), down = b->ColorDown(), border = b->ColorBorder();
  b->SetParentColor(false);
  b->SetColor(0x204060);
  EXPECT_EQ(b->ColorFocused(), focused);
  EXPECT_EQ(b->ColorDown(), down);
  EXPECT_EQ(b->ColorBorder(), border);

  // Switching them on takes the parent's colour back and derives the three colours from it.
  b->SetUseAdvColors(true);
  EXPECT_TRUE(b->ParentColor());
  EXPECT_EQ(b->Color(), 0x70A0C0);
  EXPECT_EQ(b->ColorFocused(), ShadeColor(0x70A0C0, focused, 10, false));
  EXPECT_EQ(b->ColorDown(), ShadeColor(0x70A0C0, down, 10, true));
  EXPECT_EQ(b->ColorBorder(), ShadeColor(0x70A0C0, border, 50, true));
  // A percentage of 0 keeps the colour.
  b->SetColorDown(0x010203);
  b->SetAdvColorDown(0);
  EXPECT_EQ(b->ColorDown(), 0x010203);
  // A new parent colour reaches the derived colours.
  b->SetAdvColorBorder(20);
  Form->SetColor(0x305070);
  EXPECT_EQ(b->ColorBorder(), ShadeColor(0x305070, clNone, 20, true));
}

// ---------------------------------------------------------------------------------------------
// Painting

TEST_F(FlatButtonTest, PaintsFrameAndBackgroundByState) {
  auto* b = NewButton(20, 20);
  ShowForm();
  ExpectLook(b, b->Color(), kBorder, kBorder, "up");
  EXPECT_EQ(Shot(b).At(1, 15), RGBOf(b->Color())) << "one ring only";

  b->SetDefault(true);
  EXPECT_EQ(Shot(b).At(1, 15), RGBOf(kBorder)) << "a default button has two rings";
  b->SetDefault(false);

  b->SetGroupIndex(1);
  b->SetDown(true);
  ExpectLook(b, kDown, kShadow, kHigh, "exclusive");

  b->SetEnabled(false);
  EXPECT_EQ(b->State(), fbsDisabled);
  ExpectLook(b, b->Color(), kBorder, kBorder, "disabled");
  b->SetEnabled(true);
  PumpPending();
  EXPECT_EQ(b->State(), fbsExclusive) << "the first paint after enabling restores the group state";
}

TEST_F(FlatButtonTest, CaptionIsLaidOutWithTheMeasuredText) {
  auto* b = NewButton(20, 20, 120, 40, "Search now");
  ShowForm();
  (void)Shot(b);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b->Font()->Handle());
  SIZE ext{};
  GetTextExtentPoint32A(dc, "Search now", 10, &ext);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  const TRect r = b->CaptionRect();
  EXPECT_EQ(RectWidth(r), ext.cx);
  EXPECT_EQ(RectHeight(r), ext.cy);
  // No glyph: spacing 0, automatic margin centres the caption vertically (top layout).
  EXPECT_EQ(r.top, (40 - ext.cy + 1) / 2);
  EXPECT_EQ(r.left, (120 - ext.cx + 1) / 2);
  // Every pixel that is not the background lies inside the caption's rectangle (or the frame).
  TPixelImage img = Shot(b);
  const TColor back = RGBOf(b->Color());
  for (int y = 1; y < 39; ++y)
    for (int x = 1; x < 119; ++x)
      if (img.At(x, y) != back) {
        POINT p{x, y};
        ASSERT_TRUE(PtInRect(&r, p)) << x << "," << y;
      }
}

TEST_F(FlatButtonTest, GlyphFrameFollowsTheState) {
  auto* b = NewButton(20, 20, 60, 40, "");
  auto g = MakeFrames(4, 16);
  b->SetGlyph(g.get());
  ASSERT_EQ(b->NumGlyphs(), 4);
  ShowForm();
  auto centre = [&] {
    TPixelImage img = Shot(b);
    const TPoint o = b->GlyphOrigin();
    return img.At(o.x + 8, o.y + 8);
  };
  auto corner = [&] {
    TPixelImage img = Shot(b);
    const TPoint o = b->GlyphOrigin();
    return img.At(o.x + 1, o.y + 1);
  };
  EXPECT_EQ(centre(), kFrameColors[0]) << "up";
  EXPECT_EQ(corner(), RGBOf(b->Color())) << "the transparent colour shows the background";
  EXPECT_EQ(b->GlyphOrigin().x, (60 - 16 + 1) / 2);

  b->SetEnabled(false);
  EXPECT_EQ(centre(), kFrameColors[1]) << "disabled";
  b->SetEnabled(true);

  MoveTo(At(b, 5, 5));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; }));
  EXPECT_EQ(centre(), kFrameColors[2]) << "pressed";
  EXPECT_EQ(b->GlyphOrigin().x, (60 - 16 + 1) / 2 + 1) << "pressed content moves by (1, 1)";
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !b->MouseHeld(); }));

  b->SetGroupIndex(1);
  b->SetDown(true);
  MoveTo(Elsewhere());
  b->EndHover();
  ASSERT_TRUE(PumpUntil([&] { return !b->Hot(); }));
  EXPECT_EQ(centre(), kFrameColors[3]) << "exclusive";

  // Three frames: the last frame runs to the glyph's full width.
  auto g3 = MakeFrames(3, 16);
  b->SetGlyph(g3.get());
  EXPECT_EQ(centre(), kFrameColors[2]) << "exclusive with three frames";
}

TEST_F(FlatButtonTest, DisabledSingleGlyphIsEngraved) {
  auto* b = NewButton(20, 20, 60, 40, "");
  b->SetParentColor(false);
  b->SetColor(0x80FF80);
  TBitmap g(16, 16);
  FillBitmap(g, Rect(0, 0, 16, 16), kMagenta);
  FillBitmap(g, Rect(4, 4, 10, 10), clBlack);
  FillBitmap(g, Rect(12, 2, 14, 4), 0x0000FF);  // neither black nor transparent
  b->SetGlyph(&g);
  b->SetEnabled(false);
  ShowForm();
  TPixelImage img = Shot(b);
  const TPoint o = b->GlyphOrigin();
  const TColor shadow = RGBOf(clBtnShadow), high = RGBOf(clBtnHighlight), back = RGBOf(b->Color());
  // The black shape in the shadow colour, its copy one pixel down and right in the highlight
  // colour, everything else transparent (the engraved image's face colour is its bottom-left).
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool shape = x >= 4 && x < 10 && y >= 4 && y < 10;
      const bool lit = x >= 5 && x < 11 && y >= 5 && y < 11;
      const TColor want = shape ? shadow : lit ? high : back;
      EXPECT_EQ(img.At(o.x + x, o.y + y), want) << x << "," << y;
    }
}

TEST_F(FlatButtonTest, DisabledCaptionIsDrawnTwice) {
  auto* b = NewButton(20, 20, 100, 30, "Delete");
  b->SetEnabled(false);
  ShowForm();
  TPixelImage img = Shot(b);
  const TRect r = b->CaptionRect();
  const TColor shadow = RGBOf(clBtnShadow), high = RGBOf(clBtnHighlight), back = RGBOf(b->Color());
  int shadowPx = 0, highPx = 0;
  for (int y = 1; y < 29; ++y)
    for (int x = 1; x < 99; ++x) {
      const TColor c = img.At(x, y);
      if (c == back) continue;
      // Text pixels lie in the caption's rectangle or its copy moved by (1, 1).
      POINT p{x, y}, q{x - 1, y - 1};
      ASSERT_TRUE(PtInRect(&r, p) || PtInRect(&r, q)) << x << "," << y;
      shadowPx += c == shadow;
      highPx += c == high;
    }
  EXPECT_GT(shadowPx, 0);
  if (high != back) {
    EXPECT_GT(highPx, 0);
  }
}

TEST_F(FlatButtonTest, TransparentModesShowTheParent) {
  Form->SetColor(0x3060C0);
  auto* b = NewButton(20, 20);
  b->SetParentColor(false);
  b->SetColor(0xE1EAEB);
  b->SetTransparentMode(tmNotFocused);
  ShowForm();
  ExpectLook(b, 0x3060C0, kBorder, kBorder, "unlit, not focused: the parent shows");
  b->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  ExpectLook(b, kFocused, kHigh, kShadow, "focused: its own colour");
  b->SetTransparentMode(tmAlways);
  ExpectLook(b, 0x3060C0, kHigh, kShadow, "always: the parent even when lit");
}

// ---------------------------------------------------------------------------------------------
// Mouse

TEST_F(FlatButtonTest, HoverLightsAndTheTimerEndsIt) {
  auto* b = NewButton(20, 20);
  TEventCounter enter, leave;
  b->OnMouseEnter = enter.Event();
  b->OnMouseLeave = leave.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  EXPECT_EQ(TFlatButton::HoveredButton(), b);
  ASSERT_NE(TFlatButton::HoverTimer(), nullptr);
  EXPECT_TRUE(TFlatButton::HoverTimer()->Enabled());
  EXPECT_EQ(TFlatButton::HoverTimer()->Interval(), 100u);
  ExpectLook(b, kFocused, kHigh, kShadow, "lit");
  EXPECT_TRUE(PumpUntil([&] { return enter.Count == 1; }));

  MoveTo(Elsewhere());
  ASSERT_TRUE(PumpUntil([&] { return !b->Hot(); }));
  EXPECT_EQ(TFlatButton::HoveredButton(), nullptr);
  EXPECT_FALSE(TFlatButton::HoverTimer()->Enabled());
  ExpectLook(b, b->Color(), kBorder, kBorder, "after hover");
  EXPECT_TRUE(PumpUntil([&] { return leave.Count == 1; }));
  EXPECT_EQ(leave.Sender, b);
}

TEST_F(FlatButtonTest, OnlyOneButtonIsLitByTheMouse) {
  auto* a = NewButton(20, 20);
  auto* b = NewButton(20, 60);
  ShowForm();
  MoveTo(At(a, 10, 10));
  ASSERT_TRUE(PumpUntil([&] { return a->Hot(); }));
  MoveTo(At(b, 10, 10));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  EXPECT_FALSE(a->Hot());
  EXPECT_EQ(TFlatButton::HoveredButton(), b);
}

TEST_F(FlatButtonTest, PressAndReleaseInsideClicks) {
  auto* b = NewButton(20, 20);
  b->ModalResult = mrYes;
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; }));
  EXPECT_TRUE(b->MouseHeld());
  ExpectLook(b, kDown, kShadow, kHigh, "pressed");
  EXPECT_EQ(clicks.Count, 0);
  Release();
  ASSERT_TRUE(PumpUntil([&] { return clicks.Count == 1; }));
  EXPECT_EQ(clicks.Sender, b);
  EXPECT_EQ(Form->ModalResult(), mrYes);
  EXPECT_EQ(b->State(), fbsUp);
  EXPECT_TRUE(b->Hot()) << "still under the mouse";
  ExpectLook(b, kFocused, kHigh, kShadow, "lit after the click");
}

TEST_F(FlatButtonTest, DragOutAndReleaseOutsideDoesNotClick) {
  auto* b = NewButton(20, 20);
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; }));
  MoveTo(At(b, 45, 80));
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsUp; })) << "outside while held: drawn up";
  MoveTo(At(b, 45, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; })) << "back inside: drawn pressed";
  MoveTo(At(b, 45, 80));
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsUp; }));
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !b->MouseHeld(); }));
  PumpPending();
  EXPECT_EQ(clicks.Count, 0);
  EXPECT_EQ(b->State(), fbsUp);
  EXPECT_FALSE(b->Hot());
  ExpectLook(b, b->Color(), kBorder, kBorder, "up and unlit");
}

TEST_F(FlatButtonTest, ReleaseOnTheRowBelowClicksButNotOnTheColumnRight) {
  auto* b = NewButton(20, 20, 90, 30);
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->MouseHeld(); }));
  MoveTo(At(b, 45, b->ClientHeight()));  // one pixel below the bottom edge
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; }));
  Release();
  ASSERT_TRUE(PumpUntil([&] { return clicks.Count == 1; }));

  MoveTo(At(b, 45, 15));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->MouseHeld(); }));
  MoveTo(At(b, b->ClientWidth(), 15));  // one pixel right of the right edge
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsUp; }));
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !b->MouseHeld(); }));
  PumpPending();
  EXPECT_EQ(clicks.Count, 1);
}

TEST_F(FlatButtonTest, AClickReleasedOnTheRowBelowStopsTheTimerAndTheButtonLightsAgain) {
  auto* b = NewButton(20, 20, 90, 30);
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->MouseHeld(); }));
  MoveTo(At(b, 45, b->ClientHeight()));  // the row just below: a release there clicks
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; }));
  Release();
  ASSERT_TRUE(PumpUntil([&] { return clicks.Count == 1; }));
  PumpPending();
  // The pointer is off the button: nothing is lit, so the shared timer is not running.
  EXPECT_FALSE(b->Hot());
  EXPECT_EQ(TFlatButton::HoveredButton(), nullptr);
  EXPECT_FALSE(TFlatButton::HoverTimer()->Enabled());

  MoveTo(At(b, 45, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); })) << "back on the button: lit again";
  EXPECT_EQ(TFlatButton::HoveredButton(), b);
  EXPECT_TRUE(TFlatButton::HoverTimer()->Enabled());
  ExpectLook(b, kFocused, kHigh, kShadow, "lit again");
  MoveTo(Elsewhere());
  ASSERT_TRUE(PumpUntil([&] { return !b->Hot(); }));
  EXPECT_FALSE(TFlatButton::HoverTimer()->Enabled());
}

TEST_F(FlatButtonTest, GroupMembersAreExclusive) {
  auto* a = NewButton(20, 20);
  auto* b = NewButton(120, 20);
  auto* c = NewButton(220, 20);
  auto* other = NewButton(20, 80);
  for (TFlatButton* x : {a, b, c}) x->SetGroupIndex(1);
  other->SetGroupIndex(2);
  other->SetDown(true);
  ShowForm();
  Click(a);
  EXPECT_TRUE(a->Down());
  Click(b);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(a->State(), fbsUp);
  EXPECT_FALSE(c->Down());
  EXPECT_TRUE(other->Down()) << "another group is not touched";
  Click(b);  // the down member stays down without AllowAllUp
  EXPECT_TRUE(b->Down());
  ExpectLook(a, a->Color(), kBorder, kBorder, "released member");
  MoveTo(Elsewhere());
  ASSERT_TRUE(PumpUntil([&] { return !b->Hot(); }));
  ExpectLook(b, kDown, kShadow, kHigh, "down member");

  // AllowAllUp spreads through the group; then a click releases the down member.
  c->SetAllowAllUp(true);
  EXPECT_TRUE(a->AllowAllUp());
  EXPECT_TRUE(b->AllowAllUp());
  EXPECT_FALSE(other->AllowAllUp());
  Click(b);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->State(), fbsUp);
}

TEST_F(FlatButtonTest, DoubleClickOnADownMember) {
  auto* b = NewButton(20, 20);
  b->SetGroupIndex(1);
  TEventCounter dbl;
  b->OnDblClick = dbl.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  Input([](TInputDriver& d) { d.LeftDown() && d.LeftUp() && d.LeftDown() && d.LeftUp(); });
  ASSERT_TRUE(PumpUntil([&] { return dbl.Count == 1; }));
  EXPECT_TRUE(b->Down());
}

// ---------------------------------------------------------------------------------------------
// Keyboard

TEST_F(FlatButtonTest, SpaceHeldPaintsPressedAndReleaseClicks) {
  auto* b = NewButton(20, 20);
  b->SetTabStop(true);
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  ShowForm();
  b->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return b->Focused() && b->Hot(); }));
  KeyDown(VK_SPACE);
  ASSERT_TRUE(PumpUntil([&] { return b->State() == fbsDown; }));
  Look l = LookOf(b);
  EXPECT_EQ(l.Back, RGBOf(kDown));
  EXPECT_EQ(clicks.Count, 0);
  KeyUp(VK_SPACE);
  ASSERT_TRUE(PumpUntil([&] { return clicks.Count == 1; }));
  EXPECT_EQ(b->State(), fbsUp);

  // Other keys are swallowed: no click, no state change.
  KeyDown(VK_RETURN);
  KeyUp(VK_RETURN);
  PumpPending();
  EXPECT_EQ(clicks.Count, 1);
}

TEST_F(FlatButtonTest, AcceleratorThroughTheForm) {
  auto* b = NewButton(20, 20, 90, 30, "&Go");
  auto* g = NewButton(120, 20, 90, 30, "&Pick");
  g->SetGroupIndex(4);
  auto* disabled = NewButton(20, 80, 90, 30, "&Quit");
  disabled->SetEnabled(false);
  b->ModalResult = mrOk;
  TEventCounter clicks, groupClicks, disabledClicks;
  b->OnClick = clicks.Event();
  g->OnClick = groupClicks.Event();
  disabled->OnClick = disabledClicks.Event();
  ShowForm();
  Input([](TInputDriver& d) { d.Key(VK_MENU, true) && d.Tap('G') && d.Key(VK_MENU, false); });
  ASSERT_TRUE(PumpUntil([&] { return clicks.Count == 1; }));
  EXPECT_EQ(Form->ModalResult(), mrOk);
  Input([](TInputDriver& d) { d.Key(VK_MENU, true) && d.Tap('P') && d.Key(VK_MENU, false); });
  ASSERT_TRUE(PumpUntil([&] { return groupClicks.Count == 1; }));
  EXPECT_TRUE(g->Down());
  Input([](TInputDriver& d) { d.Key(VK_MENU, true) && d.Tap('Q') && d.Key(VK_MENU, false); });
  PumpPending();
  EXPECT_EQ(disabledClicks.Count, 0);
  EXPECT_EQ(clicks.Count, 1);
  // Straight through the message: only the matching enabled button answers.
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'g', 0), 1);
  EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'x', 0), 0);
  EXPECT_EQ(disabled->Perform(CM_DIALOGCHAR, 'q', 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Click, hover end, shared state

TEST_F(FlatButtonTest, ClickRunsOnTheCallingThread) {
  auto* b = NewButton(20, 20);
  b->ModalResult = mrCancel;
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  DWORD worker = 0;
  std::thread t([&] {
    worker = GetCurrentThreadId();
    b->Click();
  });
  t.join();
  EXPECT_EQ(clicks.Count, 1);
  EXPECT_EQ(clicks.Thread, worker);
  EXPECT_NE(clicks.Thread, GetCurrentThreadId());
  EXPECT_EQ(Form->ModalResult(), mrCancel);

  // Without a parent there is no form to tell; OnClick still runs.
  auto* loose = NewComponent<TFlatButton>(Form);
  loose->ModalResult = mrAbort;
  loose->OnClick = clicks.Event();
  loose->Click();
  EXPECT_EQ(clicks.Count, 2);
  EXPECT_EQ(Form->ModalResult(), mrCancel);
}

TEST_F(FlatButtonTest, EndHoverClearsTheLitLookUnlessHeld) {
  auto* b = NewButton(20, 20);
  ShowForm();
  MoveTo(At(b, 45, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  b->EndHover();
  EXPECT_FALSE(b->Hot());
  EXPECT_EQ(TFlatButton::HoveredButton(), nullptr);
  ExpectLook(b, b->Color(), kBorder, kBorder, "after EndHover");

  MoveTo(At(b, 40, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->MouseHeld(); }));
  b->EndHover();
  EXPECT_TRUE(b->Hot()) << "held: stays lit";
  Release();
  ASSERT_TRUE(PumpUntil([&] { return !b->MouseHeld(); }));
}

TEST_F(FlatButtonTest, DisablingEndsTheLitLook) {
  auto* b = NewButton(20, 20);
  ShowForm();
  MoveTo(At(b, 45, 15));
  ASSERT_TRUE(PumpUntil([&] { return b->Hot(); }));
  b->SetEnabled(false);
  EXPECT_FALSE(b->Hot());
  EXPECT_EQ(b->State(), fbsDisabled);
  EXPECT_EQ(TFlatButton::HoveredButton(), nullptr);
  // Enabled again under the mouse: lit again.
  b->SetEnabled(true);
  EXPECT_TRUE(b->Hot());
}

TEST_F(FlatButtonTest, TheLastButtonFreesTheSharedTimer) {
  for (TCustomForm* f : Forms_) delete f;
  Forms_.clear();
  ASSERT_EQ(TFlatButton::FlatButtonCount(), 0);
  EXPECT_EQ(TFlatButton::HoverTimer(), nullptr);
  auto* a = NewComponent<TFlatButton>(nullptr);
  TTimer* t = TFlatButton::HoverTimer();
  ASSERT_NE(t, nullptr);
  EXPECT_FALSE(t->Enabled());
  auto* b = NewComponent<TFlatButton>(nullptr);
  EXPECT_EQ(TFlatButton::HoverTimer(), t);
  EXPECT_EQ(TFlatButton::FlatButtonCount(), 2);
  delete a;
  EXPECT_EQ(TFlatButton::HoverTimer(), t);
  delete b;
  EXPECT_EQ(TFlatButton::FlatButtonCount(), 0);
  EXPECT_EQ(TFlatButton::HoverTimer(), nullptr);
  auto* c = NewComponent<TFlatButton>(nullptr);
  EXPECT_NE(TFlatButton::HoverTimer(), nullptr);
  delete c;
  EXPECT_EQ(TFlatButton::HoverTimer(), nullptr);
}

TEST_F(FlatButtonTest, PaintingLeaksNoGdiObjects) {
  auto* b = NewButton(20, 20, 60, 40, "Go");
  TBitmap one(16, 16);
  FillBitmap(one, Rect(0, 0, 16, 16), kMagenta);
  FillBitmap(one, Rect(4, 4, 10, 10), clBlack);
  auto four = MakeFrames(4, 16);
  b->SetGlyph(&one);
  ShowForm();
  auto cycle = [&] {
    for (TTransparentMode mode : {tmNone, tmNotFocused, tmAlways}) {
      b->SetTransparentMode(mode);
      b->SetEnabled(false);  // the engraved glyph
      b->Repaint();
      b->SetEnabled(true);
      b->Repaint();
    }
  };
  cycle();
  PumpPending();
  const DWORD before = GdiObjectCount();
  for (int i = 0; i < 5; ++i) cycle();
  b->SetGlyph(four.get());
  for (int i = 0; i < 5; ++i) cycle();
  b->SetGlyph(&one);
  PumpPending();
  EXPECT_EQ(GdiObjectCount(), before);
}

// ---------------------------------------------------------------------------------------------
// Mended faults

TEST_F(FlatButtonTest, GlyphNarrowerThanItsFrameCountDrawsNothing) {
  auto* b = NewButton(20, 20, 60, 40, "");
  TBitmap g(3, 16);
  FillBitmap(g, Rect(0, 0, 3, 16), 0x0000C0);
  b->SetGlyph(&g);
  b->SetNumGlyphs(4);
  ShowForm();
  TPixelImage img = Shot(b);
  for (int y = 1; y < 39; ++y)
    for (int x = 1; x < 59; ++x) ASSERT_EQ(img.At(x, y), RGBOf(b->Color())) << x << "," << y;
}

TEST_F(FlatButtonTest, ButtonPressedFromSomethingElseIsIgnored) {
  auto* b = NewButton(20, 20);
  b->SetGroupIndex(1);
  b->SetDown(true);
  auto* panel = NewComponent<TPanel>(Form);
  panel->SetParent(Form);
  // The sender is not a flat button: neither read nor obeyed.
  b->Perform(CM_BUTTONPRESSED, 1, reinterpret_cast<LPARAM>(panel));
  b->Perform(CM_BUTTONPRESSED, 1, static_cast<LPARAM>(0x1234));
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(b->AllowAllUp());
  // A real member of the group is obeyed.
  auto* other = NewButton(120, 20);
  other->SetGroupIndex(1);
  other->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp());
  other->SetDown(true);
  EXPECT_FALSE(b->Down());
}

TEST_F(FlatButtonTest, LostCaptureEndsThePressWithoutAClick) {
  auto* b = NewButton(20, 20);
  TEventCounter clicks;
  b->OnClick = clicks.Event();
  ShowForm();
  MoveTo(At(b, 45, 15));
  Press();
  ASSERT_TRUE(PumpUntil([&] { return b->MouseHeld(); }));
  SendMessageA(b->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(b->MouseHeld());
  EXPECT_EQ(b->State(), fbsUp);
  Release();
  PumpPending();
  EXPECT_EQ(clicks.Count, 0);
  ExpectLook(b, kFocused, kHigh, kShadow, "up, still under the mouse");
}
