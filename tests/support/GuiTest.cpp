// Pumping, input driving and message recording for GUI tests.
#include "support/GuiTest.h"

#include <algorithm>

namespace korv::test {

namespace {
// Remaining milliseconds until the deadline (signed: tick counts wrap).
DWORD Remaining(DWORD start, DWORD timeoutMs) {
  LONG elapsed = static_cast<LONG>(GetTickCount() - start);
  if (elapsed < 0) elapsed = 0;
  return static_cast<DWORD>(elapsed) >= timeoutMs ? 0 : timeoutMs - static_cast<DWORD>(elapsed);
}
}  // namespace

void PumpPending() {
  if (Application)
    Application->ProcessMessages();
  else {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    PumpPending();
    if (cond()) return true;
    DWORD left = Remaining(start, timeoutMs);
    if (left == 0) return false;
    // Wake on any message; re-check at least every 10 ms for conditions other threads change.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(left, 10), QS_ALLINPUT);
  }
}

bool PumpUntilSignaled(HANDLE event, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    PumpPending();
    if (WaitForSingleObject(event, 0) == WAIT_OBJECT_0) return true;
    DWORD left = Remaining(start, timeoutMs);
    if (left == 0) return false;
    MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_ALLINPUT);
  }
}

LONG AbsoluteMouseCoordinate(int x, int size) noexcept {
  if (size <= 0) return 0;
  return static_cast<LONG>((static_cast<long long>(x) * 65536 + size - 1) / size);
}

// ---------------------------------------------------------------------------------------------
// TInputDriver

namespace {
constexpr UINT kSendInputMessage = WM_APP + 0x51;
constexpr char kSinkClass[] = "KorvTestInputSink";
}  // namespace

TInputDriver::~TInputDriver() = default;

LRESULT CALLBACK TInputDriver::SinkProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kSendInputMessage) {
    auto* self = reinterpret_cast<TInputDriver*>(lParam);
    if (!self || self->Pending_.empty()) return 0;
    return SendInput(static_cast<UINT>(self->Pending_.size()), self->Pending_.data(), sizeof(INPUT));
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

bool TInputDriver::Run(const std::function<void(TInputDriver&)>& steps, DWORD timeoutMs) {
  Error_.clear();
  Failed_ = false;
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TInputDriver::SinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kSinkClass;
    return RegisterClassA(&wc) != 0;
  }();
  Sink_ = registered ? CreateWindowExA(0, kSinkClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleA(nullptr), nullptr)
                     : nullptr;
  if (!Sink_) return Fail("could not create the input window");
  TEvent done;
  std::thread worker([&] {
    try {
      steps(*this);
    } catch (const std::exception& e) {
      Fail(std::string("exception: ") + e.what());
    }
    done.Set();
  });
  bool finished = PumpUntilSignaled(done.Handle(), timeoutMs);
  if (!finished) {
    Fail("the input script did not finish in time");
    // The steps all have deadlines of their own: wait for them to run out.
    WaitForSingleObject(done.Handle(), INFINITE);
  }
  worker.join();
  PumpPending();
  // Drops an input request that timed out and was never taken.
  DestroyWindow(Sink_);
  Sink_ = nullptr;
  return !Failed_;
}

bool TInputDriver::Fail(const std::string& what) {
  if (!Failed_.exchange(true)) Error_ = what;
  return false;
}

bool TInputDriver::Send(INPUT* inputs, UINT count) {
  if (Failed_) return false;
  if (!Sink_) return Fail("input is sent only from the steps of Run()");
  // After a timeout the request stays pending until Run() destroys the window: Pending_ is not
  // touched again, as every later step stops at Failed_.
  Pending_.assign(inputs, inputs + count);
  DWORD_PTR sent = 0;
  if (!SendMessageTimeoutA(Sink_, kSendInputMessage, 0, reinterpret_cast<LPARAM>(this), SMTO_NORMAL, kDeadlineMs,
                           &sent))
    return Fail("the test thread did not take the input in time");
  if (sent != count) return Fail("SendInput failed");
  return true;
}

bool TInputDriver::MoveTo(int x, int y) {
  if (Failed_) return false;
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = AbsoluteMouseCoordinate(x, GetSystemMetrics(SM_CXSCREEN));
  in.mi.dy = AbsoluteMouseCoordinate(y, GetSystemMetrics(SM_CYSCREEN));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  if (!Send(&in, 1)) return false;
  DWORD start = GetTickCount();
  for (;;) {
    POINT p;
    if (GetCursorPos(&p) && p.x == x && p.y == y) return true;
    if (Remaining(start, kDeadlineMs) == 0)
      return Fail("cursor did not reach " + std::to_string(x) + "," + std::to_string(y) + " (at " + std::to_string(p.x) +
                  "," + std::to_string(p.y) + ")");
    Sleep(1);  // polling the cursor position of another thread's input
  }
}

bool TInputDriver::MoveInSteps(int x0, int y0, int x1, int y1, int steps) {
  if (steps < 1) steps = 1;
  for (int i = 1; i <= steps; ++i)
    if (!MoveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps)) return false;
  return true;
}

INPUT TInputDriver::MouseInput(DWORD flags) noexcept {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  return in;
}

INPUT TInputDriver::KeyInput(WORD vk, bool down) noexcept {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  return in;
}

bool TInputDriver::Button(DWORD flags) {
  INPUT in = MouseInput(flags);
  return Send(&in, 1);
}

bool TInputDriver::Batch(std::vector<INPUT> inputs) { return Send(inputs.data(), static_cast<UINT>(inputs.size())); }

bool TInputDriver::LeftDown() { return Button(MOUSEEVENTF_LEFTDOWN); }

bool TInputDriver::LeftUp() { return Button(MOUSEEVENTF_LEFTUP); }

bool TInputDriver::Key(WORD vk, bool down) {
  INPUT in = KeyInput(vk, down);
  return Send(&in, 1);
}

bool TInputDriver::Tap(WORD vk) { return Key(vk, true) && Key(vk, false); }

bool TInputDriver::WaitFor(HANDLE event, DWORD timeoutMs, const char* what) {
  if (Failed_) return false;
  if (WaitForSingleObject(event, timeoutMs) != WAIT_OBJECT_0) return Fail(std::string("timed out waiting for ") + what);
  return true;
}

// ---------------------------------------------------------------------------------------------
// TMessageRecorder

TWindowProcHook::TWindowProcHook(TControl* control, TWndMethod& saved, TWndMethod proc)
    : Control_(control), Saved_(control->WindowProc), Proc_(proc) {
  saved = Saved_;
  control->WindowProc = proc;
}

TWindowProcHook::~TWindowProcHook() {
  if (Control_->WindowProc == Proc_) Control_->WindowProc = Saved_;
}

void TMessageRecorder::Attach(TControl* control) {
  Detach();
  Hook_.emplace(control, Saved_, TWndMethod(this, &TMessageRecorder::Record));
}

void TMessageRecorder::Detach() { Hook_.reset(); }

void TMessageRecorder::Record(TMessage& m) {
  if (Filter_.empty() || std::find(Filter_.begin(), Filter_.end(), m.Msg) != Filter_.end()) Messages.push_back(m);
  Saved_(m);
}

int TMessageRecorder::Count(UINT msg) const {
  return static_cast<int>(std::count_if(Messages.begin(), Messages.end(), [msg](const TMessage& m) { return m.Msg == msg; }));
}

std::vector<UINT> TMessageRecorder::Sequence() const {
  std::vector<UINT> r;
  for (const TMessage& m : Messages) r.push_back(m.Msg);
  return r;
}

// ---------------------------------------------------------------------------------------------
// TFormTest

void TFormTest::SetUp() {
  InitClassLib();
  ASSERT_NE(Application, nullptr);
}

void TFormTest::TearDown() {
  for (auto it = Forms_.rbegin(); it != Forms_.rend(); ++it) delete *it;
  Forms_.clear();
  PumpPending();
}

TForm* TFormTest::NewForm(int x, int y, int w, int h) {
  auto* f = NewComponent<TForm>(nullptr);
  f->SetBounds(x, y, w, h);
  Forms_.push_back(f);
  return f;
}

void TFormTest::ShowAndActivate(TCustomForm* form) {
  form->Show();
  SetForegroundWindow(form->Handle());
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form->HandleIfAllocated() && form->Active(); }))
      << "the form did not become the active window";
}

}  // namespace korv::test
