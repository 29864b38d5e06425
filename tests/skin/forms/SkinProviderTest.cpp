// The provider as a component: the form's WindowProc taken and given back, finding a form's
// provider, what attaching a skin does to the form, streaming, and the caption-button sizes.
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
  TMessageRecorder before(form);
  const TWndMethod beforeProc = form->WindowProc;
  delete NewComponent<TsSkinProvider>(form);
  EXPECT_TRUE(form->WindowProc == beforeProc);

  // A sub-class made after the provider outlives it, and so does the pass-through it calls.
  auto* provider = NewComponent<TsSkinProvider>(form);
  TMessageRecorder after(form);
  delete provider;
  SetWindowTextA(form->Handle(), "later");
  EXPECT_EQ(after.Count(WM_SETTEXT), 1);
  after.Detach();
  SetWindowTextA(form->Handle(), "pass-through");
  EXPECT_EQ(before.Count(WM_SETTEXT), 2);
  EXPECT_EQ(form->Caption(), "pass-through");
  Forms_.clear();  // the pass-through, which still calls the first recorder, goes with the form
  delete form;
}

TEST_F(SkinProviderTest, AFormsProviderIsFoundFromTheFormAChildAndOwnedComponentsOnly) {
  LoadTestSkin();
  TForm* form = NewSkinnedForm();
  TsSkinProvider* provider = ProviderOf(form);
  auto* panel = NewComponent<TPanel>(form);
  panel->SetParent(form);
  EXPECT_EQ(SendFormSkinQuery(form), provider);
  EXPECT_EQ(SendFormSkinQuery(panel), provider);
  EXPECT_EQ(SendFormSkinQuery(NewComponent<TComponent>(panel)), provider);
  EXPECT_FALSE(form->HandleAllocated());  // asked without making a window
  const std::unique_ptr<TComponent> orphanPtr(NewComponent<TComponent>(nullptr));
  TComponent& orphan = *orphanPtr;
  EXPECT_EQ(SendFormSkinQuery(&orphan), nullptr);
  // A form without a provider, or whose window answers with something else, has none.
  TForm* plain = NewForm();
  EXPECT_EQ(SendFormSkinQuery(plain), nullptr);
  struct TLiar {
    TWndMethod Saved;
    void Proc(TMessage& m) { m.Msg == SM_ALPHACMD ? void(m.Result = 0x1234) : Saved(m); }
  } liar;
  TWindowProcHook hook(plain, liar.Saved, TWndMethod(&liar, &TLiar::Proc));
  EXPECT_EQ(SendFormSkinQuery(plain), nullptr);
}

TEST_F(SkinProviderTest, ALiveSkinKeepsTheBorderIconsOnTheSameWindowAndSetsTheColour) {
  TForm* form = NewForm();
  form->SetBorderIcons(biSystemMenu | biMinimize | biHelp);
  form->Show();
  HWND wnd = form->Handle();
  LoadTestSkin();
  auto* p = NewComponent<TsSkinProvider>(form);
  EXPECT_EQ(form->BorderIcons(), biSystemMenu | biMinimize | biHelp);
  EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX), WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(p->SavedBorderIcons, biSystemMenu | biMinimize | biHelp);
  EXPECT_EQ(form->Handle(), wnd);

  // The colour follows the skin, but a colour of the form's own is never overwritten.
  EXPECT_EQ(form->Color(), kGlobalColor);
  p->SetUseGlobalColor(false);
  EXPECT_EQ(form->Color(), clBtnFace);
  p->SkinData()->SetCustomColor(true);
  form->SetColor(0x123456);
  p->SetUseGlobalColor(true);
  p->SetUseGlobalColor(false);
  EXPECT_EQ(form->Color(), 0x123456);
  const std::unique_ptr<TComponent> ownerPtr(
      NewComponent<TComponent>(nullptr));  // a provider on no form takes the setting alone
  TComponent& owner = *ownerPtr;
  NewComponent<TsSkinProvider>(&owner)->SetUseGlobalColor(false);

  // Without a live skin the icons wait.
  Manager.reset();
  TForm* other = NewForm();
  EXPECT_TRUE(NewComponent<TsSkinProvider>(other)->IconsPending);
  EXPECT_EQ(other->BorderIcons(), biSystemMenu | biMinimize | biMaximize);
}

TEST_F(SkinProviderTest, PublishedPropertiesStreamWithTheFormAndLoadingAttachesTheSkin) {
  LoadTestSkin();
  const std::unique_ptr<TForm> sourcePtr(NewComponent<TForm>(nullptr));
  TForm& source = *sourcePtr;
  auto* p = NewComponent<TsSkinProvider>(&source);
  p->SetName("sSkinProvider1");
  p->SetCaptionAlignment(taCenter);
  p->SetBorderIcons(0);
  p->SetTitleSkin("FORMTITLE");
  p->TitleButtons()->Add()->SetName("Extra");
  const std::vector<uint8_t> bytes = ComponentToBytes(&source);
  TForm* read = NewForm();
  ReadComponentFromMemory(bytes.data(), bytes.size(), read);
  p = ProviderOf(read);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->CaptionAlignment() == taCenter && p->BorderIcons() == 0 && p->TitleSkin() == "FORMTITLE");
  EXPECT_TRUE(p->ShowAppIcon() && p->SnapBuffer() == 10 && p->SkinData()->SkinSection() == "FORM");
  EXPECT_EQ(p->TitleButtons()->Items(0)->Name(), "Extra");
  EXPECT_NE(p->SystemMenu, nullptr);  // loading attached the skin
  EXPECT_EQ(read->BorderIcons(), biSystemMenu | biMinimize | biMaximize);
}

TEST_F(SkinProviderTest, CaptionButtonsAndIconFollowTheStyleIconsAndCloseImage) {
  LoadTestSkin();  // no caption-button images: every button is 21 x 21
  const std::tuple<TBorderStyle, TsBorderIcons, int> cases[] = {
      {bsSizeable, biSystemMenu | biMinimize | biMaximize | biHelp, 4},
      {bsSingle, biSystemMenu | biMinimize, 2},
      {bsDialog, biSystemMenu | biMinimize | biMaximize, 1},
      {bsToolWindow, biSystemMenu | biMaximize, 1},
      {bsSizeable, biMinimize | biMaximize | biHelp, 0}};
  for (auto [style, icons, buttons] : cases) {
    TsSkinProvider* p = ProviderOf(NewSkinnedForm(style));
    p->SetBorderIcons(icons);
    EXPECT_EQ(p->VisibleSysButtons(), buttons) << int(style);
    EXPECT_EQ(p->ButtonsWidth(), buttons * kDefaultButtonSize) << int(style);
    // Only single and sizeable forms show an icon.
    const bool icon = style == bsSingle || style == bsSizeable;
    EXPECT_EQ(p->IconWidth(), icon ? SnapIconSize(GetSystemMetrics(SM_CYCAPTION)) : 0) << int(style);
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
  // An extra title button is as wide as its glyph and a margin, at least a button's width.
  p->TitleButtons()->Add()->Glyph()->SetSize(30, 10);
  EXPECT_EQ(p->ButtonsWidth(), kDefaultButtonSize + 32);

  // With a close image, its frames give the sizes, whatever damaged skin data says.
  TsSkinManager* sm = Manager.get();
  TsMaskData close;
  close.R = Rect(0, 0, 36, 28);  // two 18 x 14 frames with a mask
  close.ImageCount = 2;
  close.MaskType = 1;
  sm->Images.push_back(std::move(close));
  p->ButtonClose.ImageIndex = static_cast<int>(sm->Images.size()) - 1;
  EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), 18);
  EXPECT_EQ(p->SysButtonHeight(), 14);
  sm->Images.back().ImageCount = 0;
  sm->Images.back().MaskType = -1;
  EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), 36);
  EXPECT_EQ(p->SysButtonHeight(), 28);
  sm->Images.back().R = Rect(0, 0, 0, 0);  // no picture: the default size
  EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), kDefaultButtonSize);
  EXPECT_EQ(p->SysButtonHeight(), kDefaultButtonSize);
}

}  // namespace
}  // namespace korv::test
