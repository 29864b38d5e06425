// Forms, the application and the screen on real windows: frame styles re-applied in place,
// modality, MDI, closing, the application window's hooks, the menu font, and handle balance
// over many create/destroy cycles.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"
#include "ControlsTestKit.h"

namespace korv::test {
namespace {

TEST(FormFrameStyleRule, BorderStylesAndIconsGiveTheirWindowStyles) {
  TFormStyleBits b = FormFrameStyle(bsSizeable, biSystemMenu | biMinimize | biMaximize);
  EXPECT_EQ(b.Style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            static_cast<DWORD>(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  b = FormFrameStyle(bsDialog, biSystemMenu | biMinimize | biMaximize | biHelp);
  EXPECT_EQ(b.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_NE(b.ExStyle & WS_EX_DLGMODALFRAME, 0u);
  EXPECT_NE(b.ExStyle & WS_EX_CONTEXTHELP, 0u);
  // Help shows only without minimise and maximise boxes.
  b = FormFrameStyle(bsSingle, biSystemMenu | biMinimize | biHelp);
  EXPECT_EQ(b.ExStyle & WS_EX_CONTEXTHELP, 0u);
  b = FormFrameStyle(bsSingle, biSystemMenu | biHelp);
  EXPECT_NE(b.ExStyle & WS_EX_CONTEXTHELP, 0u);
  b = FormFrameStyle(bsToolWindow, biSystemMenu | biMinimize);
  EXPECT_NE(b.ExStyle & WS_EX_TOOLWINDOW, 0u);
  EXPECT_EQ(b.Style & WS_MINIMIZEBOX, 0u);
  b = FormFrameStyle(bsNone, biSystemMenu | biMinimize);
  EXPECT_EQ(b.Style, static_cast<DWORD>(WS_POPUP));
  // Without a system menu there are no buttons at all.
  b = FormFrameStyle(bsSizeable, 0);
  EXPECT_EQ(b.Style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
}

class FormTest : public TFormTest {};

TEST_F(FormTest, BorderIconsAndBorderStyleRestyleTheLiveWindow) {
  TForm* f = NewForm(100, 100, 300, 200);
  ShowAndActivate(f);
  HWND h = f->Handle();
  EXPECT_NE(GetWindowLongA(h, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
  int destroyed = 0;
  TMessageRecorder rec(f);
  rec.Filter({WM_NCDESTROY, WM_NCCALCSIZE});

  f->SetBorderIcons(biSystemMenu);
  EXPECT_EQ(f->Handle(), h);
  DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_NE(style & WS_VISIBLE, 0u);
  EXPECT_TRUE(rec.Contains(WM_NCCALCSIZE)) << "the frame was not recomputed";

  f->SetBorderIcons(0);
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_SYSMENU, 0);

  // A new border style changes the frame, and the client area follows.
  f->SetBorderStyle(bsToolWindow);
  EXPECT_EQ(f->Handle(), h);
  EXPECT_NE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_THICKFRAME, 0);
  RECT wr, cr;
  GetWindowRect(h, &wr);
  GetClientRect(h, &cr);
  RECT expect{0, 0, 0, 0};
  AdjustWindowRectEx(&expect, static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(h, GWL_EXSTYLE)));
  EXPECT_EQ((wr.right - wr.left) - (cr.right - cr.left), expect.right - expect.left);
  EXPECT_EQ(f->ClientWidth(), cr.right - cr.left);
  for (const TMessage& m : rec.Messages) destroyed += m.Msg == WM_NCDESTROY;
  EXPECT_EQ(destroyed, 0);
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_TRUE(f->Visible());
}

TEST_F(FormTest, VisibleFollowsTheWindowAndWindowStateFollowsSizing) {
  TForm* f = NewForm();
  ShowAndActivate(f);
  ShowWindow(f->Handle(), SW_HIDE);
  EXPECT_FALSE(f->Visible());
  ShowWindow(f->Handle(), SW_SHOW);
  EXPECT_TRUE(f->Visible());
  f->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(f->Handle()));
  ShowWindow(f->Handle(), SW_RESTORE);
  EXPECT_EQ(f->WindowState(), wsNormal);
  ShowWindow(f->Handle(), SW_MINIMIZE);
  EXPECT_EQ(f->WindowState(), wsMinimized);
}

class ModalCloser {
 public:
  TCustomForm* Dialog = nullptr;
  TCustomForm* Other = nullptr;
  bool OtherWasDisabled = false;
  bool DialogWasEnabled = false;
  int Ticks = 0;
  void Tick(TObject*) {
    ++Ticks;
    if (Ticks == 1) {
      OtherWasDisabled = !IsWindowEnabled(Other->Handle());
      DialogWasEnabled = IsWindowEnabled(Dialog->Handle()) != FALSE;
      Dialog->SetModalResult(mrOk);
    }
  }
  void Safety(TObject*) { Dialog->SetModalResult(mrAbort); }
};

TEST_F(FormTest, ShowModalRunsUntilModalResultIsSetAndDisablesTheOtherForms) {
  TForm* owner = NewForm(50, 50, 300, 200);
  ShowAndActivate(owner);
  TForm* dlg = NewForm(120, 120, 200, 120);
  dlg->SetBorderStyle(bsDialog);
  ModalCloser closer;
  closer.Dialog = dlg;
  closer.Other = owner;
  const std::unique_ptr<TTimer> tickPtr(NewComponent<TTimer>(nullptr));
  const std::unique_ptr<TTimer> safetyPtr(NewComponent<TTimer>(nullptr));
  TTimer& tick = *tickPtr;
  TTimer& safety = *safetyPtr;
  tick.SetInterval(50);
  tick.SetOnTimer(TNotifyEvent(&closer, &ModalCloser::Tick));
  safety.SetInterval(5000);
  safety.SetOnTimer(TNotifyEvent(&closer, &ModalCloser::Safety));
  TModalResult r = dlg->ShowModal();
  tick.SetEnabled(false);
  safety.SetEnabled(false);
  EXPECT_EQ(r, mrOk);
  EXPECT_TRUE(closer.OtherWasDisabled);
  EXPECT_TRUE(closer.DialogWasEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_FALSE(dlg->Visible());
  EXPECT_FALSE(IsWindowVisible(dlg->Handle()));
  // A visible form cannot become modal.
  dlg->Show();
  EXPECT_THROW(dlg->ShowModal(), EInvalidOperation);
}

class CloseRefuser {
 public:
  int Queries = 0;
  void Query(TObject*, bool& can) {
    ++Queries;
    can = Queries > 1;  // refuse once
  }
  void Tick(TObject*) {
    if (Dialog->ModalResult() == mrNone) Dialog->SetModalResult(mrYes);
  }
  TCustomForm* Dialog = nullptr;
};

TEST_F(FormTest, ARefusedCloseKeepsTheModalLoopRunning) {
  TForm* dlg = NewForm(120, 120, 200, 120);
  CloseRefuser refuser;
  refuser.Dialog = dlg;
  dlg->OnCloseQuery = TCloseQueryEvent(&refuser, &CloseRefuser::Query);
  ModalCloser safetyNet;
  safetyNet.Dialog = dlg;
  const std::unique_ptr<TTimer> tickPtr(NewComponent<TTimer>(nullptr));
  const std::unique_ptr<TTimer> safetyPtr(NewComponent<TTimer>(nullptr));
  TTimer& tick = *tickPtr;
  TTimer& safety = *safetyPtr;
  tick.SetInterval(30);
  tick.SetOnTimer(TNotifyEvent(&refuser, &CloseRefuser::Tick));
  safety.SetInterval(5000);
  safety.SetOnTimer(TNotifyEvent(&safetyNet, &ModalCloser::Safety));
  EXPECT_EQ(dlg->ShowModal(), mrYes);
  EXPECT_EQ(refuser.Queries, 2);
}

TEST_F(FormTest, CloseHidesAFormAndWMCloseOfAModalFormCancels) {
  TForm* f = NewForm();
  ShowAndActivate(f);
  int closes = 0;
  struct OnClose {
    int* n;
    void Handle(TObject*, TCloseAction& a) {
      ++*n;
      EXPECT_EQ(a, caHide);
    }
  } onClose{&closes};
  f->OnClose = TCloseEvent(&onClose, &OnClose::Handle);
  SendMessageA(f->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(f->Visible());
  EXPECT_TRUE(IsWindow(f->Handle()));
}

TEST_F(FormTest, ReleaseFreesTheFormFromTheMessageLoop) {
  auto* f = NewComponent<TForm>(nullptr);
  f->HandleNeeded();
  HWND h = f->Handle();
  int before = Screen->FormCount();
  f->Release();
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(h); }));
  EXPECT_EQ(Screen->FormCount(), before - 1);
}

TEST_F(FormTest, MDIFrameHostsAChildInItsClientWindow) {
  TForm* frame = NewForm(40, 40, 500, 400);
  frame->SetFormStyle(fsMDIForm);
  auto* bar = NewComponent<TColorBox>(frame);
  bar->SetHeight(30);
  bar->SetAlign(alTop);
  bar->SetParent(frame);
  TCustomForm* savedMain = Application->MainForm();
  Application->SetMainForm(frame);
  ShowAndActivate(frame);
  ASSERT_NE(frame->ClientHandle(), nullptr);
  char cls[32] = {};
  GetClassNameA(frame->ClientHandle(), cls, sizeof cls);
  EXPECT_EQ(std::string(cls), "MDIClient");
  // The MDI client fills what the aligned bar leaves.
  RECT cr;
  GetWindowRect(frame->ClientHandle(), &cr);
  TPoint origin = frame->ClientToScreen(Point(0, 0));
  EXPECT_EQ(cr.top - origin.y, 30);

  auto* child = NewComponent<TForm>(nullptr);
  Forms_.insert(Forms_.begin(), child);  // freed before the frame
  child->SetFormStyle(fsMDIChild);
  child->SetBounds(10, 10, 200, 150);
  child->Show();
  ASSERT_TRUE(child->HandleAllocated());
  EXPECT_EQ(GetParent(child->Handle()), frame->ClientHandle());
  EXPECT_EQ(frame->MDIChildCount(), 1);
  EXPECT_EQ(frame->ActiveMDIChild(), child);
  BOOL maximized = FALSE;
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(frame->ClientHandle(), WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized))),
            child->Handle());
  SendMessageA(frame->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->Handle()), 0);
  PumpPending();
  EXPECT_EQ(child->WindowState(), wsMaximized);

  HWND ch = child->Handle();
  Forms_.erase(Forms_.begin());
  delete child;
  EXPECT_FALSE(IsWindow(ch));
  EXPECT_EQ(frame->MDIChildCount(), 0);
  Application->SetMainForm(savedMain);
}

TEST_F(FormTest, WithoutAnMDIFrameAChildCannotShow) {
  TCustomForm* savedMain = Application->MainForm();
  Application->SetMainForm(nullptr);
  TForm* child = NewForm();
  child->SetFormStyle(fsMDIChild);
  EXPECT_THROW(child->Show(), EInvalidOperation);
  Application->SetMainForm(savedMain);
}

TEST_F(FormTest, ManyFormsWithChildrenLeaveNoHandlesBehind) {
  auto cycle = [&] {
    auto* f = NewComponent<TForm>(nullptr);
    f->SetBounds(30, 30, 200, 150);
    f->SetColor(0x123456);
    auto* p = NewComponent<TPanel>(f);
    p->SetAlign(alClient);
    p->SetCaption("panel");
    p->SetParent(f);
    auto* b = NewComponent<TBox>(p);
    b->SetParent(p);
    auto* g = NewComponent<TColorBox>(f);
    g->SetParent(p);
    f->Show();
    RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    g->Repaint();
    TBitmap bmp(200, 150);
    f->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), 0);
    delete f;
    PumpPending();
  };
  for (int i = 0; i < 3; ++i) cycle();  // warm-up: classes, stock objects, caches
  // The system counts GDI objects; USER objects are not counted on every platform, so the
  // windows of the thread are counted directly.
  DWORD gdi = GdiObjectCount();
  ASSERT_GT(gdi, 0u) << "no GDI object count from the system";
  int windows = ThreadWindowCount();
  for (int i = 0; i < 40; ++i) cycle();
  EXPECT_LE(GdiObjectCount(), gdi + 2);
  EXPECT_EQ(ThreadWindowCount(), windows);
}

// ---------------------------------------------------------------------------------------------
// Application and screen

class MainFormCloser {
 public:
  TCustomForm* Form = nullptr;
  bool SawItShown = false;
  int Ticks = 0;
  void Tick(TObject*) {
    if (++Ticks == 1) {
      SawItShown = IsWindowVisible(Form->Handle()) != FALSE;
      Form->Close();  // the main form closing ends the application
    }
  }
  void Safety(TObject*) { Application->Terminate(); }
};

TEST_F(FormTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  TForm* f = NewForm();
  TCustomForm* saved = Application->MainForm();
  Application->SetMainForm(f);
  MainFormCloser closer;
  closer.Form = f;
  const std::unique_ptr<TTimer> tickPtr(NewComponent<TTimer>(nullptr));
  const std::unique_ptr<TTimer> safetyPtr(NewComponent<TTimer>(nullptr));
  TTimer& tick = *tickPtr;
  TTimer& safety = *safetyPtr;
  tick.SetInterval(50);
  tick.SetOnTimer(TNotifyEvent(&closer, &MainFormCloser::Tick));
  safety.SetInterval(5000);
  safety.SetOnTimer(TNotifyEvent(&closer, &MainFormCloser::Safety));
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(closer.SawItShown);
  EXPECT_EQ(closer.Ticks, 1);
  Application->SetMainForm(saved);
}

class AppHook {
 public:
  int Seen = 0;
  bool Swallow = false;
  bool Proc(TMessage& m) {
    if (m.Msg == WM_USER + 77) {
      ++Seen;
      m.Result = 99;
      return Swallow;
    }
    return false;
  }
};

TEST_F(FormTest, HooksSeeTheApplicationWindowsMessagesFirst) {
  AppHook a, b;
  a.Swallow = true;
  Application->HookMainWindow(TWindowHook(&a, &AppHook::Proc));
  Application->HookMainWindow(TWindowHook(&b, &AppHook::Proc));
  EXPECT_EQ(SendMessageA(Application->Handle(), WM_USER + 77, 0, 0), 99);
  EXPECT_EQ(a.Seen, 1);
  EXPECT_EQ(b.Seen, 0) << "a hook that handles the message ends the chain";
  Application->UnhookMainWindow(TWindowHook(&a, &AppHook::Proc));
  SendMessageA(Application->Handle(), WM_USER + 77, 0, 0);
  EXPECT_EQ(a.Seen, 1);
  EXPECT_EQ(b.Seen, 1);
  Application->UnhookMainWindow(TWindowHook(&b, &AppHook::Proc));
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
}

// Exceptions of every kind that leave an OnIdle or OnMessage handler stay in the loop and reach
// OnException, as they do from a window procedure.
TEST_F(FormTest, TheMessageLoopReportsEveryExceptionOfItsHandlers) {
  struct Handlers {
    std::vector<std::string> Reported;
    int Idles = 0;
    int Messages = 0;
    void Report(TObject*, const Exception* e) { Reported.push_back(e ? e->Message() : "?"); }
    void Idle(TObject*, bool& done) {
      ++Idles;
      done = false;  // no wait for a message afterwards
      throw std::runtime_error("idle failed");
    }
    void Message(MSG& msg, bool&) {
      if (msg.message == WM_USER + 78) {
        ++Messages;
        throw 42;
      }
    }
  } h;
  TExceptionEvent savedException = Application->OnException;
  Application->OnException = TExceptionEvent(&h, &Handlers::Report);
  Application->OnIdle = TIdleEvent(&h, &Handlers::Idle);
  Application->OnMessage = TMessageEvent(&h, &Handlers::Message);
  bool idleEscaped = false, messageEscaped = false;
  PumpPending();
  for (DWORD start = GetTickCount(); h.Idles == 0 && static_cast<int>(GetTickCount() - start) < 2000;) {
    try {
      Application->HandleMessage();
    } catch (...) {
      idleEscaped = true;
      break;
    }
  }
  PostMessageA(Application->Handle(), WM_USER + 78, 0, 0);
  Application->OnIdle = nullptr;
  for (DWORD start = GetTickCount(); h.Messages == 0 && static_cast<int>(GetTickCount() - start) < 2000;) {
    try {
      Application->ProcessMessages();
    } catch (...) {
      messageEscaped = true;
      break;
    }
  }
  Application->OnMessage = nullptr;
  Application->OnException = savedException;
  EXPECT_FALSE(idleEscaped) << "an OnIdle exception left the loop";
  EXPECT_FALSE(messageEscaped) << "an OnMessage exception left the loop";
  ASSERT_EQ(h.Idles, 1);
  ASSERT_EQ(h.Messages, 1);
  ASSERT_EQ(h.Reported.size(), 2u);
  EXPECT_EQ(h.Reported[0], "idle failed");
  EXPECT_FALSE(h.Reported[1].empty());
}

TEST_F(FormTest, ApplicationIsActiveWhileOneOfItsFormsIsAndFormsOwnerIsTheApplicationWindow) {
  TForm* f = NewForm();
  ShowAndActivate(f);
  EXPECT_TRUE(Application->Active());
  EXPECT_EQ(GetWindow(f->Handle(), GW_OWNER), Application->Handle());
  EXPECT_EQ(Screen->ActiveForm(), f);
  Application->SetTitle("korv title");
  EXPECT_EQ(Application->Title(), "korv title");
}

// The system gives a taskbar button to visible top-level windows that are unowned (or
// WS_EX_APPWINDOW) and not tool windows, and hides owned windows with their minimised owner.
// A form that makes its window while it is being built.
struct TEagerForm : TForm {
  explicit TEagerForm(TComponent* owner) : TForm(owner) { HandleNeeded(); }
};

TEST_F(FormTest, TheMainFormCarriesTheOnlyTaskbarButtonAndOwnsTheOtherForms) {
  TCustomForm* saved = Application->MainForm();
  Application->SetMainForm(nullptr);
  TEagerForm* main = nullptr;
  Application->CreateForm(main);  // its window, made while it is built, is unowned from the start
  TForm* other = NewForm(500, 300, 200, 120);
  main->Show();
  other->Show();
  std::vector<HWND> buttons;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    const auto ex = static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE));
    if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() && IsWindowVisible(w) &&
        !(ex & WS_EX_TOOLWINDOW) && (!GetWindow(w, GW_OWNER) || (ex & WS_EX_APPWINDOW)))
      buttons.push_back(w);
  }
  EXPECT_EQ(buttons, std::vector<HWND>{main->Handle()});
  EXPECT_EQ(GetWindow(other->Handle(), GW_OWNER), main->Handle());
  struct TCount {
    int N = 0;
    void Fire(TObject*) { ++N; }
  } minimised;
  Application->OnMinimize = TNotifyEvent(&minimised, &TCount::Fire);
  SendMessageA(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);  // its caption's: the application's
  Application->OnMinimize = nullptr;
  EXPECT_TRUE(IsIconic(main->Handle()));
  EXPECT_EQ(minimised.N, 1);
  // Its window going never takes another form's along.
  const HWND kept = other->Handle();
  main->RecreateWnd();
  EXPECT_EQ(GetWindow(kept, GW_OWNER), main->Handle());
  delete main;
  EXPECT_EQ(other->HandleIfAllocated(), kept);
  EXPECT_TRUE(IsWindow(kept));
  Application->SetMainForm(saved);
}

TEST_F(FormTest, ScreenMenuFontIsTheSystemsMenuFont) {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    ncm.cbSize = sizeof ncm - sizeof ncm.iPaddedBorderWidth;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0));
  }
  EXPECT_EQ(Screen->MenuFont()->Name(), std::string(ncm.lfMenuFont.lfFaceName));
  EXPECT_EQ(Screen->MenuFont()->Height(), ncm.lfMenuFont.lfHeight);
  EXPECT_EQ(Screen->Width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(Screen->Cursors(crHSplit), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE)));
  int before = Screen->FormCount();
  TForm* f = NewForm();
  EXPECT_EQ(Screen->FormCount(), before + 1);
  (void)f;
}

}  // namespace
}  // namespace korv::test
