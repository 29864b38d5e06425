// Mutated skin texts: every one is read whole or rejected with the conversion error, leaving the
// previous table and skin data exactly as they were.
#include <gtest/gtest.h>

#include "SkinFiles.h"
#include "SkinTextMutator.h"
#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"
#include "skin/data/sMaskData.h"
#include "skin/data/sUtils.h"

namespace korv {
namespace {

using test::Mutator;

const char kSeed[] =
    "[GLOBALINFO]\nVERSION=1.5\nSHADOW1COLOR=$FF00000F\nSHADOW1BLUR=2\nCOLOR=0xE8ECEE\n"
    "[FORM]\nPARENTCLASS=BASE\nGRADIENTDATA=1;2;50;0;0;3;4;50;0;0\nSHOWFOCUS=TRUE\nBEVEL=2\n"
    "[BASE]\nPARENTCLASS=FORM\nCOLOR=-1\nHOTGRADIENTDATA=0x10;$20;100;1;0\nFONTCOLOR=5\nTCLEFT=6\n"
    "[LOOP1]\nPARENTCLASS=LOOP2\n[LOOP2]\nPARENTCLASS=loop1\nFADINGITERATIONS=-1\n";

std::string SeedText() {
  TStringList lines;
  const std::string file = test::ProjectSkinFolder() + "Options.dat";
  if (FileExists(file)) lines.LoadFromFile(file);
  return lines.Text() + kSeed;
}

bool IsConversionError(const EConvertError& e) {
  return e.Message().find("' is not a valid integer value") != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
  TStringList l;
  l.SetText(text);
  std::vector<std::string> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l.Get(i));
  return out;
}

TEST(SkinFuzz, SectionReaderLoadsOrRejectsCleanly) {
  // The project's whole skin text, and a small one full of parents, cycles and hex values.
  const std::string seeds[] = {SeedText(), kSeed};
  Mutator mut(20261207);
  int loaded = 0, rejected = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::string text = mut.Mutate(seeds[round % 4 == 0 ? 0 : 1]);
    TMemIniFile ini("");
    ini.SetText(text);
    TacMemIniSource src(ini);
    TacGeneralsSources s;
    s.Folder = &src;
    if (round % 3 == 0) s.CommonSections = Lines(mut.Mutate(kSeed));

    TsSkinData data;
    data.Author = "sentinel";
    TsGeneralDataArray table(1);
    table[0].SectionName = "SENTINEL";
    try {
      ASSERT_TRUE(LoadAllGenerals(s, data, table));
      ++loaded;
      // A whole table: one record per distinct section of the file, then the extra sections.
      TStringList names;
      ini.ReadSections(names);
      ASSERT_GE(static_cast<int>(table.size()), names.Count()) << text;
      for (int i = 0; i < names.Count(); ++i) ASSERT_EQ(table[static_cast<size_t>(i)].SectionName, names.Get(i));
      for (const TsGeneralData& g : table) {
        for (const TsGradStop& st : g.GradientArray) ASSERT_LE(st.Percent, 100);
        ASSERT_TRUE(g.GradientData == " " || g.GradientArray.size() == SplitWords(g.GradientData, ";").size() / 5);
      }
    } catch (const EConvertError& e) {
      ASSERT_TRUE(IsConversionError(e)) << e.Message();
      ++rejected;
      ASSERT_EQ(data.Author, "sentinel");
      ASSERT_EQ(table.size(), 1u);
      ASSERT_EQ(table[0].SectionName, "SENTINEL");
    }
  }
  // Both outcomes occur, or the mutations are not reaching the reader.
  EXPECT_GT(loaded, 100);
  EXPECT_GT(rejected, 100);
}

TEST(SkinFuzz, GradientAndImageValues) {
  Mutator mut(7);
  const std::string seeds[] = {"8421504;15329769;51;1;0;15329769;8421504;48;1;0", "#(63,150,108,176)(3,1,0,1)",
                               "$FF;0x10;;250;2;x;;1;2;3;4;5"};
  int ok = 0, bad = 0;
  for (int round = 0; round < 6000; ++round) {
    const std::string text = mut.Mutate(seeds[round % 3]);
    TsGradArray a(2);
    try {
      ParseGradientData(text, a);
      ASSERT_EQ(a.size(), text.empty() ? 0 : SplitWords(text, ";").size() / 5);
      for (const TsGradStop& s : a) ASSERT_LE(s.Percent, 100);
      ++ok;
    } catch (const EConvertError& e) {
      ASSERT_TRUE(IsConversionError(e)) << e.Message();
      ASSERT_TRUE(a.empty());
      ++bad;
    }
    TsMaskData m;
    try {
      if (ParseHashImageValue("S", "K", text, m)) {
        ASSERT_GE(m.ImageCount, 1);
        ASSERT_GE(m.MaskType, 0);
        ASSERT_GE(m.BorderWidth, 0);
      }
    } catch (const EConvertError& e) {
      ASSERT_TRUE(IsConversionError(e)) << e.Message();
    }
  }
  EXPECT_GT(ok, 500);
  EXPECT_GT(bad, 500);
}

}  // namespace
}  // namespace korv
