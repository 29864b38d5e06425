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
