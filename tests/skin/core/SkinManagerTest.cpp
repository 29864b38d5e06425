// The skin manager: what it tells the forms and when, read with a form or set at run time; two
// managers; loads that find nothing or fail; the skin directory and the names of usable skins.
#include <gtest/gtest.h>

#include "LinkedControls.h"
#include "SkinCoreKit.h"
#include "classlib/Streaming.h"
#include "skin/data/sSkinConvert.h"
#include "support/Sandbox.h"

namespace korv::test {
namespace {

using Cmds = std::vector<WORD>;
const Cmds kAnnounce{skcNewSkin, skcRefreshFollows, skcRefresh};

bool NothingLoaded(const TsSkinManager& sm) {
  for (int16_t v : sm.SkinIndexCache.Fields())
    if (v != -1) return false;
  return sm.Sections.empty() && sm.Images.empty() && sm.Textures.empty() && !sm.MasterBitmap;
}

// A form carrying a manager with the stored skin "Test", as the component streaming writes it;
// CommonSections are stored as given (they are read before the skin's name).
std::vector<uint8_t> FormWithManager(const char* commonSections = "") {
  const std::unique_ptr<TRecordingForm> formPtr(NewComponent<TRecordingForm>(nullptr));
  TRecordingForm& form = *formPtr;
  auto* sm = NewComponent<TsSkinManager>(&form);
  sm->SetName("SkinManager1");
  AddStoredSkin(*sm, "Test", {"GLOBALINFO", "FORM"});
  sm->SetSkinName("Test");
  sm->CommonSections()->SetText(commonSections);
  return ComponentToBytes(&form);
}

TsSkinManager* ReadForm(const std::vector<uint8_t>& bytes, TRecordingForm* into) {
  ReadComponentFromMemory(bytes.data(), bytes.size(), into);
  return dynamic_cast<TsSkinManager*>(into->FindComponent("SkinManager1"));
}

using SkinManagerTest = TSkinCoreTest;

TEST_F(SkinManagerTest, AManagerReadWithItsFormAnnouncesOnceToItAndTwiceToOpenForms) {
  const std::vector<uint8_t> bytes = FormWithManager();
  TRecordingForm* open = NewRecordingForm();
  TRecordingForm* read = NewRecordingForm();
  TsSkinManager* sm = ReadForm(bytes, read);
  ASSERT_TRUE(sm && sm->IsDefault());
  EXPECT_EQ(sm->SkinInfo(), "4.83");
  EXPECT_EQ(sm->MenuSupport()->IcoLineSkin(), "ICOLINE");
  EXPECT_EQ(read->Accepted(), kAnnounce);  // the setter skipped the form still being read
  Cmds twice = kAnnounce;
  twice.insert(twice.end(), kAnnounce.begin(), kAnnounce.end());
  EXPECT_EQ(open->Accepted(), twice);

  // Forms of another manager ignore this one, and the other way round.
  TsSkinManager* other = NewManager();
  EXPECT_EQ(other->SkinDirectory(), sDefaultSkinDirectory);  // set once the manager is made
  TRecordingForm* otherForm = NewRecordingForm(other);
  AddStoredSkin(*other, "Other", {"FORM"});
  other->SetSkinName("Other");
  sm->RepaintForms();
  EXPECT_EQ(otherForm->Accepted(), kAnnounce);
  EXPECT_EQ(open->Accepted().size(), twice.size() + 2);
}

TEST_F(SkinManagerTest, ASkinChangeRunsItsStepsInOrder) {
  TRecordingForm* form = NewRecordingForm();
  TsSkinManager* sm = NewManager();
  AddStoredSkin(*sm, "A", {"GLOBALINFO"});
  static std::vector<std::string> log;
  log.clear();
  sm->OnBeforeChange = TNotifyEvent::Function([](void*, TObject*) { log.push_back("before"); }, nullptr);
  sm->OnAfterChange =
      TNotifyEvent::Function([](void*, TObject*) { log.push_back(SkinChanging ? "" : "after"); }, nullptr);
  Passes.OnMasks = [](TsSkinManager& m) { log.push_back(SkinChanging && !m.SkinData.Active ? "load" : ""); };
  sm->SetSkinName("A");
  EXPECT_EQ(log, (std::vector<std::string>{"before", "load", "after"}));
  ASSERT_EQ(form->Commands(), kAnnounce);
  // Command 1 goes out before the skin is live, with NewSkinSending raised.
  EXPECT_TRUE(form->Received[0].NewSkinSending && form->Received[0].SkinChanging);
  EXPECT_FALSE(form->Received[1].NewSkinSending);
  EXPECT_TRUE(sm->SkinData.Active);
}

TEST_F(SkinManagerTest, SwitchingOffRemovesTheSkinAndSwitchingOnBringsItBack) {
  TRecordingForm* a = NewRecordingForm();
  TRecordingForm* b = NewRecordingForm();
  TsSkinManager* sm = NewManager();
  AddStoredSkin(*sm, "A", {"GLOBALINFO", "SCROLLSLIDERH"});
  Passes.OnMasks = [](TsSkinManager& m) { m.Images.push_back(Image("SCROLLSLIDERH", "BORDERSMASK")); };
  sm->SetSkinName("A");
  a->Received.clear();
  sm->SetActive(false);
  EXPECT_EQ(a->Commands(), Cmds{skcRemoveSkin});
  EXPECT_EQ(b->Commands().back(), skcRemoveSkin);
  EXPECT_TRUE(NothingLoaded(*sm));
  EXPECT_EQ(sm->SkinInfo(), "N/A");
  EXPECT_EQ(sm->GetGlobalColor(), ColorToRGB(clBtnFace));
  sm->SetActive(true);
  EXPECT_EQ(a->Commands(), (Cmds{skcRemoveSkin, skcNewSkin, skcRefreshFollows, skcRefresh}));
  EXPECT_EQ(sm->SkinIndexCache.SliderBorderH, 0);
}

TEST_F(SkinManagerTest, TheFirstManagerIsTheDefaultUntilAnotherIsMadeSo) {
  TRecordingForm* form = NewRecordingForm();
  TsSkinManager* first = NewManager();
  TsSkinManager* second = NewManager();
  ASSERT_TRUE(first->IsDefault() && !second->IsDefault());
  second->SetIsDefault(true);
  EXPECT_FALSE(first->IsDefault());
  EXPECT_EQ(form->Accepted(), (Cmds{skcNewSkin, skcRefreshFollows, skcRefresh, skcRefreshFollows, skcRefresh}));
  form->Received.clear();
  second->SetIsDefault(false);  // a default manager stays the default
  EXPECT_TRUE(second->IsDefault() && form->Received.empty());
  Managers_.pop_back();
  delete second;
  EXPECT_EQ(DefaultManager, nullptr);  // not handed back to the first
}

TEST_F(SkinManagerTest, AFailedLoadLeavesNothingHalfBuilt) {
  TRecordingForm* form = NewRecordingForm();
  TsSkinManager* sm = NewManager();
  AddStoredSkin(*sm, "A", {"GLOBALINFO"});
  Passes.OnMasks = [](TsSkinManager& m) { m.Images.push_back(Image("GLOBALINFO", "BOXCHECKED")); };
  sm->SetSkinName("A");
  sm->OnAfterChange = TNotifyEvent::Function([](void*, TObject*) { ADD_FAILURE() << "announced"; }, nullptr);
  form->Received.clear();
  // The section reader fails on a gradient field once the images are made.
  TStringList lines;
  lines.SetText("[ EXTRA ]\nGRADIENTDATA = 1;2;x;0;0\n; a  comment");
  EXPECT_THROW(sm->SetCommonSections(&lines), EConvertError);
  EXPECT_EQ(sm->CommonSections()->Text(), "[EXTRA]\r\nGRADIENTDATA=1;2;x;0;0\r\n; a  comment\r\n");
  EXPECT_FALSE(sm->Active() || sm->SkinData.Active);
  EXPECT_TRUE(NothingLoaded(*sm));
  EXPECT_EQ(form->Commands(), Cmds{skcRemoveSkin});

  // The same failure while the form is read: the program starts unskinned.
  const std::vector<uint8_t> bytes = FormWithManager("[EXTRA]\nGRADIENTDATA=1;2;x;0;0");
  TRecordingForm* read = NewRecordingForm();
  TsSkinManager* readManager = ReadForm(bytes, read);
  ASSERT_NE(readManager, nullptr);
  EXPECT_FALSE(readManager->Active());
  EXPECT_TRUE(NothingLoaded(*readManager));
  EXPECT_TRUE(read->Received.empty());
}

TEST_F(SkinManagerTest, TheFirstStoredSkinStandsInAndASkinNotFoundIsStillRemoved) {
  TRecordingForm* form = NewRecordingForm();
  TsSkinManager* sm = NewManager();
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *sm->InternalSkins());
  const std::string stored = sm->InternalSkins()->Items(0)->Name();
  sm->SetSkinDirectory("Z:\\no\\such\\folder");
  sm->SetSkinName(stored.substr(0, stored.find(" (internal)")));
  EXPECT_EQ(sm->SkinName(), stored);
  const int global = sm->SkinIndexCache.GlobalInfo;
  ASSERT_GE(global, 0);
  EXPECT_EQ(sm->GetGlobalColor(), ColorToRGB(sm->Sections[global].Color));

  // No skin of the name at all: inactive, and the forms are told of the tables as they are.
  sm->InternalSkins()->Clear();
  sm->SetSkinName("missing");
  EXPECT_FALSE(sm->Active());
  EXPECT_EQ(sm->GetSkinIndex("GLOBALINFO"), global);
  form->Received.clear();
  Managers_.clear();
  delete sm;
  EXPECT_EQ(form->Commands(), Cmds{skcRemoveSkin});
}

TEST_F(SkinManagerTest, ControlsEndShowingTheSkinThatIsLoadedOrNone) {
  TRecordingForm* form = NewRecordingForm();
  auto* control = NewComponent<TLinkedWindow>(form);
  TsSkinManager* sm = NewManager();
  control->Link->SetSkinSection("PANEL");
  // A folder skin, and a stored skin whose sections lie in another order.
  TSandbox box;
  box.File("F\\Options.dat", "[GLOBALINFO]\n[PANEL]\n");
  sm->SetSkinDirectory(box.AnsiPath().substr(0, box.AnsiPath().size() - 1));
  AddStoredSkin(*sm, "S", {"FORM", "GLOBALINFO", "PANEL"});
  sm->SetSkinName("F");
  ASSERT_EQ(control->Link->SkinIndex, 1);

  // The folder is gone when the hue changes: the stored skin comes instead, and the control
  // finds its section in it.
  ASSERT_TRUE(DeleteFileA(box.PathOf("F\\Options.dat").c_str()));
  sm->SetHueOffset(20);
  EXPECT_EQ(sm->SkinName(), "S");
  EXPECT_EQ(control->Link->SkinIndex, 2);

  // No skin of the name anywhere: the forms keep the skin the tables hold, and switching off
  // still takes it away.
  sm->InternalSkins()->Clear();
  sm->SetSkinName("missing");
  ASSERT_TRUE(!sm->Active() && control->Link->Skinned(true));
  sm->SetActive(false);
  EXPECT_FALSE(control->Link->Skinned() || sm->SkinData.Active);
  EXPECT_TRUE(NothingLoaded(*sm));
}

TEST(SkinDirectory, ExpandsAgainstTheExecutablesFolder) {
  const std::pair<const char*, const char*> cases[] = {{"..\\Skins", "C:\\A\\Skins"},
                                                       {".\\Skins", "C:\\A\\B\\Skins"},
                                                       {"./Skins", "C:\\A\\B\\Skins"},
                                                       {"Skins", "C:\\A\\B\\Skins"},
                                                       {"", "C:\\A\\B\\"},
                                                       {"D:\\Skins", "D:\\Skins"},
                                                       {"\\\\srv\\sh", "\\\\srv\\sh"}};
  for (auto [dir, expanded] : cases) EXPECT_EQ(ExpandSkinDirectory(dir, "C:\\A\\B\\"), expanded) << dir;
}

TEST_F(SkinManagerTest, SkinNamesAreStoredSkinsAndFoldersWithOptions) {
  TSandbox box;
  for (const char* dir : {"beta", "Alpha", ".hidden"}) box.File(std::string(dir) + "\\Options.dat", "[GLOBALINFO]");
  box.Dir("gamma");
  box.File("delta", "a file");
  TsSkinManager* sm = NewManager();
  sm->SetSkinDirectory(box.AnsiPath().substr(0, box.AnsiPath().size() - 1));
  TStringList names;
  std::string first;
  sm->GetSkinNames(names, first);
  EXPECT_EQ(names.Text(), "Alpha\r\nbeta\r\n");
  EXPECT_TRUE(first == "Alpha" || first == "beta") << first;
  AddStoredSkin(*sm, "Zeta", {});
  AddStoredSkin(*sm, "alpha2", {});
  sm->GetSkinNames(names, first);
  EXPECT_EQ(names.Text(), "Alpha\r\nalpha2\r\nbeta\r\nZeta\r\n");
  EXPECT_EQ(first, "Zeta");
  sm->SetSkinName("beta");  // a folder of the name comes before the stored skins
  EXPECT_EQ(sm->SkinData.SkinPath, box.AnsiPath() + "beta\\");
  EXPECT_EQ(sm->GetSkinIndex("GLOBALINFO"), 0);
}

}  // namespace
}  // namespace korv::test
