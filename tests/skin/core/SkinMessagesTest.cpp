// Skin commands on their way through control trees, the colour question, and graphic children
// painted over a control's cached background (pixels read back).
#include <gtest/gtest.h>

#include "SkinCoreKit.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

// A windowed control that records the skin commands it is given. Aware: it answers command 7
// and relays commands to its children; Throws: it fails on every command it records.
class TProbe : public TCustomControl {
 public:
  explicit TProbe(TWinControl* parent, bool aware = false) : TCustomControl(parent), Aware(aware) {
    SetParent(parent);
    SetBounds(0, 0, 150, 60);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg != SM_ALPHACMD) return TCustomControl::WndProc(m);
    if (m.WParamHi() == skcHandlesSkinCmds) {
      m.LParam = Aware;
    } else if (m.WParamHi() == skcGetCache) {
      if (Cache) ParentCacheInfo = {Cache, 2, 3, true};
    } else {
      Got.push_back(m.WParamHi());
      if (Throws) throw Exception("a control failed");
      if (Aware) AlphaBroadcast(this, m);
    }
  }
  bool Aware;
  bool Throws = false;
  TBitmap* Cache = nullptr;
  std::vector<WORD> Got;
};

// A graphic control that records skin commands and paints Fill into Area.
class TGraphicProbe : public TGraphicControl {
 public:
  TGraphicProbe(TWinControl* parent, int x = 0, int y = 0) : TGraphicControl(parent) {
    SetParent(parent);
    SetBounds(x, y, 20, 20);
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) Got.push_back(m.WParamHi());
    TGraphicControl::Dispatch(m);
  }
  void Paint() override {
    if (Fill == clNone) return;
    Canvas()->Brush()->SetColor(Fill);
    Canvas()->FillRect(Area);
  }
  std::vector<WORD> Got;
  TColor Fill = clNone;
  TRect Area{0, 0, 20, 20};
};

const std::vector<WORD> kOnce{skcRefresh};

using SkinMessagesTest = TSkinCoreTest;

TEST_F(SkinMessagesTest, ABroadcastReachesEachControlOnceThroughThoseThatRelay) {
  TForm* form = NewForm();
  auto* g1 = NewComponent<TGraphicProbe>(form);
  auto* aware = NewComponent<TProbe>(form, true);
  auto* a1 = NewComponent<TGraphicProbe>(aware);
  auto* a2 = NewComponent<TProbe>(aware);
  auto* a2g = NewComponent<TGraphicProbe>(a2);
  auto* plain = NewComponent<TProbe>(form);
  auto* p1 = NewComponent<TGraphicProbe>(plain);
  auto* failing = NewComponent<TProbe>(plain, true);
  failing->Throws = true;
  auto* p2 = NewComponent<TGraphicProbe>(plain);
  auto* g2 = NewComponent<TGraphicProbe>(form);
  TMessage m = SkinCmdMessage(skcRefresh);
  EXPECT_NO_THROW(AlphaBroadcast(form, m));
  for (const TGraphicProbe* c : {g1, a1, a2g, p1, g2}) EXPECT_EQ(c->Got, kOnce);
  for (const TProbe* c : {aware, failing}) EXPECT_EQ(c->Got, kOnce);
  // A control that does not answer command 7 gets nothing itself; one that fails ends the walk
  // of its own level only.
  EXPECT_TRUE(a2->Got.empty() && plain->Got.empty() && p2->Got.empty());

  // The walk ends at the first child being destroyed.
  auto* box = NewComponent<TProbe>(form);
  auto* first = NewComponent<TGraphicProbe>(box);
  auto* dying = NewComponent<TGraphicProbe>(box);
  auto* last = NewComponent<TGraphicProbe>(box);
  dying->Destroying();
  AlphaBroadcast(box, m);
  EXPECT_EQ(first->Got, kOnce);
  EXPECT_TRUE(dying->Got.empty() && last->Got.empty());
}

TEST_F(SkinMessagesTest, AControlThatGivesNoColourShowsItsOwn) {
  auto* silent = NewComponent<TProbe>(NewForm());
  silent->SetColor(clBtnFace);
  EXPECT_EQ(GetParentSkinColor(silent), ColorToRGB(clBtnFace));
  EXPECT_EQ(SkinColorReply, ColorToRGB(clBtnFace));
}

TEST_F(SkinMessagesTest, GraphicChildrenArePaintedOverTheCachedBackground) {
  const TColor paper = 0x808080, under = 0xC0C0C0, mark = 0x3060A0, red = 0x0000FF, green = 0x00FF00;
  auto* parent = NewComponent<TProbe>(NewForm());
  TBitmap cache(150, 60);
  cache.Canvas()->Brush()->SetColor(under);
  cache.Canvas()->FillRect(Rect(0, 0, 150, 60));
  SetPixel(cache.Canvas()->Handle(), 12, 13, ColorToColorRef(mark));  // the cache lies 2 right, 3 down
  parent->Cache = &cache;
  NewComponent<TGraphicProbe>(parent, 10, 10);  // paints nothing: shows the cache
  auto* opaque = NewComponent<TGraphicProbe>(parent, 40, 10);
  opaque->SetControlStyle(opaque->ControlStyle() | csOpaque);
  opaque->SetColor(green);
  (NewComponent<TGraphicProbe>(parent, 70, 10))->Fill = sKeyColor;
  auto* painted = NewComponent<TGraphicProbe>(parent, 100, 10);
  painted->Fill = red;
  painted->Area = Rect(5, 5, 10, 10);

  TBitmap target(150, 60);
  HDC dc = target.Canvas()->Handle();
  target.Canvas()->Brush()->SetColor(paper);
  target.Canvas()->FillRect(Rect(0, 0, 150, 60));
  PaintGraphicChildren(dc, parent);
  TPixelImage img = BitmapImage(target);
  EXPECT_EQ(img.At(10, 10), mark);
  EXPECT_EQ(img.At(25, 25), under);
  EXPECT_TRUE(img.All(Rect(40, 10, 60, 30), green));
  EXPECT_TRUE(img.All(Rect(70, 10, 90, 30), paper));  // the key colour at its corner: not copied
  EXPECT_TRUE(img.All(Rect(105, 15, 110, 20), red));
  EXPECT_EQ(img.At(101, 11), under);
  EXPECT_TRUE(img.All(Rect(0, 0, 150, 10), paper));
  EXPECT_FALSE(ParentCacheInfo.Ready);

  // Nothing to paint into: the control hears it was not painted, and no pixel changes.
  target.Canvas()->FillRect(Rect(0, 0, 150, 60));
  IntersectClipRect(dc, 0, 0, 0, 0);
  PaintGraphicChildren(dc, parent);
  SelectClipRgn(dc, nullptr);
  EXPECT_EQ(parent->Got, std::vector<WORD>{skcNotPainted});
  EXPECT_TRUE(BitmapImage(target).All(Rect(0, 0, 150, 60), paper));
}

}  // namespace
}  // namespace korv::test
