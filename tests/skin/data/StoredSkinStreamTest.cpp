// The program's own skin: converted at build time, embedded as a resource, read back whole.
#include <gtest/gtest.h>

#include "SkinFiles.h"
#include "classlib/IniFiles.h"
#include "classlib/Jpeg.h"
#include "classlib/Streaming.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"
#include "skin/data/sSkinConvert.h"

namespace korv {
namespace {

// Compares every published property of two objects, collections item by item and pictures by
// their pixels or bytes.
void ExpectSameProperties(const TPersistent* a, const TPersistent* b, const std::string& path) {
  ASSERT_EQ(a->ClassType(), b->ClassType()) << path;
  for (const TPropInfo* p : GetPropList(a->ClassType())) {
    const std::string at = path + "." + p->Name;
    switch (p->Kind) {
      case TPropKind::Integer:
      case TPropKind::Boolean:
      case TPropKind::Enum:
      case TPropKind::Set:
        EXPECT_EQ(p->GetOrd(a), p->GetOrd(b)) << at;
        break;
      case TPropKind::String:
        EXPECT_EQ(p->GetStr(a), p->GetStr(b)) << at;
        break;
      case TPropKind::WString:
        EXPECT_EQ(p->GetWStr(a), p->GetWStr(b)) << at;
        break;
      case TPropKind::Float:
        EXPECT_EQ(p->GetFloat(a), p->GetFloat(b)) << at;
        break;
      case TPropKind::Collection: {
        auto* ca = static_cast<TCollection*>(p->GetObj(a));
        auto* cb = static_cast<TCollection*>(p->GetObj(b));
        ASSERT_EQ(ca->Count(), cb->Count()) << at;
        for (int i = 0; i < ca->Count(); ++i)
          ExpectSameProperties(ca->GetItem(i), cb->GetItem(i), at + "[" + std::to_string(i) + "]");
        break;
      }
      case TPropKind::Object: {
        if (auto* ba = dynamic_cast<TBitmap*>(p->GetObj(a))) {
          auto* bb = dynamic_cast<TBitmap*>(p->GetObj(b));
          ASSERT_TRUE(bb) << at;
          ASSERT_EQ(ba->Width(), bb->Width()) << at;
          ASSERT_EQ(ba->Height(), bb->Height()) << at;
          for (int y = 0; y < ba->Height(); ++y)
            ASSERT_EQ(std::memcmp(ba->ScanLine(y), bb->ScanLine(y), static_cast<size_t>(ba->Width()) * 3), 0)
                << at << y;
        } else if (auto* ja = dynamic_cast<TJPEGImage*>(p->GetObj(a))) {
          auto* jb = dynamic_cast<TJPEGImage*>(p->GetObj(b));
          ASSERT_TRUE(jb) << at;
          EXPECT_EQ(ja->Data(), jb->Data()) << at;
        }
        break;
      }
      case TPropKind::Component:
        EXPECT_EQ(p->GetComp(a), p->GetComp(b)) << at;
        break;
    }
  }
}

TEST(InternalSkin, ResourceReadsBackAsTheFolderSkin) {
  TsStoredSkins fromResource(nullptr);
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, fromResource);
  ASSERT_EQ(fromResource.Count(), 1);
  const TsStoredSkin& skin = *fromResource.Items(0);
  const std::string suffix = " (internal)";
  ASSERT_GT(skin.Name().size(), suffix.size());
  EXPECT_EQ(skin.Name().substr(skin.Name().size() - suffix.size()), suffix);

  // The same folder skin converted here gives the same skin, property by property.
  TsStoredSkins fromFolder(nullptr);
  TsStoredSkin* folder = fromFolder.Add();
  folder->SetName(skin.Name());
  FolderSkinToStored(test::ProjectSkinFolder(), *folder);
  ExpectSameProperties(&fromResource, &fromFolder, "InternalSkins");

  // And it is complete: the master bitmap is there, every image lies inside it, and the stored
  // sections give the same section table as the folder.
  const TBitmap& master = *skin.MasterBitmap();
  ASSERT_FALSE(master.Empty());
  for (int i = 0; i < skin.Images()->Count(); ++i) {
    const TsSkinImage& im = *skin.Images()->Items(i);
    EXPECT_TRUE(im.Name().empty());
    EXPECT_GE(im.Left, 0);
    EXPECT_GE(im.Top, 0);
    EXPECT_LE(im.Right, master.Width());
    EXPECT_LE(im.Bottom, master.Height());
    EXPECT_GE(im.ImageCount, 1);
  }
  TMemIniFile ini(test::ProjectSkinFolder() + "Options.dat");
  TacMemIniSource src(ini);
  TacGeneralsSources folderSrc, storedSrc;
  folderSrc.Folder = &src;
  storedSrc.Stored = &fromResource;
  storedSrc.SkinName = skin.Name();
  TsSkinData d1, d2;
  TsGeneralDataArray t1, t2;
  ASSERT_TRUE(LoadAllGenerals(folderSrc, d1, t1));
  ASSERT_TRUE(LoadAllGenerals(storedSrc, d2, t2));
  EXPECT_EQ(d1.Version, d2.Version);
  EXPECT_EQ(d1.Author, d2.Author);
  EXPECT_EQ(d1.Shadow1Blur, d2.Shadow1Blur);
  ASSERT_EQ(t1.size(), t2.size());
  for (size_t i = 0; i < t1.size(); ++i) {
    SCOPED_TRACE(t1[i].SectionName);
    EXPECT_EQ(t1[i].SectionName, t2[i].SectionName);
    EXPECT_EQ(t1[i].Color, t2[i].Color);
    EXPECT_EQ(t1[i].HotColor, t2[i].HotColor);
    EXPECT_EQ(std::vector<int32_t>(t1[i].FontColor, t1[i].FontColor + 5),
              std::vector<int32_t>(t2[i].FontColor, t2[i].FontColor + 5));
    EXPECT_EQ(t1[i].GradientArray.size(), t2[i].GradientArray.size());
    EXPECT_EQ(t1[i].HotGradientArray.size(), t2[i].HotGradientArray.size());
    EXPECT_EQ(t1[i].ShowFocus, t2[i].ShowFocus);
    EXPECT_EQ(t1[i].Transparency, t2[i].Transparency);
  }
}

TEST(InternalSkin, TheSkinPaintsWhatTheEngineLooksUp) {
  TsStoredSkins skins(nullptr);
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, skins);
  ASSERT_EQ(skins.Count(), 1);
  const TsStoredSkin& skin = *skins.Items(0);
  auto hasSection = [&](const char* name) {
    for (int i = 0; i < skin.GeneralData()->Count(); ++i)
      if (skin.GeneralData()->Items(i)->SectionName == name) return true;
    return false;
  };
  auto hasImage = [&](const char* section, const char* key) {
    for (int i = 0; i < skin.Images()->Count(); ++i)
      if (skin.Images()->Items(i)->SectionName == section && skin.Images()->Items(i)->PropertyName == key) return true;
    return false;
  };
  for (const char* s : {"GLOBALINFO",    "FORM",          "FORMTITLE",      "PANEL",        "CHECKBOX",
                        "SCROLLBAR1H",   "SCROLLBAR1V",   "SCROLLBAR2H",    "SCROLLBAR2V",  "SCROLLSLIDERH",
                        "SCROLLSLIDERV", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLBTNTOP", "SCROLLBTNBOTTOM",
                        "MAINMENU",      "MENUITEM",      "MENULINE",       "DIVIDERV",     "MDIAREA"})
    EXPECT_TRUE(hasSection(s)) << s;
  for (const char* k :
       {"BICONCLOSE", "BICONMAX",     "BICONMIN",       "BICONNORM",   "BICONHELP",    "SICONCLOSE",     "SICONMAX",
        "SICONMIN",   "SICONNORM",    "TITLEBUTTON",    "GRIPIMAGE",   "CHECK",        "BOXCHECKED",     "BOXUNCHECKED",
        "BOXGRAYED",  "RADIOCHECKED", "RADIOUNCHECKED", "RADIOGRAYED", "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"})
    EXPECT_TRUE(hasImage("GLOBALINFO", k)) << k;
  for (const char* s : {"FORM", "FORMTITLE", "PANEL", "MAINMENU", "MENUITEM", "DIVIDERV", "SCROLLBAR1H",
                        "SCROLLSLIDERH", "SCROLLSLIDERV", "SCROLLBTNLEFT"})
    EXPECT_TRUE(hasImage(s, "BORDERSMASK")) << s;
  // The form and its title have frames of their own, drawn differently.
  const TsSkinImage* frames[2] = {};
  for (int i = 0; i < skin.Images()->Count(); ++i) {
    const TsSkinImage* im = skin.Images()->Items(i);
    if (im->PropertyName == "BORDERSMASK" && im->SectionName == "FORM") frames[0] = im;
    if (im->PropertyName == "BORDERSMASK" && im->SectionName == "FORMTITLE") frames[1] = im;
  }
  ASSERT_TRUE(frames[0] && frames[1]);
  EXPECT_NE(frames[0]->Right - frames[0]->Left, frames[1]->Right - frames[1]->Left);
}

TEST(StoredSkinStream, RoundTripOfEveryKindOfItem) {
  TsStoredSkins skins(nullptr);
  TsStoredSkin* s = skins.Add();
  s->SetName("Test");
  s->Version = 2.25;
  s->Description = "d";
  s->Shadow1Blur = 7;
  s->MasterBitmap()->SetSize(5, 3);
  s->MasterBitmap()->ScanLine(1)[4] = 0x42;
  TsSkinGeneral* g = s->GeneralData()->Add();
  g->SectionName = "A";
  g->Bevel = cbRaisedHard;
  g->HotBevel = cbLoweredHard;
  g->FontColor = "1 2 3 4 5";
  g->ShadowDontUse = true;
  g->Color = static_cast<TColor>(0xFF00000F);
  TsSkinImage* im = s->Images()->Add();
  im->SetName("own");
  im->Image()->SetSize(2, 2);
  im->ImgType = itisaGlyph;
  im->WB = 4;
  TsSkinPattern* p = s->Patterns()->Add();
  p->SectionName = "A";
  p->PropertyName = "PATTERN";
  skins.Add()->SetName("Second");  // every default, Shadow1Blur -1 included

  TMemoryStream bytes;
  WriteStoredSkins(bytes, skins);
  bytes.SetPosition(0);
  TsStoredSkins back(nullptr);
  ReadStoredSkins(bytes, back);
  ExpectSameProperties(&skins, &back, "skins");
  EXPECT_EQ(back.Items(1)->Shadow1Blur, -1);
}

TEST(StoredSkinStream, DamagedBlocksFailCleanly) {
  TsStoredSkins skins(nullptr);
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, skins);
  TMemoryStream whole;
  WriteStoredSkins(whole, skins);
  const auto* data = static_cast<const uint8_t*>(whole.Memory());
  const size_t size = static_cast<size_t>(whole.Size());
  uint32_t rng = 12345;
  int failed = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes(data, data + size);
    rng = rng * 1664525u + 1013904223u;
    if (round % 2 == 0) {
      bytes.resize(rng % size);  // truncated
    } else {
      for (int k = 0; k < 4; ++k) {  // damaged in the first part, where the structure is
        rng = rng * 1664525u + 1013904223u;
        bytes[rng % std::min<size_t>(size, 4096)] ^= static_cast<uint8_t>(1 + (rng >> 24) % 255);
      }
    }
    TMemoryStream in;
    in.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    in.SetPosition(0);
    TsStoredSkins back(nullptr);
    back.Add()->SetName("before");
    try {
      ReadStoredSkins(in, back);
    } catch (const EFilerError&) {
      EXPECT_EQ(back.Count(), 0);
      ++failed;
    } catch (const Exception& e) {
      // A damaged picture or value can also be reported by the class that reads it.
      EXPECT_EQ(back.Count(), 0) << e.Message();
      ++failed;
    }
  }
  EXPECT_GT(failed, 150);
  TMemoryStream wrongSig;
  wrongSig.WriteBuffer("KRF2", 4);
  TsStoredSkins back(nullptr);
  EXPECT_THROW(ReadStoredSkins(wrongSig, back), EReadError);
  EXPECT_THROW(ReadStoredSkinsResource(GetModuleHandleA(nullptr), "NO_SUCH_SKIN", back), EResNotFound);
}

}  // namespace
}  // namespace korv
