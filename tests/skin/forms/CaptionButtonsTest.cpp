// Caption buttons as pixels: their places, their looks in the cache and on the window, and the
// images they fall back to. Every button image here is three frames of one colour each over a
// black mask, so a frame drawn in the full look is exactly its colour.
#include <gtest/gtest.h>

#include <algorithm>

#include "ProviderKit.h"
#include "skin/data/sSkinConvert.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {
namespace {

using CaptionButtonsTest = TProviderTest;

TEST_F(CaptionButtonsTest, ButtonsLineUpFromTheRightAndShowEveryLookInTheCacheAndOnTheWindow) {
  const char* names[] = {"BICONCLOSE", "BICONMAX", "BICONMIN", "BICONHELP", "BICONNORM"};
  Manager = NewButtonSkin({{"GLOBALINFO", names[0], 20, 18},
                           {"GLOBALINFO", names[1], 20, 18},
                           {"GLOBALINFO", names[2], 20, 18},
                           {"GLOBALINFO", names[3], 20, 18},
                           {"GLOBALINFO", names[4], 20, 18}});
  TForm* form = ShowSkinnedForm();
  TsSkinProvider* p = ProviderOf(form);
  p->SetBorderIcons(biSystemMenu | biMinimize | biMaximize | biHelp);
  TPixelImage img = Compose(p);
  const TsFormFrame f = p->Frame();
  const int codes[] = {htSkinClose, htSkinMaximize, htSkinMinimize, htSkinHelp};
  for (int i = 0; i < 4; ++i) {
    const TRect r = p->ButtonRecord(codes[i])->Rect;
    const TRect expected = Bounds(f.FormWidth() - f.SysBorderWidth() - 20 * (i + 1),
                                  (f.SysCaptionHeight() - 18 + f.SysBorderHeight()) / 2, 20, 18);
    EXPECT_TRUE(EqualRect(&r, &expected) && img.All(r, ButtonColor(names[i], 0))) << names[i];
  }
  auto shows = [&](int code, const char* name, int frame) {  // in the cache, then on the screen
    const TRect r = p->ButtonRecord(code)->Rect;
    return BitmapImage(*p->SkinData()->CacheBmp).All(r, ButtonColor(name, frame)) &&
           PumpUntil([&] { return CaptureWindow(form->Handle()).All(r, ButtonColor(name, frame)); }, 1000);
  };
  p->SetHotButton(htSkinMinimize);
  EXPECT_TRUE(shows(htSkinMinimize, names[2], 1));
  p->SetPressedButton(htSkinClose);  // the hot one goes back to normal
  EXPECT_TRUE(shows(htSkinMinimize, names[2], 0) && shows(htSkinClose, names[0], 2));
  p->SetHotButton(0);
  EXPECT_TRUE(shows(htSkinClose, names[0], 0));

  // Without biMaximize a sizeable form keeps maximise, disabled: its mask raised by 100 mixes
  // the picture into the title. Never pressed.
  p->SetBorderIcons(biSystemMenu | biMinimize);
  img = Compose(p);
  const TPixelImage under = BitmapImage(*p->ButtonsBackground);
  const TRect max = p->ButtonMax.Rect;
  const TColor u = under.At(max.left + 5 - f.FormWidth() + under.Width(), max.top + 5), s = ButtonColor(names[1], 0);
  for (int shift = 0; shift <= 16; shift += 8) {  // the title under it is of one colour
    const int a = (u >> shift) & 0xFF, b = (s >> shift) & 0xFF;
    EXPECT_EQ((img.At(max.left + 5, max.top + 5) >> shift) & 0xFF, std::clamp(((a - b) * 100 + b * 256) >> 8, 0, 255));
  }
  EXPECT_TRUE(img.All(max, img.At(max.left, max.top)));
  p->SetPressedButton(htSkinMaximize);
  EXPECT_EQ(p->ButtonMax.State, 0);
  p->FormActive = false;  // an inactive form dims its buttons at rest, but shows hover in full
  EXPECT_FALSE(Compose(p).All(p->ButtonClose.Rect, ButtonColor(names[0], 0)));
  p->SetHotButton(htSkinClose);
  EXPECT_TRUE(shows(htSkinClose, names[0], 1));
  p->FormActive = true;  // maximised, the restore image stands in for maximise
  p->SetBorderIcons(kDefaultProviderIcons);
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return form->WindowState() == wsMaximized; }));
  EXPECT_TRUE(Compose(p).All(p->ButtonMax.Rect, ButtonColor(names[4], 0)));
}

TEST_F(CaptionButtonsTest, ImagesFallBackFromSmallToBigToTheFormSectionAndToPlainPlaces) {
  // A dialog takes the small close image, two pixels lower when it is under 16 pixels high; a
  // title button the title image, or its glyph centred and keyed on its bottom-left pixel.
  Manager = NewButtonSkin({{"GLOBALINFO", "SICONCLOSE", 16, 14},
                           {"GLOBALINFO", "BICONCLOSE", 20, 18},
                           {"GLOBALINFO", "TITLEBUTTON", 24, 18}});
  TsSkinProvider* p = ProviderOf(NewSkinnedForm(bsDialog));
  TsTitleButton* skinned = p->TitleButtons()->Add();
  TsTitleButton* plain = p->TitleButtons()->Add();
  plain->SetUseSkinData(false);
  plain->Glyph()->SetSize(30, 10);
  FillDC(plain->Glyph()->Canvas()->Handle(), Rect(0, 0, 30, 10), 0x00123456);
  plain->Glyph()->Canvas()->SetPixels(0, 9, 0x00654321);
  p->Form->Show();
  TPixelImage img = Compose(p);
  const TRect close = p->ButtonClose.Rect, place = plain->Data.Rect;
  EXPECT_EQ(close.top, (p->SysCaptionHeight() - 14 + p->SysBorderHeight()) / 2 + 2);
  EXPECT_TRUE(RectWidth(close) == 16 && img.All(close, ButtonColor("SICONCLOSE", 0)));
  EXPECT_TRUE(RectWidth(skinned->Data.Rect) == 24 && img.All(skinned->Data.Rect, ButtonColor("TITLEBUTTON", 0)));
  ASSERT_EQ(RectWidth(place), 32);
  const TPoint g = Point(place.left + 1, place.top + (RectHeight(place) - 10) / 2);
  EXPECT_TRUE(img.All(Rect(g.x + 1, g.y, g.x + 30, g.y + 10), 0x00123456) &&
              img.All(Bounds(g.x, g.y, 1, 9), 0x00123456));
  EXPECT_NE(img.At(g.x, g.y + 9), 0x00654321);
  Manager.reset();
  p->UpdateButtonImages();  // without a manager nothing of the old skin is kept
  EXPECT_TRUE(p->ButtonClose.ImageIndex == -1 && p->TitleButtonImage == -1);

  // Without a small close image a dialog takes the big one; without a global close image, the
  // form section's; without any, a button is 21 x 21, placed and not drawn.
  for (const char* section : {"GLOBALINFO", "FORM", ""}) {
    Manager = NewButtonSkin({{*section ? section : "FORM", *section ? "BICONCLOSE" : "OTHER", 20, 18}});
    p = ProviderOf(NewSkinnedForm(bsDialog));
    p->Form->Show();
    img = Compose(p);
    const TRect r = p->ButtonClose.Rect;
    const TPixelImage under = BitmapImage(*p->ButtonsBackground);
    EXPECT_EQ(p->ButtonClose.ImageIndex, *section ? Manager->GetMaskIndexByName(section, "BICONCLOSE") : -1);
    EXPECT_EQ(RectWidth(r), *section ? 20 : kDefaultButtonSize);
    EXPECT_EQ(img.At(r.left + 3, r.top + 3), *section
                                                 ? ButtonColor("BICONCLOSE", 0)
                                                 : under.At(r.left + 3 - p->FormWidth() + under.Width(), r.top + 3));
    Manager.reset();
  }
}

// The project's own skin on a test form: where a button image's mask is black, the full look is
// the picture of the state's frame exactly; the disabled look is not.
TEST_F(CaptionButtonsTest, TheProjectSkinGivesNormalHotPressedAndDisabledLooks) {
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *Manager->InternalSkins());
  Manager->SetSkinName(Manager->InternalSkins()->Items(0)->Name());
  TsSkinProvider* p = ProviderOf(ShowSkinnedForm());
  p->SetBorderIcons(biSystemMenu | biMinimize);  // maximise shown, disabled
  // An active form at rest, whatever the pointer left where the form appeared, and whenever the
  // platform's activation reached it: nothing is pumped from here on.
  p->FormActive = true;
  p->SetHotButton(0);
  const TPixelImage normal = Compose(p), master = BitmapImage(*Manager->MasterBitmap);
  auto looks = [&](const TsCaptionButton& b, int frame, const TPixelImage& cache) {
    const TsMaskData& m = Manager->Images.at(static_cast<size_t>(b.ImageIndex));
    const int w = RectWidth(m.R) / m.ImageCount, h = RectHeight(m.R) / 2;
    int black = 0, same = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const TColor picture = master.At(m.R.left + frame * w + x, m.R.top + y);
        if (master.At(m.R.left + frame * w + x, m.R.top + h + y) != 0 || picture == kKey) continue;
        ++black, same += cache.At(b.Rect.left + x, b.Rect.top + y) == picture;
      }
    return black > 0 && same == black;
  };
  EXPECT_TRUE(looks(p->ButtonClose, 0, normal) && looks(p->ButtonMin, 0, normal));
  EXPECT_FALSE(looks(p->ButtonMax, 0, normal));
  p->SetHotButton(htSkinClose);
  EXPECT_TRUE(looks(p->ButtonClose, 1, BitmapImage(*p->SkinData()->CacheBmp)));
  p->SetPressedButton(htSkinClose);
  EXPECT_TRUE(looks(p->ButtonClose, 2, BitmapImage(*p->SkinData()->CacheBmp)));
}

}  // namespace
}  // namespace korv::test
