// The phases a component, a control or a form goes through are visible while they run and only
// then: AfterConstruction after the most derived constructor, csCreating while the window is
// made, csReadingState while the stored state is read, fsShowing while a form shows or hides.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Streaming.h"
#include "support/GuiTest.h"

namespace korv {

// A component whose base step must follow the derived constructor.
class TStepBase : public TComponent {
  KORV_CLASS(TStepBase, TComponent)
 public:
  explicit TStepBase(TComponent* owner) : TComponent(owner) {}
  int Calls = 0;
  std::string SeenSection;
  void AfterConstruction() override {
    TComponent::AfterConstruction();
    ++Calls;
    SeenSection = Section();
  }
  [[nodiscard]] virtual std::string Section() const { return "BASE"; }
};

class TStepDerived : public TStepBase {
  KORV_CLASS(TStepDerived, TStepBase)
 public:
  explicit TStepDerived(TComponent* owner) : TStepBase(owner), FSection("GRIP") {}
  [[nodiscard]] std::string Section() const override { return FSection; }

 private:
  std::string FSection;
};

class TFailingStep : public TComponent {
  KORV_CLASS(TFailingStep, TComponent)
 public:
  explicit TFailingStep(TComponent* owner) : TComponent(owner) {}
  void AfterConstruction() override { throw EInvalidOperation("no"); }
};

KORV_DEFINE_CLASS(TStepBase, TComponent, &CreateComponent<TStepBase>, nullptr);
KORV_DEFINE_CLASS(TStepDerived, TStepBase, &CreateComponent<TStepDerived>, nullptr);
KORV_DEFINE_CLASS(TFailingStep, TComponent, nullptr, nullptr);

// A panel that notes its states at the steps of its life.
class TProbePanel : public TCustomPanel {
  KORV_CLASS(TProbePanel, TCustomPanel)
 public:
  explicit TProbePanel(TComponent* owner) : TCustomPanel(owner) {}
  std::vector<bool> ReadingAtProbe;  // csReadingState when the streamed value is set
  bool ReadingAtLoaded = true;
  bool CreatingInCreateWnd = false;
  bool CreatingAtCreate = false;
  [[nodiscard]] int Probe() const noexcept { return FProbe; }
  void SetProbe(int v) {
    FProbe = v;
    ReadingAtProbe.push_back((ControlState() & csReadingState) != 0);
  }
  void Loaded() override {
    TCustomPanel::Loaded();
    ReadingAtLoaded = (ControlState() & csReadingState) != 0;
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_CREATE) CreatingAtCreate = (ControlState() & csCreating) != 0;
    TCustomPanel::Dispatch(m);
  }

 protected:
  void CreateWnd() override {
    TCustomPanel::CreateWnd();
    // A derived class's own steps after the window exists are part of the creation too.
    CreatingInCreateWnd = (ControlState() & csCreating) != 0;
  }

 private:
  int FProbe = 0;
};

namespace {
const TPropInfo kProbeProps[] = {
    KORV_PROP_INT(TProbePanel, Probe, 0),
};
}  // namespace
KORV_DEFINE_PROPS(TProbePanel, kProbeProps);
KORV_DEFINE_CLASS(TProbePanel, TCustomPanel, &CreateComponent<TProbePanel>, &TProbePanel_PropTable);

namespace test {
namespace {

TEST(AfterConstruction, RunsOnceAfterTheMostDerivedConstructorOnEveryCreationPath) {
  TComponent owner(nullptr);
  auto* made = NewComponent<TStepDerived>(&owner);
  EXPECT_EQ(made->Calls, 1);
  EXPECT_EQ(made->SeenSection, "GRIP") << "the derived part was complete";

  TObject* byClass = TStepDerived::StaticClass()->Factory(&owner);
  auto* fromFactory = dynamic_cast<TStepDerived*>(byClass);
  ASSERT_NE(fromFactory, nullptr);
  EXPECT_EQ(fromFactory->Calls, 1);
  EXPECT_EQ(fromFactory->SeenSection, "GRIP");

  // A failure in the step frees the component: the owner is left as it was.
  int count = owner.ComponentCount();
  EXPECT_THROW((void)NewComponent<TFailingStep>(&owner), EInvalidOperation);
  EXPECT_EQ(owner.ComponentCount(), count);
}

class StateTest : public TFormTest {};

TEST_F(StateTest, CreatingIsSetWhileTheWindowIsMade) {
  TForm* f = NewForm();
  auto* p = new TProbePanel(f);
  p->SetParent(f);
  EXPECT_FALSE(p->ControlState() & csCreating);
  p->HandleNeeded();
  EXPECT_TRUE(p->CreatingAtCreate);
  EXPECT_TRUE(p->CreatingInCreateWnd);
  EXPECT_FALSE(p->ControlState() & csCreating);
  EXPECT_FALSE(f->ControlState() & csCreating);
  p->CreatingAtCreate = false;
  p->RecreateWnd();
  EXPECT_TRUE(p->CreatingAtCreate);
  EXPECT_FALSE(p->ControlState() & csCreating);
}

TEST_F(StateTest, ReadingStateIsSetWhileTheStoredStateIsRead) {
  RegisterClass(TProbePanel::StaticClass());
  TMemoryStream stream;
  {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName("Form1");
    auto* p = new TProbePanel(form.get());
    p->SetName("Probe1");
    p->SetParent(form.get());
    p->SetProbe(7);
    WriteComponent(stream, form.get());
  }
  stream.SetPosition(0);
  auto copy = std::make_unique<TForm>(nullptr);
  ReadComponent(stream, copy.get());
  auto* p = dynamic_cast<TProbePanel*>(copy->FindComponent("Probe1"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Probe(), 7);
  ASSERT_EQ(p->ReadingAtProbe.size(), 1u);
  EXPECT_TRUE(p->ReadingAtProbe[0]);
  EXPECT_FALSE(p->ReadingAtLoaded);
  EXPECT_FALSE(p->ControlState() & csReadingState);
  EXPECT_FALSE(copy->ControlState() & csReadingState);

  // A stream that fails after the panel's record leaves no flag behind.
  TMemoryStream broken;
  broken.CopyFrom(stream, 0);
  broken.SetSize(broken.Size() - 3);
  broken.SetPosition(0);
  auto reader = std::make_unique<TForm>(nullptr);
  auto* kept = new TProbePanel(reader.get());
  kept->SetName("Probe1");
  kept->SetParent(reader.get());
  EXPECT_THROW(ReadComponent(broken, reader.get()), EReadError);
  ASSERT_EQ(kept->ReadingAtProbe.size(), 1u) << "the failure came inside the panel's record";
  EXPECT_TRUE(kept->ReadingAtProbe[0]);
  EXPECT_FALSE(kept->ControlState() & csReadingState);
  EXPECT_FALSE(reader->ControlState() & csReadingState);
  UnRegisterClass(TProbePanel::StaticClass());
}

struct ShowingProbe {
  TCustomForm* Form = nullptr;
  int Shows = 0, Hides = 0;
  bool ShowingAtShow = false, ShowingAtHide = false;
  void OnShow(TObject*) {
    ++Shows;
    ShowingAtShow = (Form->FormState() & fsShowing) != 0;
  }
  void OnHide(TObject*) {
    ++Hides;
    ShowingAtHide = (Form->FormState() & fsShowing) != 0;
  }
};

TEST_F(StateTest, ShowingIsSetWhileTheFormShowsOrHides) {
  TForm* f = NewForm();
  ShowingProbe probe;
  probe.Form = f;
  f->OnShow = TNotifyEvent(&probe, &ShowingProbe::OnShow);
  f->OnHide = TNotifyEvent(&probe, &ShowingProbe::OnHide);
  EXPECT_FALSE(f->FormState() & fsShowing);
  f->Show();
  EXPECT_EQ(probe.Shows, 1);
  EXPECT_TRUE(probe.ShowingAtShow);
  EXPECT_FALSE(f->FormState() & fsShowing);
  f->Hide();
  EXPECT_EQ(probe.Hides, 1);
  EXPECT_TRUE(probe.ShowingAtHide);
  EXPECT_FALSE(f->FormState() & fsShowing);
}

}  // namespace
}  // namespace test
}  // namespace korv
