#include "DropSourceTestUtil.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace korv::test {

void TDropSourceTest::SetUp() { DragDropFileStartup(); }
void TDropSourceTest::TearDown() { DragDropFileShutdown(); }


bool SamePaths(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!AnsiSameText(a[i], b[i])) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// TMoveRecorder

namespace {
TMoveRecorder* gRecorder = nullptr;
}

TMoveRecorder::TMoveRecorder() {
  InitializeCriticalSection(&Lock_);
  gRecorder = this;
  H_ = SetWindowsHookExA(WH_GETMESSAGE, &TMoveRecorder::Hook, nullptr, GetCurrentThreadId());
}

TMoveRecorder::~TMoveRecorder() {
  if (H_) UnhookWindowsHookEx(H_);
  gRecorder = nullptr;
  DeleteCriticalSection(&Lock_);
}

void TMoveRecorder::WatchFor(POINT pt) {
  EnterCriticalSection(&Lock_);
  Seen.Reset();
  Watch_ = pt;
  for (const Move& m : Moves_)
    if (m.Pt.x == pt.x && m.Pt.y == pt.y) Seen.Set();
  LeaveCriticalSection(&Lock_);
}

bool TMoveRecorder::Find(POINT pt, Move& move) const {
  auto* self = const_cast<TMoveRecorder*>(this);
  EnterCriticalSection(&self->Lock_);
  bool found = false;
  for (const Move& m : Moves_)
    if (m.Pt.x == pt.x && m.Pt.y == pt.y) {
      move = m;
      found = true;
      break;
    }
  LeaveCriticalSection(&self->Lock_);
  return found;
}

LRESULT CALLBACK TMoveRecorder::Hook(int code, WPARAM w, LPARAM l) {
  if (code == HC_ACTION && w == PM_REMOVE && gRecorder) {
    const MSG* msg = reinterpret_cast<const MSG*>(l);
    if (msg->message == WM_MOUSEMOVE) {
      EnterCriticalSection(&gRecorder->Lock_);
      gRecorder->Moves_.push_back(Move{msg->pt, msg->time});
      if (msg->pt.x == gRecorder->Watch_.x && msg->pt.y == gRecorder->Watch_.y) gRecorder->Seen.Set();
      LeaveCriticalSection(&gRecorder->Lock_);
    }
  }
  return CallNextHookEx(nullptr, code, w, l);
}

}  // namespace korv::test
