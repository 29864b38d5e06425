// A skin change as the user sees it on a form of skinned controls: every child painted once, in
// the colours of the skin that ends up loaded.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ProviderKit.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/data/sStoredSkins.h"

namespace korv::test {
namespace {

using SkinChangePaintTest = TProviderTest;

TEST_F(SkinChangePaintTest, AHueChangeOrANewSkinPaintsEachSkinnedChildOnceInTheNewColours) {
  Manager = std::make_unique<TsSkinManager>(nullptr);
  AddTestSkin(*Manager);
  TsSkinGeneral* g = Manager->InternalSkins()->Items(0)->GeneralData()->Add();
  g->SectionName = "PANEL";
  g->Color = g->HotColor = 0x3060A0;
  Manager->SetSkinName("Test");
  // Owned by the application, as the forms the manager announces its skins to are.
  auto* form = new TForm(Application);
  Forms_.push_back(form);
  form->SetBounds(100, 100, 400, 300);
  NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
  std::vector<TsPanel*> panels;
  for (int i = 0; i < 3; ++i) {
    panels.push_back(NewComponent<TsPanel>(form));
    panels.back()->SetParent(form);
    panels.back()->SetBounds(10 + 80 * i, 10, 70, 70);
  }
  panels.push_back(NewComponent<TsPanel>(form));  // inside another panel
  panels.back()->SetParent(panels[1]);
  panels.back()->SetBounds(10, 10, 40, 40);
  auto* bar = NewComponent<TsScrollBar>(form);
  bar->SetParent(form);
  bar->SetBounds(10, 200, 200, GetSystemMetrics(SM_CYHSCROLL));
  ShowPainted(form);

  std::vector<std::unique_ptr<TMessageRecorder>> recorders;
  for (TWinControl* c : std::vector<TWinControl*>{panels[0], panels[1], panels[2], panels[3], bar}) {
    recorders.push_back(std::make_unique<TMessageRecorder>(c));
    recorders.back()->Filter({WM_PAINT});
  }
  auto paints = [&] {
    PumpPending();
    std::vector<int> counts;
    for (auto& r : recorders) {
      counts.push_back(r->Count(WM_PAINT));
      r->Clear();
    }
    return counts;
  };
  auto colourOf = [&](const char* section) {
    return ColorToRGB(Manager->Sections[static_cast<size_t>(Manager->GetSkinIndex(section))].Color);
  };
  // Each panel's face and the bar's track after the thumb (left of its second arrow), on the screen.
  auto onScreen = [](HWND wnd, const TRect& r, TColor c) {
    return CaptureWhen(wnd, true, [&](const TPixelImage& img) { return img.All(r, c); }).All(r, c);
  };
  auto showsSkin = [&] {
    bool all = true;
    for (TsPanel* p : panels) all = onScreen(p->Handle(), Rect(0, 0, 30, 4), colourOf("PANEL")) && all;
    const int x = bar->Width() - GetSystemMetrics(SM_CXHSCROLL) - 3;
    return onScreen(bar->Handle(), Rect(x, 5, x + 1, 6), colourOf("SCROLLBAR2H")) && all;
  };
  const std::vector<int> once(recorders.size(), 1);

  const TColor before = colourOf("PANEL");
  Manager->SetHueOffset(60);
  EXPECT_EQ(paints(), once);
  EXPECT_NE(colourOf("PANEL"), before);
  EXPECT_TRUE(showsSkin());

  Manager->SetActive(false);
  paints();
  Manager->SetActive(true);
  EXPECT_EQ(paints(), once);
  EXPECT_TRUE(showsSkin());
}

}  // namespace
}  // namespace korv::test
