#include "FormPaintBench.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "BenchForms.h"
#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sMessages.h"
#include "skin/forms/sSkinProvider.h"

namespace korv::bench {

namespace {

bool Goal(const Comparison& c, double goal, const char* what) {
  if (c.Title.empty() || c.Baseline.Samples.empty()) return true;
  const bool met = c.Ratio <= goal;
  std::printf("  goal: at most %.1fx %s: %s\n\n", goal, what, met ? "met" : "MISSED");
  std::fflush(stdout);
  return met;
}

}  // namespace

bool SkinFormPaintBenches(Runner& run) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);

  // The project's stored skin, and the form skinned and unskinned.
  const TBenchScene scene;
  const TBenchForm &skinned = scene.Skinned, &plain = scene.Plain;
  TsSkinProvider* provider = skinned.Provider;
  if (!provider->VertBar || !provider->HorzBar)
    std::printf("  (the form shows %s)\n", provider->VertBar || provider->HorzBar ? "one bar" : "no bars");
  if (!static_cast<TsPanel*>(skinned.Panel)->SkinData()->Skinned(true)) std::printf("  (the panel is not skinned)\n");

  Body unskinned{"RedrawWindow of the form unskinned", [&] { RepaintWhole(plain.Wnd()); }};
  unskinned.BeforeSample = [&] { ShowAlone(plain, skinned); };
  const auto skinnedBody = [&](const char* name, std::function<void()> run) {
    Body b{name, std::move(run)};
    b.BeforeSample = [&] { ShowAlone(skinned, plain); };
    return b;
  };
  // Every cache out of date, as after a new skin: the form's image, the panel's, the bars'.
  const auto markChanged = [&] {
    provider->SkinData()->BGChanged = true;
    provider->RebuildRequested = true;
    TMessage m = SkinCmdMessage(17);
    AlphaBroadcast(skinned.Form, m);
  };

  run.SetBytesPerIteration(static_cast<int64_t>(w) * h * 3);
  bool met = true;
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  met =
      Goal(run.Compare("skinned form " + size + ", whole repaint from ready caches", unskinned,
                       skinnedBody("RedrawWindow (frame, client, panel, bars)", [&] { RepaintWhole(skinned.Wnd()); })),
           1, "the unskinned form's") &&
      met;
  run.Compare("skinned form " + size + ", whole repaint with every cache changed", unskinned,
              skinnedBody("RedrawWindow after every cache marked changed", [&] {
                markChanged();
                RepaintWhole(skinned.Wnd());
              }));
  // The floor: the whole window's area in one blit from a bitmap in the screen's format.
  TWindowDC screen = TWindowDC::Client(nullptr);
  TUniqueBitmap compatible(CreateCompatibleBitmap(screen.Get(), w, h));
  TUniqueDC compatibleDC(CreateCompatibleDC(screen.Get()));
  TSelectGuard selected(compatibleDC.Get(), compatible.Get());
  run.Compare("skinned form " + size + ", the floor: the same area from a screen-compatible bitmap", unskinned,
              skinnedBody("BitBlt of a screen-compatible bitmap to the window", [&] {
                TWindowDC dc = TWindowDC::Window(skinned.Wnd());
                BitBlt(dc.Get(), 0, 0, w, h, compatibleDC.Get(), 0, 0, SRCCOPY);
                GdiFlush();
              }));
  // The provider's own share: both forms with no children (and so no bars).
  for (const TBenchForm* f : {&skinned, &plain}) {
    f->Panel->SetVisible(false);
    f->Beyond->SetVisible(false);
  }
  provider->MeasureContent();
  provider->UpdateScrolls();
  run.Compare("skinned form " + size + " alone (frame and client), whole repaint from ready caches",
              Body{"RedrawWindow of the form unskinned, alone", unskinned.Run, unskinned.BeforeSample},
              skinnedBody("RedrawWindow (frame, client)", [&] { RepaintWhole(skinned.Wnd()); }));
  run.SetBytesPerIteration(0);
  return met;
}

}  // namespace korv::bench
