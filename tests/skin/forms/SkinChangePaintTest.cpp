// A skin change on a form of skinned controls: each painted once, in the new skin's colours.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "ProviderKit.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/data/sStoredSkins.h"

namespace korv::test {
namespace {

using SkinChangePaintTest = TProviderTest;

TEST_F(SkinChangePaintTest, AHueChangeOrANewSkinPaintsEachSkinnedChildOnceInTheNewColours) {
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  AddTestSkin(*Manager);
  TsSkinGeneral* g = Manager->InternalSkins()->Items(0)->GeneralData()->Add();
  g->SectionName = "PANEL";
  g->Color = 0x3060A0;
  Manager->SetSkinName("Test");
  auto* form = NewComponent<TForm>(Application);  // the manager announces skins to the application's forms
  Forms_.push_back(form);
  form->SetBounds(100, 100, 400, 300);
  NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
  std::vector<TWinControl*> children;  // three panels, one more inside the second, a scroll bar
  for (TRect r : {Bounds(10, 10, 70, 70), Bounds(90, 10, 70, 70), Bounds(170, 10, 70, 70), Bounds(10, 10, 40, 40)}) {
    children.push_back(NewComponent<TsPanel>(form));
    children.back()->SetParent(children.size() < 4 ? form : children[1]);
    children.back()->SetBoundsRect(r);
  }
  children.push_back(NewComponent<TsScrollBar>(form));
  children.back()->SetParent(form);
  children.back()->SetBounds(10, 200, 200, GetSystemMetrics(SM_CYHSCROLL));
  ShowPainted(form);

  std::vector<std::unique_ptr<TMessageRecorder>> recorders;
  for (TWinControl* c : children) recorders.push_back(std::make_unique<TMessageRecorder>(c));
  auto paints = [&] {
    PumpPending();
    std::vector<int> counts;
    for (auto& r : recorders) counts.push_back(r->Count(WM_PAINT)), r->Clear();
    return counts;
  };
  auto colour = [&](const char* s) { return ColorToRGB(Manager->Sections[Manager->GetSkinIndex(s)].Color); };
  auto onScreen = [](TWinControl* c, const TRect& r, TColor want) {
    return CaptureWhen(c->Handle(), true, [&](const TPixelImage& img) { return img.All(r, want); }).All(r, want);
  };
  // The panels' face, and the bar's track after the thumb left of its second arrow.
  auto showsSkin = [&] {
    bool all = true;
    for (int i = 0; i < 4; ++i) all = onScreen(children[i], Rect(0, 0, 30, 4), colour("PANEL")) && all;
    const int x = children[4]->Width() - GetSystemMetrics(SM_CXHSCROLL) - 3;
    return onScreen(children[4], Rect(x, 5, x + 1, 6), colour("SCROLLBAR2H")) && all;
  };
  const std::vector<int> once(children.size(), 1);

  const TColor before = colour("PANEL");
  Manager->SetHueOffset(60);
  EXPECT_EQ(paints(), once);
  EXPECT_NE(colour("PANEL"), before);
  EXPECT_TRUE(showsSkin());
  Manager->SetActive(false);
  paints();
  Manager->SetActive(true);
  EXPECT_EQ(paints(), once);
  EXPECT_TRUE(showsSkin());
}

TEST_F(SkinChangePaintTest, AHueChangeOrANewSkinComposesAndPaintsTheFormOnce) {
  LoadTestSkin();
  auto* form = NewComponent<TForm>(Application);
  Forms_.push_back(form);
  form->SetBounds(100, 100, 300, 200);
  TsSkinProvider* p = NewComponent<TsSkinProvider>(form);
  p->SetName("sSkinProvider1");
  ShowPainted(form);
  TMessageRecorder recorder(form);
  recorder.Filter({WM_NCPAINT, WM_PAINT});
  uint32_t stamp = p->SkinData()->CacheStamp;
  auto compositions = [&] {
    const uint32_t now = p->SkinData()->CacheStamp;
    return now - std::exchange(stamp, now);
  };
  // A pixel of the client in the window's image, and the same pixel on the screen.
  auto clientColor = [&] {
    return BitmapImage(*p->SkinData()->CacheBmp).At(p->ClientOffsetX() + 20, p->ClientOffsetY() + 20);
  };
  auto showsImage = [&] {
    const TColor want = clientColor();
    auto shows = [&](const TPixelImage& img) { return img.At(20, 20) == want; };
    return shows(CaptureWhen(form->Handle(), true, shows));
  };
  const TColor before = clientColor();

  Manager->SetHueOffset(60);
  PumpPending();
  EXPECT_EQ(compositions(), 1u);
  EXPECT_EQ(recorder.Count(WM_NCPAINT), 1);
  EXPECT_EQ(recorder.Count(WM_PAINT), 1);
  EXPECT_NE(clientColor(), before);
  EXPECT_TRUE(showsImage());
  recorder.Clear();
  Manager->SetSkinName("Test");  // read and announced again
  PumpPending();
  EXPECT_EQ(compositions(), 1u);
  EXPECT_EQ(recorder.Count(WM_PAINT), 1);
  EXPECT_TRUE(showsImage());
}

}  // namespace
}  // namespace korv::test
