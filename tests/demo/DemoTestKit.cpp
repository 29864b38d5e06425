#include "DemoTestKit.h"

#include <ole2.h>

#include <algorithm>

#include "DemoSetup.h"
#include "classlib/SysUtils.h"

namespace korv::test {

namespace {
[[maybe_unused]] ::testing::Environment* const gDemoEnvironment =
    ::testing::AddGlobalTestEnvironment(new TDemoEnvironment);
}  // namespace

void TDemoEnvironment::SetUp() { StartComponentUnits(); }
void TDemoEnvironment::TearDown() { StopComponentUnits(); }

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

void TDemoWindowTest::OpenWindow(const std::vector<std::string>& files) {
  for (const std::string& f : files) Box->File(f, "content of " + f);
  Form = new TForm1(nullptr);
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
