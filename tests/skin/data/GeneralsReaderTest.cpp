#include <gtest/gtest.h>

#include "TextIni.h"
#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"

namespace korv {
namespace {

using test::TextIni;

const TsGeneralData* Find(const TsGeneralDataArray& t, std::string_view name) {
  for (const auto& g : t)
    if (g.SectionName == name) return &g;
  return nullptr;
}

TsGeneralDataArray ReadFolder(std::string_view text, TsSkinData* data = nullptr) {
  TsSkinData d;
  TsGeneralDataArray t;
  ReadFolderGenerals(TextIni(text), data ? *data : d, t);
  return t;
}

TEST(FolderGenerals, GlobalInfoValuesAndDefaults) {
  TsSkinData d;
  auto t = ReadFolder(
      "[GLOBALINFO]\nVERSION=4.83\nAUTHOR=Us\nDESCRIPTION=Test skin\nSHADOW1COLOR=0x10\nSHADOW1OFFSET=2\n"
      "SHADOW1TRANSPARENCY=40\nCOLOR=$00ABCDEF\n[EMPTY]\n",
      &d);
  EXPECT_DOUBLE_EQ(d.Version, 4.83);
  EXPECT_EQ(d.Author, "Us");
  EXPECT_EQ(d.Description, "Test skin");
  EXPECT_EQ(d.Shadow1Color, 16);
  EXPECT_EQ(d.Shadow1Offset, 2);
  EXPECT_EQ(d.Shadow1Blur, -1);
  EXPECT_EQ(d.Shadow1Transparency, 40);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].SectionName, "GLOBALINFO");
  EXPECT_EQ(t[0].Color, 0xABCDEF);

  const TsGeneralData& e = t[1];
  EXPECT_EQ(e.ParentClass, "");
  EXPECT_EQ(e.Color, 0xFFFFFF);
  EXPECT_EQ(e.Bevel, cbNone);
  EXPECT_EQ(e.ShadowBlur, 6);
  EXPECT_EQ(e.ShadowOffset, 3);
  EXPECT_EQ(e.ShadowColor, 0);
  EXPECT_EQ(e.ShadowTransparency, 50);
  EXPECT_FALSE(e.ShadowEnabled);
  EXPECT_EQ(e.FontColor[0], 0);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(e.FontColor[i], -1);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(e.HotFontColor[i], -1);
  EXPECT_EQ(e.GradientData, " ");
  EXPECT_TRUE(e.GradientArray.empty());
  EXPECT_EQ(e.HotGradientData, "");
  EXPECT_TRUE(e.HotGradientArray.empty());
  EXPECT_EQ(e.FadingIntervalIn, 5);
  EXPECT_EQ(e.FadingIntervalOut, 5);
  EXPECT_EQ(e.FadingIterations, 5);
  EXPECT_EQ(e.HotColor, 0xFFFFFF);
}

TEST(FolderGenerals, VersionIsReadWithADotWhateverTheLocale) {
  TsSkinData d;
  ReadFolder("[GLOBALINFO]\nVERSION=4,83\n", &d);
  EXPECT_EQ(d.Version, 0);
  ReadFolder("[GLOBALINFO]\nVERSION=five\n", &d);
  EXPECT_EQ(d.Version, 0);
  ReadFolder("[GLOBALINFO]\nVERSION= 2.5 \n", &d);
  EXPECT_EQ(d.Version, 2.5);
}

TEST(FolderGenerals, ParentClassInheritance) {
  auto t = ReadFolder(
      "[A]\nPARENTCLASS=B\n[B]\nCOLOR=0x00FF00\nSHOWFOCUS=true\nGRADIENTDATA=1;2;3;0;0\nBEVEL=3\n"
      "[SELF]\nPARENTCLASS=SELF\n[C]\nPARENTCLASS=A\nFADINGITERATIONS=-1\nCOLOR=-1\n[D]\nSHOWFOCUS=1\n"
      "FADINGITERATIONS=-1\n[E]\nPARENTCLASS=B\nSHOWFOCUS=?\nSHADOWCOLOR=-1\n[F]\nPARENTCLASS=b\nBEVEL=9\n");
  const TsGeneralData* a = Find(t, "A");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->ParentClass, "B");
  EXPECT_EQ(a->Color, 0x00FF00);
  EXPECT_TRUE(a->ShowFocus);
  EXPECT_EQ(a->GradientData, "1;2;3;0;0");
  ASSERT_EQ(a->GradientArray.size(), 1u);
  EXPECT_EQ(a->Bevel, cbRaisedHard);
  EXPECT_EQ(Find(t, "SELF")->Color, 0xFFFFFF);
  EXPECT_EQ(Find(t, "C")->Color, 0x00FF00);  // -1 counts as absent; two steps up
  EXPECT_EQ(Find(t, "C")->FadingIterations, 5);
  EXPECT_EQ(Find(t, "D")->FadingIterations, 5);
  EXPECT_FALSE(Find(t, "D")->ShowFocus);     // only "TRUE" is true
  EXPECT_TRUE(Find(t, "E")->ShowFocus);      // "?" counts as absent
  EXPECT_EQ(Find(t, "E")->ShadowColor, -1);  // read directly, never inherited
  EXPECT_EQ(Find(t, "F")->Color, 0x00FF00);  // parent names compare like INI names
  EXPECT_EQ(Find(t, "F")->Bevel, cbNone);    // outside 0..4
}

TEST(FolderGenerals, ParentCyclesStopAndGiveTheDefault) {
  auto t = ReadFolder(
      "[A]\nPARENTCLASS=B\n[B]\nPARENTCLASS=C\n[C]\nPARENTCLASS=a\nSHADOWBLUR=9\n"
      "[X]\nPARENTCLASS=Y\n[Y]\nPARENTCLASS=X\n[Z]\nPARENTCLASS=MISSING\n[T]\nPARENTCLASS=X\n");
  EXPECT_EQ(Find(t, "A")->ShadowBlur, 9);
  EXPECT_EQ(Find(t, "A")->Color, 0xFFFFFF);
  EXPECT_EQ(Find(t, "X")->Color, 0xFFFFFF);
  EXPECT_EQ(Find(t, "Y")->FadingIterations, 5);
  EXPECT_FALSE(Find(t, "X")->ShowFocus);
  EXPECT_EQ(Find(t, "Z")->ShadowOffset, 3);
  EXPECT_EQ(Find(t, "T")->ShadowBlur, 6);  // leads into a cycle without a value
}

TEST(FolderGenerals, ParentNamesFoldCaseAsTheIniFileDoes) {
  // A section spelt with a small letter of the code page, named by its parent key in capitals.
  TMemIniFile ini("");
  ini.SetText("[\xE4RA]\nCOLOR=0x0A0B0C\nSHOWFOCUS=TRUE\n[CHILD]\nPARENTCLASS=\xC4RA\n");
  if (!ini.SectionExists("\xC4RA")) GTEST_SKIP() << "the code page has no case pair for these letters";
  TacMemIniSource source(ini);
  TsSkinData d;
  TsGeneralDataArray t;
  ReadFolderGenerals(source, d, t);
  const TsGeneralData* child = Find(t, "CHILD");
  ASSERT_TRUE(child);
  EXPECT_EQ(child->ParentClass, "\xC4RA");
  EXPECT_EQ(child->Color, 0x0A0B0C);
  EXPECT_TRUE(child->ShowFocus);
}

TEST(FolderGenerals, MemIniSourceGivesTheIniFilesSectionValuesSplitAtTheFirstEquals) {
  TMemIniFile ini("");
  ini.SetText("[S]\nflag\na=b=c\n k = v \nempty=\n");
  ini.WriteString("s", "x=y", "z");  // a key with a "=" of its own
  TStringList lines;
  ini.ReadSectionValues("S", lines);
  TacMemIniSource source(ini);
  TacSkinIniSource::TEntries entries;
  source.ReadSectionValues("s", entries);
  ASSERT_EQ(entries.size(), static_cast<size_t>(lines.Count()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string line = lines.Get(static_cast<int>(i));
    const size_t eq = line.find('=');
    EXPECT_EQ(entries[i].first, line.substr(0, eq)) << line;
    EXPECT_EQ(entries[i].second, eq == std::string::npos ? "" : line.substr(eq + 1)) << line;
  }
  EXPECT_EQ(entries[4], (std::pair<std::string, std::string>("x", "y=z")));
  source.ReadSectionValues("none", entries);
  EXPECT_TRUE(entries.empty());
}

TEST(FolderGenerals, SystemColoursAreResolvedOnlyForColor) {
  auto t = ReadFolder("[S]\nCOLOR=$FF00000F\nHOTCOLOR=$FF00000F\n");
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].Color, static_cast<int32_t>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(t[0].HotColor, static_cast<int32_t>(0xFF00000F));
}

TEST(FolderGenerals, DuplicateSectionsAndKeysFirstWins) {
  auto t = ReadFolder("[A]\nCOLOR=1\nCOLOR=2\n[B]\n[a]\nCOLOR=3\nBEVEL=2\n");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].SectionName, "A");
  EXPECT_EQ(t[0].Color, 1);
  EXPECT_EQ(t[0].Bevel, cbNone);
  EXPECT_EQ(t[1].SectionName, "B");
}

TEST(FolderGenerals, StrictValuesFailTheWholeReadAndChangeNothing) {
  TsSkinData d;
  d.Author = "previous";
  TsGeneralDataArray t(3);
  t[0].SectionName = "OLD";
  for (const char* text :
       {"[GLOBALINFO]\nSHADOW1COLOR=red\n", "[GLOBALINFO]\nSHADOW1BLUR=\n", "[GLOBALINFO]\nSHADOW1OFFSET=99999999999\n",
        "[A]\n[B]\nGRADIENTDATA=1;2;3;x;0\n", "[A]\nPARENTCLASS=B\n[B]\nHOTGRADIENTDATA=1;2;3;0x;0\n[C]\n",
        "[GLOBALINFO]\nAUTHOR=New\n[A]\nGRADIENTDATA=1;2;3; ;4\n"}) {
    SCOPED_TRACE(text);
    bool failed = false;
    try {
      ReadFolderGenerals(TextIni(text), d, t);
    } catch (const EConvertError& e) {
      failed = std::string(e.what()).find("is not a valid integer value") != std::string::npos;
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(d.Author, "previous");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].SectionName, "OLD");
  }
  // A non-integer in an ordinary integer key is just absent.
  auto ok = ReadFolder("[A]\nCOLOR=green\nSHADOWBLUR=12px\n");
  EXPECT_EQ(ok[0].Color, 0xFFFFFF);
  EXPECT_EQ(ok[0].ShadowBlur, 6);
}

TEST(CommonGenerals, AppendedWithParentsAndDefaults) {
  TsGeneralDataArray t = ReadFolder("[BASE]\nCOLOR=0x123456\nSHOWFOCUS=TRUE\nGRADIENTDATA=1;2;30;0;0\n");
  AppendCommonGenerals(
      {"; extra", "[MINE]", "PARENTCLASS=base", "[broken line", "HOTCOLOR=0x10", "[OWN]", "COLOR=$FF00000F",
       "SHOWFOCUS=false", "HOTGRADIENTDATA= ", "[SELFISH]", "PARENTCLASS=SELFISH", "[MINE]", "COLOR=7"},
      t);
  ASSERT_EQ(t.size(), 4u);
  const TsGeneralData& m = t[1];
  EXPECT_EQ(m.SectionName, "MINE");
  EXPECT_EQ(m.ParentClass, "BASE");
  EXPECT_EQ(m.Color, 0x123456);
  EXPECT_TRUE(m.ShowFocus);
  EXPECT_EQ(m.GradientData, "1;2;30;0;0");
  ASSERT_EQ(m.GradientArray.size(), 1u);
  EXPECT_EQ(m.GradientArray[0].Percent, 30);
  EXPECT_EQ(m.HotColor, 0x10);
  const TsGeneralData& o = t[2];
  EXPECT_EQ(o.ParentClass, "-1");
  EXPECT_EQ(o.Color, static_cast<int32_t>(0xFF00000F));  // not resolved here
  EXPECT_FALSE(o.ShowFocus);
  EXPECT_EQ(o.HotGradientData, " ");
  EXPECT_TRUE(o.HotGradientArray.empty());
  EXPECT_EQ(o.GradientData, " ");
  EXPECT_EQ(o.ShadowBlur, 6);
  EXPECT_EQ(o.FontColor[3], -1);
  EXPECT_EQ(t[3].SectionName, "SELFISH");
  EXPECT_EQ(t[3].ShadowTransparency, 50);
  EXPECT_EQ(t[3].Color, 0xFFFFFF);

  TsGeneralDataArray before = t;
  EXPECT_THROW(AppendCommonGenerals({"[BAD]", "GRADIENTDATA=1;2;3;4;5;6;7;8;nine;0"}, t), EConvertError);
  EXPECT_EQ(t.size(), before.size());
}

}  // namespace
}  // namespace korv
