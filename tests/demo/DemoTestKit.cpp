#include "DemoTestKit.h"

#include <ole2.h>

#include <algorithm>

#include "classlib/SysUtils.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"
#include "support/Pixels.h"

namespace korv::test {

namespace {
[[maybe_unused]] ::testing::Environment* const gDemoEnvironment =
    ::testing::AddGlobalTestEnvironment(new TDemoEnvironment);
}  // namespace

std::unique_ptr<TLibraryStartup>& TDemoEnvironment::Startup() {
  static std::unique_ptr<TLibraryStartup> startup;
  return startup;
}

void TDemoEnvironment::SetUp() { Startup() = std::make_unique<TLibraryStartup>(); }
void TDemoEnvironment::TearDown() { Startup().reset(); }

// ---------------------------------------------------------------------------------------------
// Paths

bool SamePathSet(std::vector<std::string> a, std::vector<std::string> b) {
  if (a.size() != b.size()) return false;
  auto norm = [](std::vector<std::string>& v) {
    for (std::string& s : v) s = AnsiUpperCase(s);
    std::sort(v.begin(), v.end());
  };
  norm(a);
  norm(b);
  return a == b;
}

// ---------------------------------------------------------------------------------------------
// The skin on a form

TsSkinProvider* ProviderOf(const TCustomForm* form) {
  return dynamic_cast<TsSkinProvider*>(form->FindComponent("sSkinProvider1"));
}

TsSkinManager* ManagerOf(const TCustomForm* form) {
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* sm = dynamic_cast<TsSkinManager*>(form->Components(i))) return sm;
  return nullptr;
}

bool SkinLive(const TCustomForm* form) {
  TsSkinProvider* p = ProviderOf(form);
  if (!p || !p->ImageComposed || p->SkinData()->BGChanged || !form->HandleAllocated()) return false;
  const TWindowRegion rgn = ReadWindowRegion(form->HandleIfAllocated());
  return rgn.HasRegion() && !rgn.Contains(0, 0);
}

::testing::AssertionResult FrameShowsTheSkin(const TCustomForm* form) {
  TsSkinProvider* p = ProviderOf(form);
  if (!p || !form->HandleAllocated()) return ::testing::AssertionFailure() << "no provider or no window";
  HWND wnd = form->HandleIfAllocated();
  const TWindowRegion rgn = ReadWindowRegion(wnd);
  if (!rgn.HasRegion()) return ::testing::AssertionFailure() << "the window has no region";
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const int w = wr.right - wr.left;
  if (rgn.Contains(0, 0) || rgn.Contains(w - 1, 0) || !rgn.Contains(w / 2, 0))
    return ::testing::AssertionFailure() << "the region does not cut the top corners";
  const TPixelImage cache = BitmapImage(*p->SkinData()->CacheBmp);
  if (cache.Width() != w || cache.Height() != wr.bottom - wr.top)
    return ::testing::AssertionFailure() << "the image is " << cache.Width() << "x" << cache.Height() << ", the window "
                                         << w << "x" << wr.bottom - wr.top;
  const TPixelImage screen = CaptureScreen(wr);
  const TsFormFrame f = p->Frame();
  int shown = 0;
  for (int y = 0; y < cache.Height(); ++y)
    for (int x = 0; x < cache.Width(); ++x) {
      const bool frame = y < f.HeaderHeight() || x < f.SysBorderWidth() || x >= w - f.SysBorderWidth() ||
                         y >= f.WindowHeight - f.SysBorderHeight();
      if (!frame || !rgn.Contains(x, y)) continue;
      if (screen.At(x, y) != cache.At(x, y))
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " shows " << std::hex << screen.At(x, y)
                                             << ", the skin's image " << cache.At(x, y);
      ++shown;
    }
  if (shown < w * (f.HeaderHeight() - 2)) return ::testing::AssertionFailure() << "only " << shown << " frame pixels";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult WaitForSkinOnScreen(const TCustomForm* form) {
  ::testing::AssertionResult shown = ::testing::AssertionFailure() << "the skin never went live";
  PumpUntil([&] {
    if (!SkinLive(form)) return false;
    shown = FrameShowsTheSkin(form);
    return static_cast<bool>(shown);
  });
  return shown;
}

// ---------------------------------------------------------------------------------------------
// The demo's window

void TDemoWindowTest::SetUp() {
  InitClassLib();
  Box = std::make_unique<TSandbox>();
  ClearClipboard();
}

void TDemoWindowTest::TearDown() {
  delete Form;
  Form = nullptr;
  PumpPending();
  ClearClipboard();
  Box.reset();
}

void TDemoWindowTest::OpenWindow(const std::vector<std::string>& files, bool skinned) {
  for (const std::string& f : files) Box->File(f, "content of " + f);
  // Owned by the application, as the program's forms are: the skin commands reach its forms.
  Form = NewComponent<TForm1>(Application);
  Form->SetPosition(poDesigned);
  Form->SetBounds(20, 20, 780, 560);
  Form->ListFolder(Box->AnsiPath());
  // The pointer may rest anywhere after an earlier test: move it off the window first.
  Input([](TInputDriver& d) { d.MoveTo(1200, 1000); });
  Form->Show();
  SetForegroundWindow(Form->Handle());
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == Form->HandleIfAllocated() && Form->Active(); }))
      << "the demo's window did not become the active window";
  Form->Update();
  PumpPending();
  if (skinned) {
    ASSERT_TRUE(WaitForSkinOnScreen(Form));
  }
}

void TDemoWindowTest::Input(const std::function<void(TInputDriver&)>& steps) {
  TInputDriver d;
  ASSERT_TRUE(d.Run(steps)) << d.Error();
}

TPoint TDemoWindowTest::RowPoint(int row) {
  TRect r = Form->ListView1->RowRect(row);
  return Form->ListView1->ClientToScreen(Point(r.left + 30, (r.top + r.bottom) / 2));
}

void TDemoWindowTest::ClickRow(int row, bool ctrl) {
  TPoint p = RowPoint(row);
  Input([&](TInputDriver& d) { d.MoveTo(p.x, p.y); });
  // The click goes in one batch from this thread, which meanwhile handles no message: once the
  // pointer moved, Wine brings its modifier keys back in line with the X keyboard (where Ctrl is
  // up) while it handles the display's events, and a Ctrl pressed before that would be lost.
  INPUT in[4]{};
  UINT n = 0;
  if (ctrl) {
    in[n].type = INPUT_KEYBOARD;
    in[n++].ki.wVk = VK_CONTROL;
  }
  in[n].type = INPUT_MOUSE;
  in[n++].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[n].type = INPUT_MOUSE;
  in[n++].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (ctrl) {
    in[n].type = INPUT_KEYBOARD;
    in[n].ki.wVk = VK_CONTROL;
    in[n++].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "input needs the window in the foreground";
  ASSERT_EQ(SendInput(n, in, sizeof(INPUT)), n);
}

bool TDemoWindowTest::RightClick(TInputDriver& d, TPoint at) {
  if (!d.MoveTo(at.x, at.y)) return false;
  INPUT in[2]{};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  in[1].type = INPUT_MOUSE;
  in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  if (SendInput(2, in, sizeof(INPUT)) != 2) return d.Fail("SendInput failed");
  // Off the menu, which opens with its corner at the point: a pointer resting on its margin
  // would take the highlight away from the keys.
  return d.MoveTo(at.x - 40, at.y);
}

int TDemoWindowTest::RowOf(const std::string& name) const {
  const auto& rows = Form->ListView1->Rows();
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].Name == name) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> TDemoWindowTest::PathsOf(const std::vector<int>& rows) const {
  std::vector<std::string> paths;
  for (int r : rows) paths.push_back(Form->ListView1->Rows()[static_cast<size_t>(r)].FullPath());
  return paths;
}

}  // namespace korv::test
