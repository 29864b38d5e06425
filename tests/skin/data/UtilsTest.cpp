#include <gtest/gtest.h>

#include "skin/data/sUtils.h"

namespace korv {
namespace {

TEST(SkinUtils, WordsCountPositionsAndPieces) {
  EXPECT_EQ(CountWords("a;;b;c", ";"), 3);
  EXPECT_EQ(CountWords(";;;", ";"), 0);
  EXPECT_EQ(CountWords("", ";"), 0);
  EXPECT_EQ(CountWords(" a b ", " ;"), 2);
  EXPECT_EQ(NthWord(2, "a;;b;c", ";"), "b");
  EXPECT_EQ(NthWord(4, "a;;b;c", ";"), "");
  EXPECT_EQ(NthWord(0, "a;;b;c", ";"), "");
  EXPECT_EQ(NthWordPos(3, "a;;b;c", ";"), 6);
  EXPECT_EQ(NthWordPos(1, ";x", ";"), 2);
  EXPECT_EQ(NthWordPos(2, ";x", ";"), 0);
  // SplitWords gives what repeated NthWord calls give.
  const std::string text = ";12;;3 4;;5;";
  auto words = SplitWords(text, "; ");
  ASSERT_EQ(static_cast<int>(words.size()), CountWords(text, "; "));
  for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(words[i], NthWord(static_cast<int>(i) + 1, text, "; "));
  size_t pos = 0;
  EXPECT_EQ(NextWord(text, "; ", pos), "12");
  EXPECT_EQ(pos, 3u);
  pos = text.size() + 5;  // past the end: no word, and Pos stays within the text
  EXPECT_EQ(NextWord(text, "; ", pos), "");
  EXPECT_EQ(pos, text.size());
  EXPECT_EQ(RemoveChar("a b  c ", ' '), "abc");
}

TEST(SkinUtils, NormalizeFolder) {
  EXPECT_EQ(NormalizeFolder(""), "");
  EXPECT_EQ(NormalizeFolder("D"), "D:\\");
  EXPECT_EQ(NormalizeFolder("C:\\Skins\\"), "C:\\Skins\\");
  EXPECT_EQ(NormalizeFolder("a/b/"), "a/b\\");
  EXPECT_EQ(NormalizeFolder("C:\\Skins"), "C:\\Skins\\");
}

TEST(SkinUtils, SmallNumbers) {
  EXPECT_EQ(LimitByte(-3), 0);
  EXPECT_EQ(LimitByte(300), 255);
  EXPECT_EQ(LimitByte(17), 17);
  EXPECT_TRUE(IsBetween(5, 5, 6));
  EXPECT_FALSE(IsBetween(7, 5, 6));
  EXPECT_EQ(IntMax(-2, 3), 3);
  EXPECT_EQ(IntMin(-2, 3), -2);
  RECT r{3, 4, 10, 20};
  EXPECT_EQ(RectWidth(r), 7);
  EXPECT_EQ(RectHeight(r), 16);
  EXPECT_EQ(IfThenStr(false, "a", "b"), "b");
  EXPECT_EQ(IfThenInt(true, 1, 2), 1);
}

TEST(SkinUtils, StatusFontHeightIsTheSystemsStatusFont) {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  EXPECT_EQ(StatusFontHeight(), ncm.lfStatusFont.lfHeight);
  EXPECT_NE(StatusFontHeight(), 0);
}

TEST(SkinUtils, IniSectionsKeepLinesAsWritten) {
  std::vector<std::string> lines = {
      "X=before any section", "[ONE]",  " KEY = v ", "; comment", "",      "[broken", "[TWO]", "Key=first",
      "KEY=second",           "0x=hex", "NUM=0x10",  "BAD=12a",   "[ONE]", "KEY=dup"};
  auto s = SplitIniSections(lines);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].Name, "ONE");
  ASSERT_EQ(s[0].Lines.size(), 2u);
  EXPECT_EQ(s[0].Lines[1], "[broken");  // no closing bracket: an ordinary line
  // Blanks belong to the key and to the value.
  EXPECT_EQ(ReadIniString(s, "one", " KEY ", "d"), " v ");
  EXPECT_EQ(ReadIniString(s, "one", "KEY", "d"), "d");
  EXPECT_EQ(ReadIniString(s, "two", "key", "d"), "first");
  EXPECT_EQ(ReadIniString(s, "three", "key", "d"), "d");
  EXPECT_EQ(ReadIniInteger(s, "TWO", "NUM", -1), 16);
  EXPECT_EQ(ReadIniInteger(s, "TWO", "BAD", -1), -1);
  EXPECT_EQ(ReadIniInteger(s, "TWO", "0x", -1), -1);
  EXPECT_EQ(IniTextToIntDef("0XfF", 0), 255);
  EXPECT_EQ(IniTextToIntDef("$FF00000F", 0), static_cast<int>(0xFF00000F));
}

}  // namespace
}  // namespace korv

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGradient.h"

namespace korv {
namespace {

TEST(SkinUtils, IniSectionsAsStringLists) {
  TStringList lines, sections;
  lines.SetText("junk\n[A]\nK = v\n;c\n[B]\nN=0x1F\nN=2\n[b]\nN=3\n");
  LoadIniSections(lines, sections);
  ASSERT_EQ(sections.Count(), 3);
  EXPECT_EQ(sections.Get(0), "A");
  auto* a = dynamic_cast<TStringList*>(sections.GetObject(0));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Count(), 1);
  EXPECT_EQ(ReadIniString(sections, "a", "K ", "d"), " v");
  EXPECT_EQ(ReadIniInteger(sections, "B", "n", -1), 31);
  EXPECT_EQ(ReadIniInteger(sections, "C", "n", -1), -1);
  LoadIniSections(lines, sections);  // frees the previous lists first
  EXPECT_EQ(sections.Count(), 3);
  FreeIniSections(sections);
  EXPECT_EQ(sections.Count(), 0);
}

TEST(SkinUtils, ShellFileIconOfAnExistingFileOnly) {
  auto icon = ShellFileIcon(ParamStr0(), SHGFI_SMALLICON);
  ASSERT_TRUE(icon);
  EXPECT_FALSE(icon->Empty());
  EXPECT_EQ(icon->Width(), GetSystemMetrics(SM_CXSMICON));
  EXPECT_FALSE(ShellFileIcon(ExeFolder() + "no such file.xyz", SHGFI_SMALLICON));
}

TEST(SkinUtils, GradientOnTheClassLibrarysBitmap) {
  TBitmap bmp(6, 8);
  TsGradArray a;
  ParseGradientData("255;16711680;100;0;0", a);  // red to blue, top to bottom
  FillGradient(&bmp, RECT{0, 0, 6, 8}, a, 0, 0);
  EXPECT_EQ(bmp.ScanLine(0)[2], 255);
  EXPECT_EQ(bmp.ScanLine(0)[0], 0);
  EXPECT_EQ(bmp.ScanLine(7)[0], 255);
  EXPECT_EQ(bmp.ScanLine(7)[2], 0);
  ParseGradientData("255;0;0;2;0", a);  // triangles through the bitmap's canvas
  FillGradient(&bmp, RECT{0, 0, 6, 8}, a, 0, 0);
  EXPECT_EQ(bmp.ScanLine(0)[2], 255);
  EXPECT_EQ(bmp.ScanLine(0)[0], 0);
  FillGradient(nullptr, RECT{0, 0, 6, 8}, a, 0, 0);  // nothing to paint on
}

}  // namespace
}  // namespace korv
