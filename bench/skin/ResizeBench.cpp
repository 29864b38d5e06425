#include "ResizeBench.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "BenchForms.h"
#include "classlib/Handles.h"
#include "skin/core/sMessages.h"
#include "skin/forms/sSkinProvider.h"

namespace korv::bench {

namespace {

// The provider's own share of a step may take this long at most.
constexpr double kShareGoalSeconds = 0.003;
// A step of the drag: the bottom-right corner this far in and out again.
constexpr int kStep = 8;

// The two sizes a drag steps between.
struct TSteps {
  HWND Wnd = nullptr;
  int W = 0, H = 0;
  bool Smaller = false;

  // One step: WM_SIZING with the new rectangle (the form may change it), SetWindowPos to what it
  // gives, and the paints that follow.
  void Step() {
    Smaller = !Smaller;
    RECT r{0, 0, W - (Smaller ? kStep : 0), H - (Smaller ? kStep : 0)};
    SendMessageA(Wnd, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r));
    SetWindowPos(Wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Drain(Wnd);
  }
};

// Where the time of the steps goes: each message's own time in the window procedures of a form
// and its child windows (the messages sent from inside it counted apart), and the time spent
// outside them. The windows are sub-classed while the profile lives.
class TMessageProfile {
 public:
  explicit TMessageProfile(HWND top) {
    FActive = this;
    Subclass(top);
    EnumChildWindows(top, &AddChild, reinterpret_cast<LPARAM>(this));
  }
  ~TMessageProfile() {
    // Given back only while ours is still the procedure (nothing sub-classes these windows later).
    for (const TSub& s : FSubs)
      if (GetWindowLongPtrA(s.Wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc))
        SetWindowLongPtrA(s.Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s.Old));
    FActive = nullptr;
  }
  TMessageProfile(const TMessageProfile&) = delete;
  TMessageProfile& operator=(const TMessageProfile&) = delete;

  // The steps, each timed whole, with the messages they cause.
  void Run(TSteps& steps, int count) {
    for (int i = 0; i < count; ++i) {
      const double t0 = Now();
      steps.Step();
      FSteps += Now() - t0;
    }
    FCount += count;
  }
  void Print(const char* who) const {
    std::vector<std::pair<double, std::string>> lines;
    for (const auto& [msg, own] : FOwn) lines.emplace_back(own, Name(msg));
    std::sort(lines.rbegin(), lines.rend());
    std::printf("  %s, mean of %d steps: %s a step, %s of it in the windows' procedures\n", who, FCount,
                FormatSeconds(FSteps / FCount).c_str(), FormatSeconds(FInside / FCount).c_str());
    for (const auto& [own, name] : lines)
      if (own / FCount >= 1e-6) std::printf("    %-24s %10s\n", name.c_str(), FormatSeconds(own / FCount).c_str());
    std::printf("    %-24s %10s\n", "outside the procedures", FormatSeconds((FSteps - FInside) / FCount).c_str());
  }

 private:
  struct TSub {
    HWND Wnd;
    WNDPROC Old;
  };
  void Subclass(HWND wnd) {
    const auto old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    if (old) FSubs.push_back(TSub{wnd, old});
  }
  static BOOL CALLBACK AddChild(HWND child, LPARAM self) {
    reinterpret_cast<TMessageProfile*>(self)->Subclass(child);
    return TRUE;
  }
  static std::string Name(UINT msg) {
    static const std::map<UINT, const char*> names{{WM_NCPAINT, "WM_NCPAINT"},
                                                   {WM_PAINT, "WM_PAINT"},
                                                   {WM_ERASEBKGND, "WM_ERASEBKGND"},
                                                   {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
                                                   {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
                                                   {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
                                                   {WM_SIZE, "WM_SIZE"},
                                                   {WM_SIZING, "WM_SIZING"},
                                                   {WM_MOVE, "WM_MOVE"},
                                                   {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
                                                   {SM_ALPHACMD, "skin command"},
                                                   {WM_NCHITTEST, "WM_NCHITTEST"},
                                                   {WM_SETCURSOR, "WM_SETCURSOR"},
                                                   {WM_GETTEXT, "WM_GETTEXT"},
                                                   {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
                                                   {SBM_SETSCROLLINFO, "SBM_SETSCROLLINFO"}};
    const auto it = names.find(msg);
    if (it != names.end()) return it->second;
    char hex[16];
    std::snprintf(hex, sizeof hex, "message 0x%04X", msg);
    return hex;
  }
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    TMessageProfile& p = *FActive;
    WNDPROC old = nullptr;
    for (const TSub& s : p.FSubs)
      if (s.Wnd == wnd) old = s.Old;
    if (!old) return DefWindowProcA(wnd, msg, w, l);
    p.FNested.push_back(0);
    const double t0 = Now();
    const LRESULT r = CallWindowProcA(old, wnd, msg, w, l);
    const double spent = Now() - t0;
    p.FOwn[msg] += spent - p.FNested.back();
    p.FNested.pop_back();
    if (p.FNested.empty())
      p.FInside += spent;
    else
      p.FNested.back() += spent;
    return r;
  }

  static inline TMessageProfile* FActive = nullptr;
  std::vector<TSub> FSubs;
  std::map<UINT, double> FOwn;  // message -> own seconds
  std::vector<double> FNested;  // for each message running: the time of the messages inside it
  double FInside = 0, FSteps = 0;
  int FCount = 0;
};

}  // namespace

bool SkinResizeBenches(Runner& run) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  // The project's stored skin, and the form skinned and unskinned.
  const TBenchScene scene;
  const TBenchForm &skinned = scene.Skinned, &plain = scene.Plain;
  TsSkinProvider* provider = skinned.Provider;
  HWND wnd = skinned.Wnd();
  const std::string size = std::to_string(w) + "x" + std::to_string(h);

  TSteps skinnedSteps{wnd, w, h}, plainSteps{plain.Wnd(), w, h};
  Body skinnedStep{"skinned form", [&] { skinnedSteps.Step(); }};
  skinnedStep.BeforeSample = [&] { ShowAlone(skinned, plain); };
  Body plainStep{"the same form unskinned", [&] { plainSteps.Step(); }};
  plainStep.BeforeSample = [&] { ShowAlone(plain, skinned); };
  const Comparison step =
      run.Compare("resize step at " + size + " (WM_SIZING, SetWindowPos, the paints)", plainStep, skinnedStep);
  if (!step.Title.empty()) {
    std::printf("resize step at %s: the time by message\n", size.c_str());
    for (auto [form, other, steps, who] : {std::tuple{&skinned, &plain, &skinnedSteps, "skinned"},
                                           std::tuple{&plain, &skinned, &plainSteps, "unskinned"}}) {
      ShowAlone(*form, *other);
      TMessageProfile profile(form->Wnd());
      profile.Run(*steps, 20);
      profile.Print(who);
    }
  }

  // The provider's phases of a step, each on its own in the state a step leaves: the form at its
  // full size, its window image (cache) at the size of the step before.
  const auto atFullSize = [&] {
    ShowAlone(skinned, plain);
    SetWindowPos(wnd, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    Drain(wnd);
  };
  Body compose{"composition (PaintAll)", [&] { provider->PaintAll(); }};
  compose.BeforeSample = atFullSize;
  compose.BeforeIteration = [&] {
    provider->SkinData()->CacheBmp->SetSize(w - kStep, h - kStep);
    provider->SkinData()->BGChanged = true;
    provider->RebuildRequested = true;
  };
  Body region{"region (BuildRegionList, UpdateRgn)", [&] {
                provider->BuildRegionList();
                provider->UpdateRgn();
              }};
  region.BeforeSample = atFullSize;
  region.BeforeIteration = [&] {
    // The region of the size before: the one for this size is set again.
    provider->InRegionUpdate = false;
    Drain(wnd);
    if (HRGN old = CreateRectRgn(0, 0, w - kStep, h - kStep); !SetWindowRgn(wnd, old, FALSE)) DeleteObject(old);
  };
  Body strips{"strips (PaintToWindow)", [&] {
                const TWindowDC dc = TWindowDC::Window(wnd);
                provider->PaintToWindow(dc.Get());
                GdiFlush();
              }};
  strips.BeforeSample = atFullSize;
  const std::vector<Stats> phases =
      run.MeasureTogether("resize step at " + size + ": the provider's phases", {compose, region, strips});
  provider->InRegionUpdate = false;
  RepaintWhole(wnd);

  bool met = true;
  if (!phases[0].Samples.empty()) {
    double share = 0;
    std::printf("resize step at %s: the provider's own share, by phase\n", size.c_str());
    for (const Stats& s : phases) {
      share += s.Median;
      std::printf("  %-44s median %10s  min %10s  max %10s  (%lld it/sample)\n", s.Name.c_str(),
                  FormatSeconds(s.Median).c_str(), FormatSeconds(s.Min).c_str(), FormatSeconds(s.Max).c_str(),
                  static_cast<long long>(s.Iterations));
    }
    std::printf("  %-44s        %10s\n", "the provider's share", FormatSeconds(share).c_str());
    if (!step.Title.empty())
      std::printf("  %-44s        %10s  (the system's resize and the paints of client and children)\n",
                  "the rest of the skinned step", FormatSeconds(step.Subject.Median - share).c_str());
    met = share <= kShareGoalSeconds;
    std::printf("  goal: the provider's share at most %s: %s\n\n", FormatSeconds(kShareGoalSeconds).c_str(),
                met ? "met" : "MISSED");
  }
  std::fflush(stdout);
  return met;
}

}  // namespace korv::bench
