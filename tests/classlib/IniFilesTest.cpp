// The memory INI file: parsing rules, lookups, bad input and the file round trip.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/IniFiles.h"

namespace korv {
namespace {

using V = std::vector<std::string>;

V Items(const TStrings& s) {
  V v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s.Get(i));
  return v;
}

std::unique_ptr<TMemIniFile> FromText(std::string_view text) {
  auto ini = std::make_unique<TMemIniFile>("");
  ini->SetText(text);
  return ini;
}

TEST(IniParseTest, LinesSectionsAndEntries) {
  auto secs = ParseIniText(
      "orphan=1\r\n"
      "  [ Zeta ]  \r\n"
      "; comment=1\n"
      "  key one  =  value with blanks  \n"
      "\n"
      "novalue\n"
      "[broken\n"
      "a=b=c\r"
      "[Alpha]\n"
      "x=\n");
  ASSERT_EQ(secs.size(), 2u);
  EXPECT_EQ(secs[0].Name, "Zeta");
  ASSERT_EQ(secs[0].Entries.size(), 4u);
  EXPECT_EQ(secs[0].Entries[0].Key, "key one");
  EXPECT_EQ(secs[0].Entries[0].Value, "value with blanks");
  EXPECT_EQ(secs[0].Entries[1].Key, "novalue");
  EXPECT_FALSE(secs[0].Entries[1].HasValue);
  EXPECT_EQ(secs[0].Entries[2].Key, "[broken");  // no closing bracket: an ordinary line
  EXPECT_EQ(secs[0].Entries[3].Key, "a");
  EXPECT_EQ(secs[0].Entries[3].Value, "b=c");
  EXPECT_EQ(secs[1].Name, "Alpha");
  EXPECT_EQ(secs[1].Entries[0].Value, "");
}

TEST(IniParseTest, FirstSectionAndFirstKeyWin) {
  auto ini = FromText("[A]\nk=1\nK=2\n[b]\nz=0\n[a]\nk=3\nnew=4\n");
  TStringList l;
  ini->ReadSections(l);
  EXPECT_EQ(Items(l), (V{"A", "b"}));
  EXPECT_EQ(ini->ReadString("a", "k", "?"), "1");
  EXPECT_FALSE(ini->ValueExists("A", "new"));
  ini->ReadSection("A", l);
  EXPECT_EQ(Items(l), (V{"k"}));
}

TEST(IniParseTest, NamesFoldBeyondAsciiAndInLongFiles) {
  // Letters of the code page outside ASCII fold as the platform folds them (code page 1252).
  auto ini = FromText("[\xe9t\xe9]\ncl\xe9=1\nCL\xc9=2\n[\xc9T\xc9]\nx=3\n");
  TStringList l;
  ini->ReadSections(l);
  EXPECT_EQ(Items(l), (V{"\xe9t\xe9"}));
  ini->ReadSection("\xc9T\xc9", l);
  EXPECT_EQ(Items(l), (V{"cl\xe9"}));
  EXPECT_EQ(ini->ReadString("\xc9T\xc9", "CL\xc9", ""), "1");
  // Thousands of sections and keys, each repeated later in another case: the first ones stay.
  std::string text;
  for (int s = 0; s < 2000; ++s) text += "[sec" + std::to_string(s) + "]\nk" + std::to_string(s) + "=first\n";
  text += "[SEC7]\nother=1\n[many]\n";
  for (int k = 0; k < 2000; ++k) text += "key" + std::to_string(k) + "=" + std::to_string(k) + "\n";
  for (int k = 0; k < 2000; ++k) text += "KEY" + std::to_string(k) + "=again\n";
  const std::vector<TIniSection> secs = ParseIniText(text);
  ASSERT_EQ(secs.size(), 2001u);
  EXPECT_EQ(secs[7].Entries.size(), 1u);
  ASSERT_EQ(secs[2000].Entries.size(), 2000u);
  EXPECT_EQ(secs[2000].Entries[1999].Value, "1999");
  ini->SetText(text);
  EXPECT_EQ(ini->ReadString("SEC1999", "K1999", ""), "first");
  EXPECT_EQ(ini->ReadString("MANY", "Key1234", ""), "1234");
  EXPECT_FALSE(ini->SectionExists("sec2000"));
}

TEST(IniNameIndexTest, NumbersNamesInOrderAndFindsThemInAnyCase) {
  TIniNameIndex index;
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(index.Add("name" + std::to_string(i)));
  EXPECT_EQ(index.Count(), 3000u);
  for (int i = 0; i < 3000; i += 7) {
    EXPECT_EQ(index.Find("NAME" + std::to_string(i)), static_cast<size_t>(i));
    EXPECT_FALSE(index.Add("Name" + std::to_string(i)));
  }
  EXPECT_EQ(index.Find("name3000"), TIniNameIndex::npos);
  EXPECT_EQ(index.Find(""), TIniNameIndex::npos);
  EXPECT_TRUE(index.Add(""));
  EXPECT_EQ(index.Find(""), 3000u);
  // Names longer than the room Find keeps at hand.
  EXPECT_TRUE(index.Add(std::string(100, 'a') + "\xe9"));
  EXPECT_EQ(index.Find(std::string(100, 'A') + "\xc9"), 3001u);
  index.Clear();
  EXPECT_EQ(index.Count(), 0u);
  EXPECT_EQ(index.Find("name1"), TIniNameIndex::npos);
  EXPECT_TRUE(index.Add("NAME1"));
  EXPECT_EQ(index.Find("name1"), 0u);
}

TEST(IniParseTest, GarbageNeverBreaksTheParser) {
  std::string junk;
  unsigned seed = 7;
  for (int round = 0; round < 200; ++round) {
    junk.clear();
    for (int i = 0; i < 300; ++i) {
      seed = seed * 1103515245 + 12345;
      junk += "[]=;\r\n \t\0ab"[(seed >> 16) % 13];
    }
    auto secs = ParseIniText(junk);
    for (auto& s : secs) {
      EXPECT_EQ(s.Name, Trim(s.Name));
      for (auto& e : s.Entries) EXPECT_EQ(e.Key, Trim(e.Key));
    }
  }
  EXPECT_TRUE(ParseIniText("").empty());
  EXPECT_TRUE(ParseIniText("[").empty());
  EXPECT_EQ(ParseIniText("[]").size(), 1u);
}

TEST(TMemIniFileTest, TypedReadsWithDefaults) {
  auto ini = FromText(
      "[GLOBALINFO]\n"
      "VERSION=4.52\n"
      "SHADOW1COLOR=$FF00000F\n"
      "HEX=0x10\n"
      "BAD=12a\n"
      "BIG=99999999999\n"
      "FLAG=1\n"
      "FLAGWORD=TRUE\n"
      "NEG= -7 \n");
  EXPECT_EQ(ini->ReadInteger("globalinfo", "shadow1color", 0), static_cast<int32_t>(0xFF00000F));
  EXPECT_EQ(ini->ReadInteger("GLOBALINFO", "HEX", 0), 16);
  EXPECT_EQ(ini->ReadInteger("GLOBALINFO", "BAD", -1), -1);
  EXPECT_EQ(ini->ReadInteger("GLOBALINFO", "BIG", -1), -1);
  EXPECT_EQ(ini->ReadInteger("GLOBALINFO", "NEG", 0), -7);
  EXPECT_EQ(ini->ReadInteger("GLOBALINFO", "MISSING", 42), 42);
  EXPECT_EQ(ini->ReadInteger("NOSECTION", "HEX", 42), 42);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("GLOBALINFO", "VERSION", 0), 4.52);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("GLOBALINFO", "BAD", 1.5), 1.5);
  EXPECT_TRUE(ini->ReadBool("GLOBALINFO", "FLAG", false));
  EXPECT_TRUE(ini->ReadBool("GLOBALINFO", "FLAGWORD", true));  // not an integer: the default
  EXPECT_FALSE(ini->ReadBool("GLOBALINFO", "FLAGWORD", false));
  EXPECT_EQ(ini->ReadString("GLOBALINFO", "VERSION", ""), "4.52");
  EXPECT_TRUE(ini->SectionExists("GlobalInfo"));
  EXPECT_FALSE(ini->SectionExists("Global"));
}

TEST(TMemIniFileTest, SectionValuesWriteAndStrings) {
  auto ini = FromText("[S]\nb=2\na=1\nflag\n");
  TStringList l;
  ini->ReadSectionValues("s", l);
  EXPECT_EQ(Items(l), (V{"b=2", "a=1", "flag"}));
  ini->WriteString("S", "A", "changed");
  ini->WriteInteger("New", "n", -3);
  ini->WriteBool("New", "yes", true);
  ini->WriteFloat("New", "f", 0.25);
  EXPECT_EQ(ini->ReadString("s", "a", ""), "changed");
  EXPECT_EQ(ini->ReadInteger("new", "N", 0), -3);
  EXPECT_DOUBLE_EQ(ini->ReadFloat("new", "F", 0), 0.25);
  ini->DeleteKey("S", "B");
  ini->GetStrings(l);
  EXPECT_EQ(Items(l), (V{"[S]", "a=changed", "flag", "", "[New]", "n=-3", "yes=1", "f=0.25"}));
  ini->EraseSection("s");
  EXPECT_FALSE(ini->SectionExists("S"));
  EXPECT_TRUE(ini->SectionExists("new"));
  // SetStrings replaces everything.
  TStringList lines;
  lines.SetText("[X]\ny=1");
  ini->SetStrings(lines);
  ini->ReadSections(l);
  EXPECT_EQ(Items(l), (V{"X"}));
  ini->Clear();
  EXPECT_FALSE(ini->SectionExists("X"));
}

TEST(TMemIniFileTest, FileRoundTripAndMissingFile) {
  char path[MAX_PATH];
  GetTempFileNameA(GetTempDir().c_str(), "kin", 0, path);
  DeleteFile(path);
  {
    TMemIniFile missing(path);  // no file: empty, nothing created
    TStringList l;
    missing.ReadSections(l);
    EXPECT_EQ(l.Count(), 0);
    EXPECT_FALSE(FileExists(path));
    missing.WriteString("Main", "Key", "Value");
    missing.UpdateFile();
  }
  TMemIniFile again(path);
  EXPECT_EQ(again.FileName(), path);
  EXPECT_EQ(again.ReadString("MAIN", "KEY", ""), "Value");
  DeleteFile(path);
}

}  // namespace
}  // namespace korv
