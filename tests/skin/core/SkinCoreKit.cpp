#include "SkinCoreKit.h"

#include "skin/core/sSkinStartup.h"

namespace korv::test {

KORV_DEFINE_CLASS(TRecordingForm, TForm, &CreateComponent<TRecordingForm>, nullptr);

namespace {

// The skin units start once for the whole test program.
class TSkinEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SkinUnitsStartup();
    RegisterClass(TRecordingForm::StaticClass());
  }
  void TearDown() override { SkinUnitsShutdown(); }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(new TSkinEnvironment);

}  // namespace

void TRecordingForm::Dispatch(TMessage& m) {
  if (m.Msg != SM_ALPHACMD) return TForm::Dispatch(m);
  Received.push_back({m.WParamHi(), m.LParam, SkinChanging, NewSkinSending});
}

std::vector<WORD> TRecordingForm::Commands() const {
  std::vector<WORD> out;
  for (const TSkinCmd& c : Received) out.push_back(c.Command);
  return out;
}

std::vector<WORD> TRecordingForm::Accepted() const {
  const auto mine = reinterpret_cast<LPARAM>(Manager ? Manager : DefaultManager);
  std::vector<WORD> out;
  for (const TSkinCmd& c : Received) {
    const bool forAManager = c.Command <= skcRefresh || c.Command == skcRefreshFollows;
    if (!forAManager || c.Manager == mine) out.push_back(c.Command);
  }
  return out;
}

TsMaskData Image(const std::string& section, const std::string& key, TacImgType type, int borderWidth) {
  TsMaskData m;
  m.ClassName = section;
  m.PropertyName = key;
  m.ImgType = type;
  m.BorderWidth = static_cast<int16_t>(borderWidth);
  return m;
}

TsStoredSkin* AddStoredSkin(TsSkinManager& sm, const std::string& name, const std::vector<std::string>& sections) {
  TsStoredSkin* skin = sm.InternalSkins()->Add();
  skin->SetName(name);
  skin->Version = 4.83;
  for (const std::string& s : sections) {
    TsSkinGeneral* g = skin->GeneralData()->Add();
    const size_t arrow = s.find('>');
    g->SectionName = s.substr(0, arrow);
    if (arrow != std::string::npos) g->ParentClass = s.substr(arrow + 1);
  }
  return skin;
}

void TSkinCoreTest::SetUp() {
  TFormTest::SetUp();
  ASSERT_EQ(DefaultManager, nullptr) << "a manager of an earlier test is still alive";
  SavedPasses_ = SetSkinLoadPasses(&Passes);
}

void TSkinCoreTest::TearDown() {
  for (auto it = Managers_.rbegin(); it != Managers_.rend(); ++it) delete *it;
  Managers_.clear();
  TFormTest::TearDown();
  SetSkinLoadPasses(SavedPasses_);
  EXPECT_EQ(DefaultManager, nullptr);
  EXPECT_FALSE(SkinChanging || NewSkinSending || CurrentSkinFile);
}

TRecordingForm* TSkinCoreTest::NewRecordingForm(TsSkinManager* manager) {
  auto* f = NewComponent<TRecordingForm>(Application);
  f->Manager = manager;
  Forms_.push_back(f);
  return f;
}

TsSkinManager* TSkinCoreTest::NewManager() { return Managers_.emplace_back(NewComponent<TsSkinManager>(nullptr)); }

}  // namespace korv::test
