#include <gtest/gtest.h>

#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"
#include "skin/data/sMaskData.h"
#include "skin/data/sStoredSkins.h"

namespace korv {
namespace {

TEST(StoredSkins, FreshSkinAndItems) {
  TsStoredSkins skins(nullptr);
  TsStoredSkin* s = skins.Add();
  EXPECT_EQ(s->Shadow1Blur, -1);
  EXPECT_TRUE(s->MasterBitmap()->Empty());
  EXPECT_EQ(s->Images()->Count(), 0);
  EXPECT_EQ(s->Patterns()->Count(), 0);
  EXPECT_EQ(s->GeneralData()->Count(), 0);
  EXPECT_EQ(s->GeneralData()->GetOwner(), s);
  EXPECT_EQ(s->Images()->GetOwner(), s);
  TsSkinImage* img = s->Images()->Add();
  EXPECT_TRUE(img->Image()->Empty());
  TsSkinPattern* pat = s->Patterns()->Add();
  EXPECT_TRUE(pat->Image()->Empty());
  EXPECT_EQ(s->Images()->Items(0), img);
}

TEST(StoredSkins, PublishedPropertiesInTheirOrder) {
  auto names = [](TClass c) {
    std::vector<std::string> out;
    for (const TPropInfo* p : GetPropList(c)) out.push_back(p->Name);
    return out;
  };
  EXPECT_EQ(names(TsStoredSkin::StaticClass()),
            (std::vector<std::string>{"Name", "GeneralData", "Images", "Patterns", "MasterBitmap", "Shadow1Color",
                                      "Shadow1Offset", "Shadow1Blur", "Shadow1Transparency", "Version", "Author",
                                      "Description"}));
  auto general = names(TsSkinGeneral::StaticClass());
  ASSERT_EQ(general.size(), 31u);
  EXPECT_EQ(general.front(), "SectionName");
  EXPECT_EQ(general[3], "Bevel");
  EXPECT_EQ(general[11], "FontColor");
  EXPECT_EQ(general.back(), "Name");
  auto image = names(TsSkinImage::StaticClass());
  EXPECT_EQ(image, (std::vector<std::string>{"SectionName", "Image", "Name", "PropertyName", "Left", "Top", "Right",
                                             "Bottom", "ImageCount", "MaskType", "BorderWidth", "StretchMode",
                                             "ImgType", "WL", "WR", "WT", "WB"}));
  EXPECT_EQ(names(TsSkinPattern::StaticClass()),
            (std::vector<std::string>{"SectionName", "Image", "Name", "PropertyName"}));
  // Only Shadow1Blur has a default: every other value is always stored.
  for (TClass c : {TsStoredSkin::StaticClass(), TsSkinGeneral::StaticClass(), TsSkinImage::StaticClass()})
    for (const TPropInfo* p : GetPropList(c))
      EXPECT_EQ(p->HasDefault, std::string(p->Name) == "Shadow1Blur") << p->Name;
  const TPropInfo* blur = GetPropInfo(TsStoredSkin::StaticClass(), "Shadow1Blur");
  ASSERT_TRUE(blur);
  EXPECT_EQ(blur->DefaultOrd, -1);
  const TPropInfo* bevel = GetPropInfo(TsSkinGeneral::StaticClass(), "HotBevel");
  ASSERT_TRUE(bevel);
  EXPECT_EQ(bevel->Kind, TPropKind::Enum);
  ASSERT_EQ(bevel->IdentCount, 5);
  EXPECT_STREQ(bevel->Idents[4], "cbLoweredHard");
}

TEST(StoredSkins, IndexOfIsExactAndFindsTheFirst) {
  TsStoredSkins skins(nullptr);
  skins.Add()->SetName("Blue");
  skins.Add()->SetName("Korvani (internal)");
  skins.Add()->SetName("Blue");
  EXPECT_EQ(skins.IndexOf("Blue"), 0);
  EXPECT_EQ(skins.IndexOf("blue"), -1);
  EXPECT_EQ(skins.IndexOf("Korvani (internal)"), 1);
  EXPECT_EQ(skins.IndexOf("Korvani"), -1);
}

TEST(StoredSkins, ItemsDefineNoCopying) {
  TsStoredSkins a(nullptr), b(nullptr);
  a.Add()->SetName("x");
  EXPECT_THROW(b.Assign(&a), EConvertError);
  TsSkinGenerals g1(nullptr), g2(nullptr);
  g1.Add();
  try {
    g2.Assign(&g1);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TsSkinGeneral to a TsSkinGeneral");
  }
  TsStoredSkins empty(nullptr);
  b.Assign(&empty);  // nothing to copy
  EXPECT_EQ(b.Count(), 0);
}

TEST(StoredGenerals, ValuesAreCopiedWithoutInheritance) {
  TsStoredSkins skins(nullptr);
  TsStoredSkin& s = *skins.Add();
  s.SetName("Mine");
  s.Version = 4.83;
  s.Author = "A";
  s.Shadow1Offset = 1;
  s.Shadow1Color = 0x123;
  TsSkinGeneral& a = *s.GeneralData()->Add();
  a.SectionName = "A";
  a.ParentClass = "B";
  a.Color = static_cast<TColor>(0xFF00000F);
  a.Bevel = cbLoweredSoft;
  a.FontColor = "0 16777215 -1 -1 -1";
  a.HotFontColor = "1 2 3";
  a.GradientData = "1;2;30;1;0";
  a.HotGradientData = " ";
  a.FadingIterations = -1;
  TsSkinGeneral& bad = *s.GeneralData()->Add();
  bad.SectionName = "BAD";
  bad.Color = 77;
  bad.GradientData = "1;2;x;0;0";
  bad.ShowFocus = true;
  TsSkinGeneral& b = *s.GeneralData()->Add();
  b.SectionName = "B";
  b.FontColor = "5 6 7 8 nine";
  b.BorderColor2 = 9;

  TsSkinData d;
  TsGeneralDataArray t;
  TacGeneralsSources src;
  src.Stored = &skins;
  src.SkinName = "Mine";
  ASSERT_TRUE(LoadAllGenerals(src, d, t));
  EXPECT_DOUBLE_EQ(d.Version, 4.83);
  EXPECT_EQ(d.Author, "A");
  EXPECT_EQ(d.Shadow1Blur, -1);
  EXPECT_EQ(d.Shadow1Offset, 1);
  EXPECT_EQ(d.Shadow1Color, 0x123);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].ParentClass, "B");
  EXPECT_EQ(t[0].Color, static_cast<int32_t>(0xFF00000F));  // unresolved
  EXPECT_EQ(t[0].Bevel, cbLoweredSoft);
  EXPECT_EQ(t[0].FontColor[1], 16777215);
  EXPECT_EQ(t[0].FontColor[2], -1);
  EXPECT_EQ(t[0].HotFontColor[0], 0);  // three words: colour 0, no contours
  EXPECT_EQ(t[0].HotFontColor[4], -1);
  ASSERT_EQ(t[0].GradientArray.size(), 1u);
  EXPECT_EQ(t[0].GradientArray[0].Mode, 1);
  EXPECT_TRUE(t[0].HotGradientArray.empty());
  EXPECT_EQ(t[0].FadingIterations, -1);
  // A bad gradient ends that record only: what came before it is there, what follows is not.
  EXPECT_EQ(t[1].SectionName, "BAD");
  EXPECT_EQ(t[1].Color, 77);
  EXPECT_FALSE(t[1].ShowFocus);
  EXPECT_EQ(t[2].SectionName, "B");
  EXPECT_EQ(t[2].BorderColor2, 9);

  // No stored skin of that name: nothing changes.
  src.SkinName = "mine";
  d.Author = "kept";
  EXPECT_FALSE(LoadAllGenerals(src, d, t));
  EXPECT_EQ(d.Author, "kept");
  EXPECT_EQ(t.size(), 3u);
  // Extra sections follow the stored ones and find their parents among them.
  src.SkinName = "Mine";
  src.CommonSections = {"[EXTRA]", "PARENTCLASS=b"};
  ASSERT_TRUE(LoadAllGenerals(src, d, t));
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[3].BorderColor2, 9);
}

TEST(FolderGenerals, ReadThroughTheMemoryIniFile) {
  TMemIniFile ini("");
  ini.SetText("[GLOBALINFO]\r\n VERSION = 3.5 \r\n[A]\r\nPARENTCLASS=B\r\n[B]\r\nCOLOR=0x00FF00\r\n[a]\r\nCOLOR=1\r\n");
  TacMemIniSource src(ini);
  TacGeneralsSources s;
  s.Folder = &src;
  s.CommonSections = {"[C]", "PARENTCLASS=A"};
  TsSkinData d;
  TsGeneralDataArray t;
  ASSERT_TRUE(LoadAllGenerals(s, d, t));
  EXPECT_EQ(d.Version, 3.5);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[1].SectionName, "A");
  EXPECT_EQ(t[1].Color, 0x00FF00);
  EXPECT_EQ(t[3].SectionName, "C");
  EXPECT_EQ(t[3].Color, 0x00FF00);
}

TEST(ImageValues, HashFormRectanglesAndCounts) {
  TsMaskData m;
  ASSERT_TRUE(ParseHashImageValue("GlobalInfo", "BoxChecked", "#(63,150,108,176)(3,1)", m));
  EXPECT_EQ(m.ClassName, "GLOBALINFO");
  EXPECT_EQ(m.PropertyName, "BOXCHECKED");
  EXPECT_EQ(m.R.left, 63);
  EXPECT_EQ(m.R.top, 150);
  EXPECT_EQ(m.R.right, 108);
  EXPECT_EQ(m.R.bottom, 176);
  EXPECT_EQ(m.ImageCount, 3);
  EXPECT_EQ(m.MaskType, 1);
  EXPECT_EQ(m.BorderWidth, 0);
  EXPECT_EQ(m.StretchMode, 1);
  EXPECT_EQ(m.ImgType, itisaBorder);
  ASSERT_TRUE(ParseHashImageValue("S", "PATTERN", "#(63,150,108,176)(3,1)", m));
  EXPECT_EQ(m.ImgType, itisaTexture);
  EXPECT_EQ(m.StretchMode, 0);
  ASSERT_TRUE(ParseHashImageValue("S", "K", "#(0,0,9,9)(0,-2,-1,0)", m));
  EXPECT_EQ(m.ImageCount, 1);
  EXPECT_EQ(m.MaskType, 0);
  EXPECT_EQ(m.BorderWidth, 0);
  EXPECT_EQ(m.StretchMode, 0);
  EXPECT_FALSE(ParseHashImageValue("S", "K", "#", m));
  EXPECT_FALSE(ParseHashImageValue("S", "K", "plain", m));
  EXPECT_THROW((void)ParseHashImageValue("GLOBALINFO", "AUTHOR", "Skin #2", m), EConvertError);
  EXPECT_THROW((void)ParseHashImageValue("S", "K", "#(1,2,3)(1,1)", m), EConvertError);
  EXPECT_THROW((void)ParseHashImageValue("S", "K", "#(1,2,3,4)", m), EConvertError);
}

}  // namespace
}  // namespace korv
