// The provider as a component: the form's WindowProc taken over and given back, finding a form's
// provider, attaching a skin (border icons, colour), the published properties as a form streams
// them, and the caption-button and icon sizes.
#include <gtest/gtest.h>

#include "ProviderKit.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Streaming.h"
#include "skin/core/sMessages.h"

namespace korv::test {
namespace {

using SkinProviderTest = TProviderTest;

TEST_F(SkinProviderTest, TheWindowProcChainIsRestoredExactlyAndALaterSubclassKeepsWorking) {
  TForm* form = NewForm();
  form->HandleNeeded();
  // A sub-class made before the provider is given back exactly.
  TMessageRecorder before(form);
  const TWndMethod beforeProc = form->WindowProc;
  auto* provider = NewComponent<TsSkinProvider>(form);
  EXPECT_FALSE(form->WindowProc == beforeProc);
  EXPECT_TRUE(provider->SavedWindowProc() == beforeProc);
  delete provider;
  EXPECT_TRUE(form->WindowProc == beforeProc);

  // A sub-class made after the provider outlives it: messages still reach the form through it,
  // and through the pass-through the provider leaves once that sub-class goes too.
  provider = NewComponent<TsSkinProvider>(form);
  TMessageRecorder after(form);
  after.Filter({WM_SETTEXT});
  delete provider;
  SetWindowTextA(form->Handle(), "through the later sub-class");
  EXPECT_EQ(after.Count(WM_SETTEXT), 1);
  EXPECT_EQ(before.Count(WM_SETTEXT), 1);
  EXPECT_EQ(form->Caption(), "through the later sub-class");
  after.Detach();
  SetWindowTextA(form->Handle(), "through the pass-through");
  EXPECT_EQ(before.Count(WM_SETTEXT), 2);
  EXPECT_EQ(form->Caption(), "through the pass-through");
  // The pass-through (still calling the first recorder) is freed with the form.
  Forms_.clear();
  delete form;
}

TEST_F(SkinProviderTest, AFormsProviderIsFoundFromTheFormAChildAndAnOwnedComponentOnly) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* provider = ProviderOf(form);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  auto* nested = new TComponent(panel);
  EXPECT_EQ(SendFormSkinQuery(form), provider);
  EXPECT_EQ(SendFormSkinQuery(panel), provider);
  EXPECT_EQ(SendFormSkinQuery(nested), provider);
  EXPECT_EQ(SendFormSkinQuery(provider), provider);
  TComponent orphan(nullptr);
  EXPECT_EQ(SendFormSkinQuery(&orphan), nullptr);
  EXPECT_EQ(SendFormSkinQuery(nullptr), nullptr);
  TForm* plain = NewForm();
  EXPECT_EQ(SendFormSkinQuery(plain), nullptr);
  // A form whose window answers the query with something that is no provider gets none.
  struct TLiar {
    TWndMethod Saved;
    void Proc(TMessage& m) {
      if (m.Msg == SM_ALPHACMD)
        m.Result = 0x1234;
      else
        Saved(m);
    }
  } liar{plain->WindowProc};
  plain->WindowProc = TWndMethod(&liar, &TLiar::Proc);
  EXPECT_EQ(SendFormSkinQuery(plain), nullptr);
  plain->WindowProc = liar.Saved;
}

TEST_F(SkinProviderTest, ALiveSkinClearsTheFormsBorderIconsWithoutANewWindow) {
  TForm* form = NewForm();
  form->SetBorderIcons(biSystemMenu | biMinimize | biHelp);
  form->Show();
  HWND wnd = form->Handle();
  ASSERT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & WS_SYSMENU);
  LoadTestSkin();
  auto* provider = NewComponent<TsSkinProvider>(form);
  EXPECT_EQ(form->BorderIcons(), 0u);
  EXPECT_FALSE(GetWindowLongA(wnd, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX));
  EXPECT_FALSE(provider->IconsPending);
  EXPECT_EQ(provider->SavedBorderIcons, biSystemMenu | biMinimize | biHelp);
  // Given back (as the skin's removal does), on the same window.
  form->SetBorderIcons(provider->SavedBorderIcons);
  EXPECT_TRUE(GetWindowLongA(wnd, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX));
  EXPECT_EQ(form->Handle(), wnd);
  EXPECT_TRUE(IsWindow(wnd));

  // Without a live skin the icons stay until one comes.
  Manager.reset();
  TForm* other = NewForm();
  auto* waiting = NewComponent<TsSkinProvider>(other);
  EXPECT_EQ(other->BorderIcons(), biSystemMenu | biMinimize | biMaximize);
  EXPECT_TRUE(waiting->IconsPending);
}

TEST_F(SkinProviderTest, TheFormsColourFollowsTheSkinUnlessItKeepsItsOwn) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  EXPECT_EQ(form->Color(), kGlobalColor);
  p->SetUseGlobalColor(false);
  EXPECT_EQ(form->Color(), clBtnFace);
  p->SetUseGlobalColor(true);
  EXPECT_EQ(form->Color(), kGlobalColor);
  // A custom colour is never overwritten, whichever way the setting goes.
  p->SkinData()->SetCustomColor(true);
  form->SetColor(0x123456);
  p->SetUseGlobalColor(false);
  p->SetUseGlobalColor(true);
  EXPECT_EQ(form->Color(), 0x123456);
  // A provider on no form takes the setting alone.
  TComponent owner(nullptr);
  auto* loose = NewComponent<TsSkinProvider>(&owner);
  EXPECT_EQ(loose->Form, nullptr);
  loose->SetUseGlobalColor(false);
  EXPECT_FALSE(loose->UseGlobalColor());
  EXPECT_EQ(SendFormSkinQuery(loose), nullptr);
}

TEST_F(SkinProviderTest, PublishedPropertiesStreamWithTheForm) {
  LoadTestSkin();
  std::vector<uint8_t> bytes;
  {
    TForm source(nullptr);
    source.SetName("Form1");
    auto* p = NewComponent<TsSkinProvider>(&source);
    p->SetName("sSkinProvider1");
    p->SetCaptionAlignment(taCenter);
    p->SetMakeSkinMenu(false);
    p->SetShowAppIcon(false);
    p->SetUseGlobalColor(false);
    p->SetBorderIcons(0);
    p->SetTitleSkin("FORMTITLE");
    p->SetGripMode(gmRightBottom);
    p->TitleButtons()->Add()->SetName("Extra");
    bytes = ComponentToBytes(&source);
  }
  TForm* read = NewForm();
  ReadComponentFromMemory(bytes.data(), bytes.size(), read);
  TsSkinProvider* p = ProviderOf(read);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->CaptionAlignment(), taCenter);
  EXPECT_FALSE(p->MakeSkinMenu());
  EXPECT_FALSE(p->ShowAppIcon());
  EXPECT_FALSE(p->UseGlobalColor());
  EXPECT_EQ(p->BorderIcons(), 0u);
  EXPECT_EQ(p->TitleSkin(), "FORMTITLE");
  EXPECT_EQ(p->GripMode(), gmRightBottom);
  EXPECT_EQ(p->SkinData()->SkinSection(), "FORM");
  ASSERT_EQ(p->TitleButtons()->Count(), 1);
  EXPECT_EQ(p->TitleButtons()->Items(0)->Name(), "Extra");
  // Loaded attached the skin: the system menu exists and the form's icons are cleared.
  EXPECT_NE(p->SystemMenu, nullptr);
  EXPECT_EQ(read->BorderIcons(), 0u);
  // The defaults of a new provider.
  TsSkinProvider fresh(nullptr);
  EXPECT_EQ(fresh.BorderIcons(), biSystemMenu | biMinimize | biMaximize);
  EXPECT_TRUE(fresh.MakeSkinMenu() && fresh.ShowAppIcon() && fresh.UseGlobalColor() && !fresh.ScreenSnap());
  EXPECT_EQ(fresh.SnapBuffer(), 10);
  EXPECT_EQ(fresh.MenuLineCount, -1);
}

TEST_F(SkinProviderTest, CaptionButtonCountsAndWidthsFollowTheBorderStyleAndIcons) {
  LoadTestSkin();  // no caption-button images: every button is 21 x 21
  struct Case {
    TBorderStyle Style;
    TsBorderIcons Icons;
    int Buttons;
  };
  const Case cases[] = {
      {bsSizeable, biSystemMenu | biMinimize | biMaximize, 3},
      {bsSizeable, biSystemMenu | biMinimize | biMaximize | biHelp, 4},
      {bsSingle, biSystemMenu | biMinimize, 2},
      {bsDialog, biSystemMenu | biMinimize | biMaximize, 1},
      {bsToolWindow, biSystemMenu | biMaximize, 1},
      {bsSizeable, biMinimize | biMaximize | biHelp, 0},
      {bsSizeable, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << int(c.Style) << " icons " << c.Icons);
    TForm* form = NewSkinnedForm(c.Style);
    TsSkinProvider* p = ProviderOf(form);
    p->SetBorderIcons(c.Icons);
    EXPECT_EQ(p->VisibleSysButtons(), c.Buttons);
    EXPECT_EQ(p->ButtonsWidth(), c.Buttons * kDefaultButtonSize);
    EXPECT_EQ(p->SysButtonHeight(), kDefaultButtonSize);
  }
  // An iconic bsSingle form shows maximise and minimise even without biMaximize.
  TForm* single = NewSkinnedForm(bsSingle);
  TsSkinProvider* p = ProviderOf(single);
  p->SetBorderIcons(biSystemMenu);
  single->Show();
  ShowWindow(single->Handle(), SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(single->Handle()) != FALSE; }));
  EXPECT_EQ(p->VisibleSysButtons(), 3);
  ShowWindow(single->Handle(), SW_RESTORE);

  // Extra title buttons add their glyph's width, at least a button's.
  TsTitleButton* extra = p->TitleButtons()->Add();
  extra->Glyph()->SetSize(30, 10);
  EXPECT_EQ(p->ButtonsWidth(), kDefaultButtonSize + 32);
  // A provider without a system menu (no skin attached yet) has no system buttons.
  TsSkinProvider loose(nullptr);
  EXPECT_EQ(loose.VisibleSysButtons(), 0);
}

TEST_F(SkinProviderTest, ButtonSizesComeFromTheCloseImageAndSurviveBrokenCounts) {
  TsSkinManager* sm = LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  // A close image of two 18 x 14 frames with a mask, then its counts broken the way damaged
  // skin data can break them.
  TsMaskData close;
  close.ClassName = "GLOBALINFO";
  close.PropertyName = "BICONCLOSE";
  close.R = Rect(0, 0, 36, 28);
  close.ImageCount = 2;
  close.MaskType = 1;
  close.Manager = sm;
  sm->Images.push_back(std::move(close));
  p->ButtonClose.ImageIndex = static_cast<int>(sm->Images.size()) - 1;
  EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), 18);
  EXPECT_EQ(p->SysButtonHeight(), 14);
  sm->Images.back().ImageCount = 0;
  sm->Images.back().MaskType = -1;
  EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), 36);
  EXPECT_EQ(p->SysButtonHeight(), 28);
  // An empty rectangle is no image: the default size.
  sm->Images.back().R = Rect(0, 0, 0, 0);
  EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), kDefaultButtonSize);
  EXPECT_EQ(p->SysButtonHeight(), kDefaultButtonSize);
  p->ButtonClose.ImageIndex = 999;
  EXPECT_EQ(p->SysButtonHeight(), kDefaultButtonSize);
}

TEST_F(SkinProviderTest, OnlySingleAndSizeableFormsShowAnIcon) {
  LoadTestSkin();
  const int snapped = SnapIconSize(GetSystemMetrics(SM_CYCAPTION));
  TsSkinProvider* sizeable = ProviderOf(NewSkinnedForm(bsSizeable));
  EXPECT_EQ(sizeable->IconWidth(), snapped);
  EXPECT_EQ(sizeable->IconHeight(), snapped);
  for (TBorderStyle style : {bsDialog, bsToolWindow, bsSizeToolWin, bsNone}) {
    TsSkinProvider* p = ProviderOf(NewSkinnedForm(style));
    EXPECT_EQ(p->IconWidth(), 0) << int(style);
    const TRect r = p->IconRect();
    EXPECT_TRUE(IsRectEmpty(&r)) << int(style);
  }
  sizeable->TitleIcon()->SetWidth(24);
  EXPECT_EQ(sizeable->IconWidth(), 24);
  EXPECT_EQ(sizeable->IconHeight(), snapped);
  sizeable->SetShowAppIcon(false);
  EXPECT_EQ(sizeable->IconWidth(), 0);
}

}  // namespace
}  // namespace korv::test
