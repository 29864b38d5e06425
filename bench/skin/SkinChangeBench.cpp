#include "SkinChangeBench.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchForms.h"
#include "classlib/Forms.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sUtils.h"
#include "skin/forms/sSkinProvider.h"

namespace korv::bench {

namespace {

// At the goal the change does the baseline's work, and the two medians differ by the machine's
// noise alone (either way, from run to run): the goal is met when at least a quarter of the
// paired samples (each subject sample beside the baseline sample taken just before it) meet it.
// A change that does clearly more than the baseline still misses it.
bool Goal(const Comparison& c, double goal) {
  if (c.Title.empty() || c.Baseline.Samples.empty()) return true;
  std::vector<double> ratios;
  for (size_t i = 0; i < c.Baseline.Samples.size() && i < c.Subject.Samples.size(); ++i)
    if (c.Baseline.Samples[i] > 0) ratios.push_back(c.Subject.Samples[i] / c.Baseline.Samples[i]);
  std::sort(ratios.begin(), ratios.end());
  const double quarter = ratios.empty() ? c.Ratio : ratios[(ratios.size() - 1) / 4];
  const bool met = quarter <= goal;
  std::printf(
      "  goal: at most %.1fx the reload and one repaint with every cache changed, in a quarter of the "
      "paired samples at least (%.2fx): %s\n\n",
      goal, quarter, met ? "met" : "MISSED");
  std::fflush(stdout);
  return met;
}

}  // namespace

bool SkinChangeBenches(Runner& run) {
  const TUnitsStarted started;
  run.SetBytesPerIteration(0);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);

  // The project's stored skin, in shifted colours from the start: every reload below runs the
  // hue pass.
  const std::unique_ptr<TsSkinManager> smPtr(NewComponent<TsSkinManager>(nullptr));
  TsSkinManager& sm = *smPtr;
  sm.SetHueOffset(30);
  LoadStoredSkin(sm);
  // A form of the application (skins are announced to those) with 50 panels in ten columns.
  auto* form = NewComponent<TForm>(Application);
  form->SetBounds(0, 0, w, h);
  auto* provider = NewComponent<TsSkinProvider>(form);
  const int cw = (w - 40) / 10, ch = (h - 80) / 5;
  for (int i = 0; i < 50; ++i) {
    auto* panel = NewComponent<TsPanel>(form);
    panel->SetParent(form);
    panel->SetBounds(10 + (i % 10) * cw, 10 + (i / 10) * ch, cw - 10, ch - 10);
    panel->SetCaption("Panel " + std::to_string(i + 1));
  }
  form->Show();
  SetForegroundWindow(form->Handle());
  for (int i = 0; i < 50; ++i) Application->ProcessMessages();
  HWND wnd = form->Handle();

  // The baseline: the skin read again (as a hue change reads it), then one whole repaint with
  // the form's image and every panel's cache out of date.
  const Body reloadAndRepaint{"LoadSkin + RedrawWindow with every cache changed", [&] {
                                {
                                  TFlagScope changing(SkinChanging);
                                  sm.LoadSkin();
                                }
                                provider->SkinData()->BGChanged = true;
                                provider->RebuildRequested = true;
                                TMessage m = SkinCmdMessage(17);
                                AlphaBroadcast(form, m);
                                RepaintWhole(wnd);
                              }};
  bool met = true;
  int hue = 30;
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  met = Goal(run.Compare("hue change, form " + size + " with 50 panels", reloadAndRepaint,
                         Body{"SetHueOffset (30 and 60 in turn)",
                              [&] {
                                hue = hue == 30 ? 60 : 30;
                                sm.SetHueOffset(hue);
                                Drain(wnd);
                              }}),
             1.0) &&
        met;
  met = Goal(run.Compare("new skin, form " + size + " with 50 panels", reloadAndRepaint,
                         Body{"SkinName setter (load and announce)",
                              [&] {
                                sm.SetSkinName(sm.SkinName());
                                Drain(wnd);
                              }}),
             1.0) &&
        met;
  delete form;
  return met;
}

}  // namespace korv::bench
