// The control skin link on real windows: the colour a control shows, the image-changed command
// through a control tree, focus and pointer states, sections and managers, an edit control's
// colours, and the copy of a cache around the children (pixels read back).
#include <gtest/gtest.h>

#include <algorithm>

#include "LinkedControls.h"
#include "SkinCoreKit.h"
#include "classlib/StdCtrls.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

class CommonDataTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    AddSection(*Sm, "WHITE", 0xFFFFFF);
    AddSection(*Sm, "HALF", 0x000000, 50);
    AddSection(*Sm, "CLEAR", 0x000000, 100);
    AddSection(*Sm, "GRAD", 0x808080, 0, 40);
    AddSection(*Sm, "EDIT", 0x123456);
    Sm->Sections.back().FontColor[0] = 0x654321;
    Sm->SkinData.Active = true;
  }
  template <class T = TLinkedWindow>
  T* Linked(TWinControl* parent, const std::string& section, TRect bounds = Bounds(0, 0, 60, 40), int typeCode = 0) {
    auto* c = NewComponent<T>(parent, bounds, typeCode);
    c->Link->SetSkinSection(section);
    c->Got.clear();
    return c;
  }
  TsSkinManager* Sm = nullptr;
};

TEST_F(CommonDataTest, AControlShowsItsColourMixedWithWhatLiesUnder) {
  TForm* form = NewForm();
  auto* white = Linked(form, "WHITE", Bounds(0, 0, 200, 200));
  auto* half = Linked(white, "HALF");
  auto* clear = Linked(white, "CLEAR");
  auto* plain = Linked(white, "NOSUCH");
  plain->SetColor(clBtnFace);
  EXPECT_EQ(GetParentSkinColor(half), 0x7E7E7E);  // a = 127 of white over black
  EXPECT_EQ(GetParentSkinColor(clear), 0xFFFFFF);
  EXPECT_EQ(GetParentSkinColor(plain), ColorToRGB(clBtnFace));

  // Over a parent that gives no colour: the parent's own one.
  auto* onForm = Linked(form, "HALF");
  form->SetColor(0x0000FF);
  EXPECT_EQ(GetParentSkinColor(onForm), 0x00007E);

  // Command 19 is answered only by a link that has a section.
  TMessage m = SkinCmdMessage(skcNeedsParentImage);
  EXPECT_FALSE(CommonWndProc(m, plain->Link.get()));
  EXPECT_EQ(m.LParam, 0);
  EXPECT_TRUE(CommonWndProc(m, half->Link.get()));
  EXPECT_EQ(m.LParam, 0);  // over an opaque, plain parent
}

TEST_F(CommonDataTest, AChangedImageReachesEveryChildThatShowsIt) {
  TForm* form = NewForm();
  auto* grad = Linked(form, "GRAD", Bounds(0, 0, 300, 200));
  auto* half = Linked(grad, "HALF", Bounds(0, 0, 200, 150));
  auto* a = Linked(half, "HALF", Bounds(0, 0, 50, 50));
  auto* aa = Linked(a, "CLEAR", Bounds(0, 0, 20, 20));
  auto* g = Linked<TLinkedGraphic>(half, "HALF", Bounds(0, 60, 20, 20));
  auto* solid = Linked(form, "WHITE", Bounds(0, 0, 100, 100));
  auto* under = Linked(solid, "HALF");
  auto* right = Linked<TLinkedGraphic>(grad, "HALF", Bounds(250, 0, 20, 20));
  right->SetAnchors(akLeft | akTop | akRight);
  form->HandleNeeded();  // windowed children hear commands through their windows
  auto times = [](const auto* c, WORD flag) {
    return std::count(c->Got.begin(), c->Got.end(), std::pair<WORD, WORD>{skcParentImageChanged, flag});
  };
  for (auto* c : std::initializer_list<TLinkedWindow*>{half, a, aa, under}) c->Got.clear();
  g->Got.clear();
  a->Link->BGChanged = aa->Link->BGChanged = g->Link->BGChanged = false;
  half->Perform(SM_ALPHACMD, SkinCmdWParam(skcParentImageChanged), 0);
  EXPECT_TRUE(a->Link->BGChanged && aa->Link->BGChanged && g->Link->BGChanged);
  EXPECT_TRUE(times(a, 0) == 1 && times(aa, 0) == 1 && times(g, 0) == 1);  // once each, down the tree
  // Over an opaque background nothing changes: the children hear nothing.
  solid->Perform(SM_ALPHACMD, SkinCmdWParam(skcParentImageChanged), 0);
  EXPECT_TRUE(under->Got.empty());

  // A gradient stretches with its control: the children that keep their place from the top-left
  // corner are told to redraw, not one anchored to the right edge.
  half->Got.clear();
  right->Got.clear();
  grad->SetWidth(320);
  EXPECT_EQ(times(half, 1), 1);
  EXPECT_TRUE(right->Got.empty());
}

TEST_F(CommonDataTest, FocusAndPointerMakeAControlHot) {
  TForm* form = NewForm(100, 100, 400, 200);
  auto* button = Linked(form, "WHITE", Bounds(20, 20, 80, 40));
  button->SetTabStop(true);
  auto* panel = Linked(form, "WHITE", Bounds(200, 20, 80, 40), 51);  // a type that takes no hover
  auto* other = Linked(form, "WHITE", Bounds(20, 100, 80, 40));
  other->SetTabStop(true);
  ShowAndActivate(form);
  TsCommonData& link = *button->Link;
  auto moveTo = [](TPoint p) {
    TInputDriver d;
    return d.Run([&](TInputDriver& d) { d.MoveTo(p.x, p.y); }) ? std::string() : d.Error();
  };
  // The pointer starts outside the form, so that it really comes over the controls.
  ASSERT_EQ(moveTo(form->ClientToScreen(Point(form->ClientWidth() + 20, 0))), "");
  ASSERT_TRUE(PumpUntil([&] { return !link.MouseAbove; }));

  button->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return link.Focused; }));
  EXPECT_TRUE(link.ControlIsActive());
  other->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return !link.Focused; }));
  EXPECT_FALSE(link.ControlIsActive());

  auto centre = [](TControl* c) { return c->ClientToScreen(Point(c->Width() / 2, c->Height() / 2)); };
  const TPoint overButton = centre(button), overPanel = centre(panel);
  ASSERT_EQ(moveTo(overButton), "");
  ASSERT_TRUE(PumpUntil([&] { return link.MouseAbove; }));
  EXPECT_TRUE(link.ControlIsActive());
  ASSERT_EQ(moveTo(overPanel), "");
  ASSERT_TRUE(PumpUntil([&] { return panel->Entered > 0 && !link.MouseAbove; }));
  EXPECT_FALSE(panel->Link->MouseAbove);  // a panel never takes the hover
  EXPECT_FALSE(link.ControlIsActive());

  ASSERT_EQ(moveTo(overButton), "");
  ASSERT_TRUE(PumpUntil([&] { return link.MouseAbove; }));
  button->SetEnabled(false);
  EXPECT_FALSE(link.MouseAbove || link.ControlIsActive());
}

TEST_F(CommonDataTest, SectionAndManagerChangesAreAnnouncedToTheControl) {
  TForm* form = NewForm();
  auto* c = Linked(form, "WHITE");
  TsCommonData& link = *c->Link;
  link.SetSkinSection("");
  EXPECT_EQ(link.SkinSection(), "UNKNOWN");
  EXPECT_EQ(c->Commands(), std::vector<WORD>{skcRemoveSkin});
  c->Got.clear();
  link.SetSkinSection("GRAD");
  EXPECT_EQ(c->Commands(), std::vector<WORD>{skcRefresh});

  // The default manager is kept as nil; the getter still gives it.
  link.SetSkinManager(Sm);
  EXPECT_TRUE(link.StoredSkinManager() == nullptr && link.SkinManager() == Sm);

  // An own manager without that section: command 2, and the link is no longer skinned.
  TsSkinManager* own = NewManager();
  c->Got.clear();
  link.SetSkinManager(own);
  EXPECT_EQ(c->Commands(), std::vector<WORD>{skcRemoveSkin});
  EXPECT_FALSE(link.Skinned());
  // A manager that goes without its removal reaching the control is not kept.
  std::erase(Managers_, own);
  delete own;
  EXPECT_TRUE(link.StoredSkinManager() == nullptr && link.SkinManager() == Sm);

  // The default section comes from the type code, else from the owner's class name.
  auto* panel = NewComponent<TLinkedWindow>(form, Bounds(0, 0, 10, 10), 51);
  panel->Link->Loaded();
  EXPECT_EQ(panel->Link->SkinSection(), "PANEL");
  auto* edit = NewComponent<TLinked<TEdit>>(form);
  edit->Link->Loaded();
  EXPECT_EQ(edit->Link->SkinSection(), "TEdit");
}

TEST_F(CommonDataTest, AnEditControlTakesTheSectionColoursAndGivesThemBack) {
  TForm* form = NewRecordingForm();
  auto* edit = Linked<TLinked<TEdit>>(form, "EDIT", Bounds(10, 10, 150, 24));
  auto* lost = Linked<TLinked<TEdit>>(form, "NOSUCH", Bounds(10, 50, 150, 24));
  lost->SetColor(0x00FF00);
  ShowAndActivate(form);
  Sm->RepaintForms();
  EXPECT_EQ(edit->Color(), 0x123456);
  EXPECT_EQ(edit->Font()->Color(), 0x654321);
  EXPECT_EQ(lost->Color(), 0x00FF00);  // no section: its own colours stay
  // The edit window paints its background in the section's colour.
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const TRect client = edit->ClientRect();
  // The screen follows the window's painting with a delay.
  EXPECT_TRUE(
      PumpUntil([&] { return CaptureClient(edit->Handle()).At(client.right - 3, client.bottom / 2) == 0x123456; }));

  edit->Link->SetCustomFont(true);
  edit->Font()->SetColor(0x0000FF);
  Sm->SendRemoveSkin();
  EXPECT_EQ(edit->Color(), clWindow);
  EXPECT_EQ(edit->Font()->Color(), 0x0000FF);  // a custom font colour is kept
  EXPECT_TRUE(edit->Link->SkinIndex == -1 && edit->Link->Updating);
}

TEST_F(CommonDataTest, TheCacheIsCopiedAroundTheChildrenThatPaintThemselves) {
  const TColor paper = 0x808080, cached = 0x2040C0;
  TForm* form = NewForm();
  auto* parent = Linked(form, "GRAD", Bounds(0, 0, 100, 40));
  parent->Link->PrepareCache();
  parent->Link->CacheBmp->Canvas()->Brush()->SetColor(cached);
  parent->Link->CacheBmp->Canvas()->FillRect(Rect(0, 0, 100, 40));
  Linked(parent, "HALF", Bounds(10, 10, 10, 10));  // windowed
  auto* opaque = Linked<TLinkedGraphic>(parent, "HALF", Bounds(30, 10, 10, 10));
  opaque->SetControlStyle(opaque->ControlStyle() | csOpaque);
  Linked<TLinkedGraphic>(parent, "HALF", Bounds(50, 10, 10, 10));  // shows the cache
  auto* hidden = Linked(parent, "HALF", Bounds(70, 10, 10, 10));
  hidden->SetVisible(false);

  TBitmap target(100, 40);
  target.Canvas()->Brush()->SetColor(paper);
  target.Canvas()->FillRect(Rect(0, 0, 100, 40));
  PaintChildControls(parent, parent->Link.get(), Rect(0, 0, 100, 40), false, target.Canvas()->Handle(),
                     Rect(0, 0, 90, 40));
  const TPixelImage img = BitmapImage(target);
  EXPECT_TRUE(img.All(Rect(10, 10, 20, 20), paper));
  EXPECT_TRUE(img.All(Rect(30, 10, 40, 20), paper));
  EXPECT_TRUE(img.All(Rect(50, 10, 60, 20), cached));
  EXPECT_TRUE(img.All(Rect(70, 10, 80, 20), cached));
  EXPECT_TRUE(img.All(Rect(0, 0, 90, 10), cached));
  EXPECT_TRUE(img.All(Rect(90, 0, 100, 40), paper));  // outside the destination

  // The parent hands its cache to a child that asks (through its window); an emptied cache is no
  // answer.
  parent->HandleNeeded();
  TCacheInfo info;
  opaque->Link->GetParentCacheInfo(info);
  EXPECT_TRUE(info.Ready && info.Bmp == parent->Link->CacheBmp.get());
  parent->Link->CacheBmp->SetSize(0, 0);
  opaque->Link->GetParentCacheInfo(info);
  EXPECT_FALSE(info.Ready);
  // A child waits to paint while its parent's background is out of date.
  parent->Link->BGChanged = false;
  EXPECT_FALSE(opaque->Link->PaintDeferred());
  parent->Link->BGChanged = true;
  EXPECT_TRUE(opaque->Link->PaintDeferred());
}

}  // namespace
}  // namespace korv::test
