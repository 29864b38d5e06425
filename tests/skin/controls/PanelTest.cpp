// The skinned panel and the grip on real windows: pixels read back, erasing, repainting of a
// panel partly outside its parent, and skin commands of other managers.
#include <gtest/gtest.h>

#include <algorithm>

#include "skin/controls/sPanel.h"
#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/paint/sStyleSimply.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

class PanelTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    AddSection(*Sm, "PANEL", kFace);
    Sm->Sections.back().FontColor[0] = kText;
    AddSection(*Sm, "GRADPANEL", 0x808080, 0, 50);
    AddSection(*Sm, "HALFPANEL", 0x000000, 50);
    Sm->SkinData.Active = true;
    Form = NewForm(100, 100, 300, 200);
  }
  TsPanel* Panel(TWinControl* parent, TRect bounds, const std::string& section = "PANEL") {
    auto* p = NewComponent<TsPanel>(parent);
    p->SkinData()->SetSkinSection(section);
    p->SetParent(parent);
    p->SetBoundsRect(bounds);
    return p;
  }
  static constexpr TColor kFace = 0x3366CC, kText = 0x00FFFF;
  TsSkinManager* Sm = nullptr;
  TForm* Form = nullptr;
};

TEST_F(PanelTest, ASkinnedPanelShowsItsSectionAndCaption) {
  TsPanel* p = Panel(Form, Bounds(10, 10, 200, 60));
  p->SetCaption("Wide caption");
  ShowAndActivate(Form);
  RedrawWindow(p->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  TPixelImage img;  // once the screen, which follows the painting with a delay, shows it
  PumpUntil([&] {
    return (img = CaptureClient(p->Handle())).At(1, 1) == kFace && img.Count(Rect(0, 0, 200, 60), kText) > 0;
  });
  // The caption lies in its own band; the face shows everywhere else.
  TBitmap probe(1, 1);
  probe.Canvas()->SetFont(p->Font());
  const TSize ext = probe.Canvas()->TextExtent("Wide caption");
  const TRect band = Bounds((200 - ext.cx) / 2, (60 - ext.cy) / 2, ext.cx, ext.cy);
  EXPECT_GT(img.Count(band, kText), 0);
  EXPECT_EQ(img.Count(Rect(0, 0, 200, 60), kText), img.Count(band, kText));
  EXPECT_TRUE(img.All(Rect(0, 0, 200, band.top), kFace));
  EXPECT_TRUE(img.All(Rect(0, 0, band.left - 2, 60), kFace));
  EXPECT_TRUE(img.All(Rect(0, band.bottom, 200, 60), kFace));
  EXPECT_FALSE(p->SkinData()->BGChanged);
}

TEST_F(PanelTest, AnUnskinnedPanelWithItsOwnPaintingIsNotErased) {
  TsPanel* p = Panel(Form, Bounds(10, 10, 80, 40), "NOSUCH");
  p->SetColor(0x00FF00);
  ShowAndActivate(Form);
  TBitmap paper(80, 40);
  const HDC dc = paper.Canvas()->Handle();
  auto erase = [&] {
    paper.Canvas()->Brush()->SetColor(0x0000FF);
    paper.Canvas()->FillRect(Rect(0, 0, 80, 40));
    SendMessageA(p->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    return BitmapImage(paper).At(40, 20);
  };
  EXPECT_EQ(erase(), 0x00FF00);
  int painted = 0;
  struct TPainter {
    TsPanel* Panel;
    int* Count;
    void Paint(TObject* sender, TCanvas* canvas) { *Count += sender == Panel && canvas == Panel->Canvas(); }
  } painter{p, &painted};
  p->OnPaint = TsPaintEvent(&painter, &TPainter::Paint);
  EXPECT_EQ(erase(), 0x0000FF);
  RedrawWindow(p->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(painted, 1);  // after the panel's own painting, on its canvas
}

TEST_F(PanelTest, APanelPartlyOutsideItsParentIsRebuiltOnEveryPaint) {
  TsPanel* outer = Panel(Form, Bounds(0, 0, 200, 150), "GRADPANEL");  // its gradient shows through
  TsPanel* half = Panel(outer, Bounds(170, 20, 60, 40), "HALFPANEL");
  TsPanel* inside = Panel(outer, Bounds(20, 20, 60, 40), "HALFPANEL");
  int halfBuilt = 0, insideBuilt = 0;
  struct TCounter {
    int* Count;
    void Paint(TObject*, TCanvas*) { ++*Count; }
  } a{&halfBuilt}, b{&insideBuilt};
  half->OnPaint = TsPaintEvent(&a, &TCounter::Paint);
  inside->OnPaint = TsPaintEvent(&b, &TCounter::Paint);
  ShowAndActivate(Form);
  RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  halfBuilt = insideBuilt = 0;
  for (int i = 0; i < 2; ++i)
    for (TsPanel* p : {half, inside}) RedrawWindow(p->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(halfBuilt, 2);
  EXPECT_EQ(insideBuilt, 0);
  EXPECT_TRUE(half->SkinData()->HalfVisible);
  EXPECT_FALSE(inside->SkinData()->HalfVisible);
}

TEST_F(PanelTest, AfterItsParentPaintedAPanelPaintsAgainOnlyWhenWhatItShowsMayHaveChanged) {
  TsPanel* outer = Panel(Form, Bounds(0, 0, 200, 150), "GRADPANEL");
  TsPanel* inside = Panel(outer, Bounds(20, 20, 60, 40), "HALFPANEL");  // shows the gradient through
  ShowAndActivate(Form);
  RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const TColor shown = CaptureWindowDC(inside->Handle()).At(30, 20);
  // The child's window is painted over without being invalidated: only a paint of its own
  // brings its picture back.
  auto paintOver = [&] {
    TWindowDC dc = TWindowDC::Client(inside->Handle());
    FillDC(dc.Get(), Rect(0, 0, 60, 40), 0x00123456);
  };
  auto parentRepaints = [&] { RedrawWindow(outer->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
  paintOver();
  parentRepaints();  // nothing under the child changed: its window is left alone
  EXPECT_EQ(CaptureWindowDC(inside->Handle()).At(30, 20), 0x00123456);
  outer->SkinData()->BGChanged = true;  // the parent's image is painted again
  parentRepaints();
  EXPECT_EQ(CaptureWindowDC(inside->Handle()).At(30, 20), shown);
  paintOver();
  inside->SkinData()->BGChanged = true;  // the child's own cache out of date
  parentRepaints();
  EXPECT_EQ(CaptureWindowDC(inside->Handle()).At(30, 20), shown);
}

TEST_F(PanelTest, OnlyTheOwnManagersCommandsReachTheChildren) {
  TsPanel* p = Panel(Form, Bounds(0, 0, 100, 100));
  auto* child = NewComponent<TLinkedWindow>(p);
  child->Link->SetSkinSection("PANEL");
  child->Got.clear();
  TsSkinManager* other = NewManager();
  p->Perform(SM_ALPHACMD, SkinCmdWParam(skcRefresh), reinterpret_cast<LPARAM>(other));
  EXPECT_TRUE(child->Got.empty());
  p->Perform(SM_ALPHACMD, SkinCmdWParam(skcRefresh), reinterpret_cast<LPARAM>(Sm));
  const std::vector<WORD> got = child->Commands();
  EXPECT_EQ(std::count(got.begin(), got.end(), skcRefresh), 1);
  EXPECT_TRUE(QuerySkinCmd(p, skcHandlesSkinCmds));  // asked without a manager: always yes
}

TEST_F(PanelTest, APanelWhoseSectionIsNotFoundLeavesItsChildrenSkinned) {
  TsPanel* outer = Panel(Form, Bounds(0, 0, 200, 150));
  TsPanel* inner = Panel(outer, Bounds(20, 20, 60, 40));
  ShowAndActivate(Form);
  outer->SkinData()->SetSkinSection("NOSUCH");
  EXPECT_FALSE(outer->SkinData()->Skinned());
  EXPECT_TRUE(inner->SkinData()->Skinned());
  RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(CaptureClient(inner->Handle()).All(Rect(0, 0, 60, 4), kFace));
}

TEST(Grip, StartsAsATwentyPixelCheckBoxSquare) {
  std::unique_ptr<TsGrip> grip(NewComponent<TsGrip>(nullptr));
  EXPECT_EQ(grip->Width(), 20);
  EXPECT_EQ(grip->Height(), 20);
  EXPECT_EQ(grip->Caption(), " ");
  EXPECT_EQ(grip->Align(), alNone);
  EXPECT_EQ(grip->SkinData()->SkinSection(), "CHECKBOX");
  EXPECT_EQ(grip->SkinData()->CtrlTypeCode, 51);
}

}  // namespace
}  // namespace korv::test
