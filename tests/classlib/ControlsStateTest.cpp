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

// A base step that needs the derived part: the derived constructor sets the section it reads.
class TStepBase : public TComponent {
  KORV_CLASS(TStepBase, TComponent)
 public:
  explicit TStepBase(TComponent* owner) : TComponent(owner) {}
  std::vector<std::string> Seen;
  void AfterConstruction() override { Seen.push_back(Section()); }
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
KORV_DEFINE_CLASS(TStepBase, TComponent, &CreateComponent<TStepBase>, nullptr);
KORV_DEFINE_CLASS(TStepDerived, TStepBase, &CreateComponent<TStepDerived>, nullptr);

// A panel that notes its states at the steps of its life.
class TProbePanel : public TCustomPanel {
  KORV_CLASS(TProbePanel, TCustomPanel)
 public:
  explicit TProbePanel(TComponent* owner) : TCustomPanel(owner) {}
  std::vector<bool> Reading;  // csReadingState when the streamed value is set, then in Loaded
  bool Creating = false;      // csCreating in WM_CREATE and after the inherited CreateWnd
  [[nodiscard]] int Probe() const noexcept { return 0; }
  void SetProbe(int) { Reading.push_back((ControlState() & csReadingState) != 0); }
  void Loaded() override {
    TCustomPanel::Loaded();
    SetProbe(0);
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_CREATE) Creating = (ControlState() & csCreating) != 0;
    TCustomPanel::Dispatch(m);
  }

 protected:
  void CreateWnd() override {
    TCustomPanel::CreateWnd();
    Creating = Creating && (ControlState() & csCreating) != 0;
  }
};
namespace {
const TPropInfo kProbeProps[] = {KORV_PROP_INT_NODEFAULT(TProbePanel, Probe)};
}  // namespace
KORV_DEFINE_PROPS(TProbePanel, kProbeProps);
KORV_DEFINE_CLASS(TProbePanel, TCustomPanel, &CreateComponent<TProbePanel>, &TProbePanel_PropTable);

namespace test {
namespace {

TEST(AfterConstruction, RunsOnceAfterTheMostDerivedConstructorOnEveryCreationPath) {
  const std::unique_ptr<TComponent> ownerPtr(NewComponent<TComponent>(nullptr));
  TComponent& owner = *ownerPtr;
  EXPECT_EQ(NewComponent<TStepDerived>(&owner)->Seen, std::vector<std::string>{"GRIP"});
  auto* byClass = dynamic_cast<TStepDerived*>(TStepDerived::StaticClass()->Factory(&owner));
  ASSERT_NE(byClass, nullptr);
  EXPECT_EQ(byClass->Seen, std::vector<std::string>{"GRIP"});
}

class StateTest : public TFormTest {};

TEST_F(StateTest, CreatingReadingStateAndShowingAreSetExactlyWhileTheirPhaseRuns) {
  TForm* f = NewForm();
  auto* p = NewComponent<TProbePanel>(f);
  p->SetName("Probe1");
  p->SetParent(f);
  p->HandleNeeded();
  EXPECT_TRUE(p->Creating);
  EXPECT_FALSE(p->ControlState() & csCreating);

  // Read back from a stream, whole and cut inside the panel's record.
  RegisterClass(TProbePanel::StaticClass());
  TMemoryStream stream;
  WriteComponent(stream, f);
  for (int cut : {0, 3}) {
    stream.SetPosition(0);
    TMemoryStream part;
    part.CopyFrom(stream, stream.Size() - cut);
    part.SetPosition(0);
    auto copy = std::unique_ptr<TForm>(NewComponent<TForm>(nullptr));
    auto* q = NewComponent<TProbePanel>(copy.get());
    q->SetName("Probe1");
    q->SetParent(copy.get());
    try {
      ReadComponent(part, copy.get());
      EXPECT_EQ(cut, 0);
    } catch (const EReadError&) {
      EXPECT_NE(cut, 0);
      q->Reading.push_back(false);  // where Loaded would have noted its state
    }
    EXPECT_EQ(q->Reading, (std::vector<bool>{true, false})) << "cut " << cut;
    EXPECT_FALSE((q->ControlState() | copy->ControlState()) & csReadingState);
  }
  UnRegisterClass(TProbePanel::StaticClass());

  struct Probe {
    TCustomForm* Form;
    std::vector<bool> Seen;
    void On(TObject*) { Seen.push_back((Form->FormState() & fsShowing) != 0); }
  } showing{f, {}};
  f->OnShow = TNotifyEvent(&showing, &Probe::On);
  f->OnHide = TNotifyEvent(&showing, &Probe::On);
  f->Show();
  EXPECT_FALSE(f->FormState() & fsShowing);
  f->Hide();
  EXPECT_EQ(showing.Seen, (std::vector<bool>{true, true}));
  EXPECT_FALSE(f->FormState() & fsShowing);
}

}  // namespace
}  // namespace test
}  // namespace korv
