// Skin components made in code are whole, as those read from a stored form are.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Streaming.h"
#include "skin/controls/sPanel.h"
#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

class MadeInCodeTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    AddSection(*Sm, "PANEL", kFace);
    Sm->SkinData.Active = true;
    RegisterClass(TsPanel::StaticClass());
  }
  void TearDown() override {
    UnRegisterClass(TsPanel::StaticClass());
    TSkinCoreTest::TearDown();
  }
  static constexpr TColor kFace = 0x3366CC;
  TsSkinManager* Sm = nullptr;
};

TEST_F(MadeInCodeTest, APanelMadeInCodeIsSkinnedAsOneReadFromAForm) {
  // Nothing set but its place: the panel finds its section as reading would give it.
  TForm* made = NewForm(100, 100, 240, 160);
  made->SetName("Form1");
  auto* panel = NewComponent<TsPanel>(made);
  panel->SetName("Panel1");
  panel->SetParent(made);
  panel->SetBounds(10, 10, 120, 60);
  EXPECT_EQ(panel->SkinData()->SkinSection(), "PANEL");

  TForm* read = NewForm(400, 100, 240, 160);
  const std::vector<uint8_t> bytes = ComponentToBytes(made);
  ReadComponentFromMemory(bytes.data(), bytes.size(), read);
  auto* readPanel = dynamic_cast<TsPanel*>(read->FindComponent("Panel1"));
  ASSERT_NE(readPanel, nullptr);

  ShowAndActivate(made);
  ShowAndActivate(read);
  for (TsPanel* p : {panel, readPanel}) RedrawWindow(p->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const TPixelImage fromCode = CaptureClient(panel->Handle());
  const TPixelImage fromForm = CaptureClient(readPanel->Handle());
  ASSERT_EQ(fromCode.Width(), fromForm.Width());
  EXPECT_TRUE(fromForm.All(Rect(4, 4, 116, 56), kFace));
  EXPECT_TRUE(fromCode.All(Rect(4, 4, 116, 56), kFace));
  int differ = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) differ += fromCode.At(x, y) != fromForm.At(x, y);
  EXPECT_EQ(differ, 0);
}

TEST_F(MadeInCodeTest, AManagerMadeInCodeHasTheDefaultsOfOneReadFromAForm) {
  TForm* made = NewForm();
  made->SetName("Form1");
  NewComponent<TsSkinManager>(made)->SetName("Skins");
  const std::vector<uint8_t> bytes = ComponentToBytes(made);
  TForm* read = NewForm();
  ReadComponentFromMemory(bytes.data(), bytes.size(), read);
  auto* fromForm = dynamic_cast<TsSkinManager*>(read->FindComponent("Skins"));
  auto* fromCode = dynamic_cast<TsSkinManager*>(made->FindComponent("Skins"));
  ASSERT_NE(fromForm, nullptr);
  EXPECT_EQ(fromCode->MenuSupport()->IcoLineSkin(), fromForm->MenuSupport()->IcoLineSkin());
  EXPECT_EQ(fromCode->MenuSupport()->IcoLineSkin(), "ICOLINE");
  EXPECT_EQ(fromCode->SkinDirectory(), fromForm->SkinDirectory());
}

}  // namespace
}  // namespace korv::test
