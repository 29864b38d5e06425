// Forms on the desktop: the program's one taskbar button on the main form, the other forms owned
// by it (so the system hides them with it; they keep their windows when its window is made
// again), and centring in the work area of the form's monitor.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "classlib/Forms.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

// A form that makes its window while it is being built.
class TEagerForm : public TForm {
 public:
  explicit TEagerForm(TComponent* owner) : TForm(owner) {
    SetBounds(150, 150, 300, 200);
    HandleNeeded();
  }
};

class FormDesktop : public TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    Saved_ = Application->MainForm();
    Application->SetMainForm(nullptr);
  }
  void TearDown() override {
    Application->OnMinimize = nullptr;
    Application->OnRestore = nullptr;
    delete Main;
    Application->SetMainForm(Saved_);
    TFormTest::TearDown();
  }
  // The main form made as a program makes it, with a second form shown beside it.
  void OpenMainAndDialog() {
    Application->CreateForm(Main);
    Dialog = NewForm(500, 300, 240, 160);
    Main->Show();
    Dialog->Show();
    PumpPending();
  }

  TEagerForm* Main = nullptr;
  TForm* Dialog = nullptr;
  TCustomForm* Saved_ = nullptr;
};

TEST_F(FormDesktop, TheMainFormCarriesTheProgramsOnlyTaskbarButton) {
  Application->CreateForm(Main);
  ASSERT_EQ(Application->MainForm(), Main);
  // Its window, made before it became the main form, never had an owner.
  EXPECT_EQ(GetWindow(Main->HandleIfAllocated(), GW_OWNER), nullptr);
  Dialog = NewForm(500, 300, 240, 160);
  Main->Show();
  Dialog->Show();
  PumpPending();

  EXPECT_EQ(TaskbarWindows(GetCurrentProcessId()), std::vector<HWND>{Main->Handle()});
  EXPECT_EQ(GetWindow(Dialog->Handle(), GW_OWNER), Main->Handle());
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));

  // Another form made the main form takes the button over once it is shown again; the old one
  // becomes an owned form.
  TForm* other = NewForm(200, 500, 200, 120);
  other->Show();
  Application->SetMainForm(other);
  other->Hide();
  other->Show();
  Main->Hide();
  Main->Show();
  PumpPending();
  EXPECT_EQ(TaskbarWindows(GetCurrentProcessId()), std::vector<HWND>{other->Handle()});
  EXPECT_EQ(GetWindow(Main->Handle(), GW_OWNER), other->Handle());
  Application->SetMainForm(Main);
}

TEST_F(FormDesktop, TheMainFormsMinimiseAndRestoreAreTheApplicationsAndItOwnsTheOtherForms) {
  OpenMainAndDialog();
  int minimised = 0, restored = 0;
  struct TCounter {
    int* N;
    void Fire(TObject*) { ++*N; }
  } onMin{&minimised}, onRestore{&restored};
  Application->OnMinimize = TNotifyEvent(&onMin, &TCounter::Fire);
  Application->OnRestore = TNotifyEvent(&onRestore, &TCounter::Fire);
  const HWND main = Main->Handle(), dialog = Dialog->Handle();

  // The main form's own minimise command (its caption button, its system menu) is the
  // application's.
  SendMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpPending();
  EXPECT_TRUE(IsIconic(main));
  EXPECT_EQ(minimised, 1);
  // The system hides the windows a minimised window owns (Windows does; Wine without a window
  // manager leaves them): the other form is owned by the main form.
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
  // The taskbar restores with the restore command.
  SendMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
  PumpPending();
  EXPECT_FALSE(IsIconic(main));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(restored, 1);

  Application->Minimize();
  PumpPending();
  EXPECT_TRUE(IsIconic(main));
  Application->Restore();
  PumpPending();
  EXPECT_FALSE(IsIconic(main));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(minimised, 2);
  EXPECT_EQ(restored, 2);
  EXPECT_EQ(TaskbarWindows(GetCurrentProcessId()), std::vector<HWND>{main});
}

TEST_F(FormDesktop, TheFormsOfTheMainFormKeepTheirWindowsWhenItsWindowGoes) {
  OpenMainAndDialog();
  const HWND dialog = Dialog->Handle();
  ASSERT_EQ(GetWindow(dialog, GW_OWNER), Main->Handle());
  Main->RecreateWnd();
  PumpPending();
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(Dialog->HandleIfAllocated(), dialog);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindow(Main->Handle(), GW_OWNER), nullptr) << "the main form's new window is unowned again";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), Main->Handle()) << "the other form is the new window's again";

  delete Main;
  Main = nullptr;
  EXPECT_TRUE(IsWindow(dialog)) << "freeing the main form destroyed another form's window";
  EXPECT_EQ(Dialog->HandleIfAllocated(), dialog);
}

TEST_F(FormDesktop, ScreenCentredFormsAreCentredInTheWorkAreaOfTheirMonitor) {
  TForm* f = NewForm(900, 700, 300, 200);
  f->SetPosition(poScreenCenter);
  f->Show();
  PumpPending();
  RECT r;
  ASSERT_TRUE(GetWindowRect(f->Handle(), &r));
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(f->Handle(), MONITOR_DEFAULTTONEAREST), &mi));
  const RECT& w = mi.rcWork;
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.left - w.left, w.right - r.right);
  EXPECT_LE(std::abs((r.top - w.top) - (w.bottom - r.bottom)), 1);
}

}  // namespace
}  // namespace korv::test
