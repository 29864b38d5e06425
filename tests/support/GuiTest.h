// Helpers for tests on real windows: pumping messages until a condition or a deadline, a form
// fixture, a driver thread for real mouse and keyboard input (SendInput) that waits on events
// instead of sleeping, and a recorder of the messages a control receives.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Forms.h"

namespace korv::test {

// Default deadline of every wait in GUI tests.
inline constexpr DWORD kDeadlineMs = 5000;

// Processes the thread's messages (through the application's loop, so key routing runs) until
// cond() holds or the deadline passes; true when cond() held. Waits with
// MsgWaitForMultipleObjects between checks: no fixed sleeps.
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = kDeadlineMs);
// Pumps until the event is signalled (or the deadline); true when it was.
bool PumpUntilSignaled(HANDLE event, DWORD timeoutMs = kDeadlineMs);
// Processes what is queued now (and what that produces) without waiting.
void PumpPending();

// A manual-reset event owned by the test.
class TEvent {
 public:
  TEvent() : H_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~TEvent() { CloseHandle(H_); }
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;
  void Set() noexcept { SetEvent(H_); }
  void Reset() noexcept { ResetEvent(H_); }
  [[nodiscard]] bool IsSet() const noexcept { return WaitForSingleObject(H_, 0) == WAIT_OBJECT_0; }
  [[nodiscard]] HANDLE Handle() const noexcept { return H_; }

 private:
  HANDLE H_;
};

// The normalised absolute coordinate SendInput needs to land exactly on pixel x of a screen
// extent of size pixels: (x * 65536 + size - 1) / size.
[[nodiscard]] LONG AbsoluteMouseCoordinate(int x, int size) noexcept;

// Real input driven from a thread of its own. Run() runs the steps on the driver thread while
// the test thread pumps messages; each step waits (with a deadline) for what it needs and records
// a failure instead of hanging. The inputs themselves are handed to the test thread, which calls
// SendInput while it handles messages: the platform's server merges a new pointer move into the
// WM_MOUSEMOVE that the window's thread has fetched but not yet taken, so a move sent from
// another thread at that moment is lost (and the window never sees where the pointer ended).
class TInputDriver {
 public:
  TInputDriver() = default;
  ~TInputDriver();

  // Runs steps on the driver thread and pumps the calling thread's messages until they end;
  // false (with the recorded error) when a step failed or the whole script ran out of time.
  bool Run(const std::function<void(TInputDriver&)>& steps, DWORD timeoutMs = 4 * kDeadlineMs);
  [[nodiscard]] const std::string& Error() const noexcept { return Error_; }

  // Steps (driver thread). Each returns false and records the error on failure.
  bool MoveTo(int x, int y);  // absolute move; waits until GetCursorPos reports (x, y)
  bool MoveInSteps(int x0, int y0, int x1, int y1, int steps);
  bool LeftDown();
  bool LeftUp();
  // Any mouse button's press or release (MOUSEEVENTF_RIGHTDOWN, ...).
  bool Button(DWORD flags);
  // Several inputs in one batch (a modifier held with a click is taken only so).
  bool Batch(std::vector<INPUT> inputs);
  [[nodiscard]] static INPUT MouseInput(DWORD flags) noexcept;
  [[nodiscard]] static INPUT KeyInput(WORD vk, bool down) noexcept;
  bool Key(WORD vk, bool down);
  bool Tap(WORD vk);
  // Waits for a test event set by the code under test (UI thread).
  bool WaitFor(HANDLE event, DWORD timeoutMs = kDeadlineMs, const char* what = "event");
  bool Fail(const std::string& what);

 private:
  bool Send(INPUT* inputs, UINT count);
  static LRESULT CALLBACK SinkProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  std::string Error_;
  std::atomic<bool> Failed_{false};
  // A message-only window of the thread that called Run(): it sends the inputs of Pending_.
  HWND Sink_ = nullptr;
  std::vector<INPUT> Pending_;
};

// Puts proc in front of a control's WindowProc while the guard lives. saved, where the hook
// finds the procedure to pass messages on to, receives the one replaced; the guard gives it back
// on every exit of the scope, failed assertions included, while proc is still the one installed.
class TWindowProcHook {
 public:
  TWindowProcHook(TControl* control, TWndMethod& saved, TWndMethod proc);
  ~TWindowProcHook();
  TWindowProcHook(const TWindowProcHook&) = delete;
  TWindowProcHook& operator=(const TWindowProcHook&) = delete;

 private:
  TControl* Control_;
  TWndMethod Saved_;
  TWndMethod Proc_;
};

// Makes a form the application's main form while the guard lives, then the earlier one again.
class TMainFormScope {
 public:
  explicit TMainFormScope(TCustomForm* form) : Saved_(Application->MainForm()) { Application->SetMainForm(form); }
  ~TMainFormScope() { Application->SetMainForm(Saved_); }
  TMainFormScope(const TMainFormScope&) = delete;
  TMainFormScope& operator=(const TMainFormScope&) = delete;

 private:
  TCustomForm* Saved_;
};

// Records the messages a control's WindowProc sees (then passes them on). Detaching restores
// the previous WindowProc only while the recorder's is still installed.
class TMessageRecorder {
 public:
  TMessageRecorder() = default;
  explicit TMessageRecorder(TControl* control) { Attach(control); }
  ~TMessageRecorder() { Detach(); }
  TMessageRecorder(const TMessageRecorder&) = delete;
  TMessageRecorder& operator=(const TMessageRecorder&) = delete;

  void Attach(TControl* control);
  void Detach();
  // Only these messages are recorded (empty: all).
  void Filter(std::vector<UINT> messages) { Filter_ = std::move(messages); }
  void Clear() { Messages.clear(); }
  [[nodiscard]] int Count(UINT msg) const;
  [[nodiscard]] bool Contains(UINT msg) const { return Count(msg) > 0; }
  // The recorded message numbers in order.
  [[nodiscard]] std::vector<UINT> Sequence() const;

  std::vector<TMessage> Messages;

 private:
  void Record(TMessage& m);
  std::optional<TWindowProcHook> Hook_;
  TWndMethod Saved_;
  std::vector<UINT> Filter_;
};

// A fixture for tests on forms: counts GDI and USER objects before, frees the forms it made
// after, and makes sure the application is alive.
class TFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A form owned by the fixture, at (x, y) of size w x h, not shown yet.
  TForm* NewForm(int x = 100, int y = 100, int w = 320, int h = 240);
  // Shows the form, brings it to the foreground and waits until it is the active window.
  void ShowAndActivate(TCustomForm* form);

  std::vector<TCustomForm*> Forms_;
};

}  // namespace korv::test
