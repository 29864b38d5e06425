// The project's own skin loads from its folder and from the stored skin of the resource into the
// same tables.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "classlib/SysUtils.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/SkinFiles.h"
#include "skin/data/sSkinConvert.h"
#include "support/Sandbox.h"

namespace korv::test {
namespace {

// Every value of a section record, as text (so that a difference shows).
std::string SectionText(const TsGeneralData& g) {
  std::ostringstream s;
  s << g.SectionName << '|' << g.ParentClass << '|' << g.Color << '|' << int{g.Bevel} << '|' << g.ReservedBoolean
    << '|' << g.ShadowBlur << '|' << g.ShadowColor << '|' << g.ShadowEnabled << '|' << g.ShadowOffset << '|'
    << g.ShadowTransparency << '|' << g.Transparency << '|' << g.GradientPercent << '|' << g.GradientData << '|'
    << g.ImagePercent << '|' << g.ShowFocus << '|' << g.FadingEnabled << '|' << g.FadingIntervalIn << '|'
    << g.FadingIntervalOut << '|' << g.FadingIterations << '|' << g.HotColor << '|' << g.HotTransparency << '|'
    << int{g.HotBevel} << '|' << g.HotGradientPercent << '|' << g.HotGradientData << '|' << g.HotImagePercent << '|'
    << g.BorderColor1 << '|' << g.BorderColor2;
  for (int i = 0; i < 5; ++i) s << '|' << g.FontColor[i] << '|' << g.HotFontColor[i];
  for (const TsGradArray* a : {&g.GradientArray, &g.HotGradientArray})
    for (const TsGradStop& st : *a) s << "|[" << st.Color1 << ',' << st.Color2 << ',' << int{st.Percent} << ',' << st.Mode << ']';
  return s.str();
}

std::string ImageText(const TsMaskData& m) {
  std::ostringstream s;
  s << m.ClassName << '|' << m.PropertyName << '|' << m.R.left << ',' << m.R.top << ',' << m.R.right << ','
    << m.R.bottom << '|' << m.ImageCount << '|' << m.MaskType << '|' << m.BorderWidth << '|' << m.StretchMode << '|'
    << int{m.ImgType} << '|' << m.WL << ',' << m.WT << ',' << m.WR << ',' << m.WB << '|' << (m.Bmp != nullptr);
  return s.str();
}

TEST(ProjectSkinLoad, FolderAndResourceGiveEqualTables) {
  TSandbox box;
  TsSkinManager folder(nullptr), stored(nullptr);
  const std::string skins = ExtractFileDir(ExcludeTrailingPathDelimiter(ProjectSkinFolder()));
  folder.SetSkinDirectory(skins);
  folder.SetSkinName("Korvani");
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *stored.InternalSkins());
  stored.SetSkinDirectory(ExcludeTrailingPathDelimiter(box.AnsiPath()));  // no folder skin there
  stored.SetSkinName("Korvani");
  ASSERT_TRUE(folder.SkinData.Active && stored.SkinData.Active);
  EXPECT_EQ(folder.SkinData.SkinPath, ProjectSkinFolder());
  EXPECT_EQ(stored.SkinName(), stored.InternalSkins()->Items(0)->Name());
  EXPECT_TRUE(stored.SkinData.SkinPath.empty());

  EXPECT_EQ(folder.SkinData.Version, stored.SkinData.Version);
  EXPECT_EQ(folder.SkinData.Author, stored.SkinData.Author);
  EXPECT_EQ(folder.SkinData.Shadow1Color, stored.SkinData.Shadow1Color);
  EXPECT_EQ(folder.SkinData.Shadow1Blur, stored.SkinData.Shadow1Blur);
  ASSERT_EQ(folder.Sections.size(), stored.Sections.size());
  for (size_t i = 0; i < folder.Sections.size(); ++i)
    EXPECT_EQ(SectionText(folder.Sections[i]), SectionText(stored.Sections[i]));
  // Every stored image is kept (all lie inside the master bitmap), and none has a bitmap of its own.
  ASSERT_EQ(static_cast<int>(stored.Images.size()), stored.InternalSkins()->Items(0)->Images()->Count());
  ASSERT_EQ(folder.Images.size(), stored.Images.size());
  for (size_t i = 0; i < folder.Images.size(); ++i) EXPECT_EQ(ImageText(folder.Images[i]), ImageText(stored.Images[i]));
  EXPECT_TRUE(folder.Textures.empty() && stored.Textures.empty());

  ASSERT_TRUE(folder.MasterBitmap && stored.MasterBitmap);
  const TBitmap& a = *folder.MasterBitmap;
  const TBitmap& b = *stored.MasterBitmap;
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(a.Width()) * 3), 0) << "row " << y;

  // The painted parts find their sections and images alike.
  EXPECT_EQ(folder.SkinIndexCache.Fields(), stored.SkinIndexCache.Fields());
  EXPECT_GE(folder.SkinIndexCache.GlobalInfo, 0);
  EXPECT_GE(folder.SkinIndexCache.BoxChecked, 0);
  EXPECT_GE(folder.SkinIndexCache.ScrollBtnBorder[0], 0);
}

}  // namespace
}  // namespace korv::test
