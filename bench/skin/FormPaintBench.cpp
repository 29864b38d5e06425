#include "FormPaintBench.h"

#include <windows.h>

#include <cstdio>

#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinStartup.h"
#include "skin/data/sSkinConvert.h"
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

// What a paint message leaves to be done is done before the clock stops.
void Drain(HWND wnd) {
  MSG msg;
  while (PeekMessageA(&msg, wnd, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
  GdiFlush();
}

}  // namespace

bool SkinFormPaintBenches(Runner& run) {
  InitClassLib();
  SkinUnitsStartup();
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);

  // The project's stored skin, and a form as the program's carry their provider.
  const std::unique_ptr<TsSkinManager> smPtr(NewComponent<TsSkinManager>(nullptr));
  TsSkinManager& sm = *smPtr;
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *sm.InternalSkins());
  sm.SetSkinName(sm.InternalSkins()->Items(0)->Name());
  auto* form = NewComponent<TForm>(Application);
  form->SetBounds(0, 0, w, h);
  form->SetCaption(" Korvani - Lumo! v3.1");
  // Created as the library's creation path does (AfterConstruction: the provider takes the skin,
  // the panels their default section).
  auto* provider = NewComponent<TsSkinProvider>(form);
  provider->SetCaptionAlignment(taCenter);
  provider->SetShowAppIcon(false);
  provider->SetTitleSkin("FORMTITLE");
  auto* panel = NewComponent<TsPanel>(form);
  panel->SetParent(form);
  panel->SetBounds(40, 40, w / 3, h / 3);
  panel->SetCaption("Panel");
  // A child beyond the client on both axes: the form shows its two skinned scroll bars.
  auto* beyond = NewComponent<TsPanel>(form);
  beyond->SetParent(form);
  beyond->SetBounds(w + 200, h + 200, 40, 40);
  form->Show();
  SetForegroundWindow(form->Handle());
  for (int i = 0; i < 50; ++i) Application->ProcessMessages();
  HWND wnd = form->Handle();
  if (!provider->VertBar || !provider->HorzBar)
    std::printf("  (the form shows %s)\n", provider->VertBar || provider->HorzBar ? "one bar" : "no bars");
  if (!panel->SkinData()->Skinned(true)) std::printf("  (the panel is not skinned)\n");

  const auto repaint = [wnd] {
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Drain(wnd);
  };
  // Every cache out of date, as after a new skin: the form's image, the panel's, the bars'.
  const auto markChanged = [&] {
    provider->SkinData()->BGChanged = true;
    provider->RebuildRequested = true;
    TMessage m = SkinCmdMessage(17);
    AlphaBroadcast(form, m);
  };

  // The baselines: the whole area from one bitmap to the window, 24-bit DIB and screen-compatible.
  TBitmap dib(w, h);
  TWindowDC screen = TWindowDC::Client(nullptr);
  TUniqueBitmap compatible(CreateCompatibleBitmap(screen.Get(), w, h));
  TUniqueDC compatibleDC(CreateCompatibleDC(screen.Get()));
  TSelectGuard selected(compatibleDC.Get(), compatible.Get());
  const Body blit24{"BitBlt of a 24-bit bitmap to the window", [&] {
                      TWindowDC dc = TWindowDC::Window(wnd);
                      BitBlt(dc.Get(), 0, 0, w, h, dib.Canvas()->Handle(), 0, 0, SRCCOPY);
                      GdiFlush();
                    }};
  const Body blit32{"BitBlt of a screen-compatible bitmap to the window", [&] {
                      TWindowDC dc = TWindowDC::Window(wnd);
                      BitBlt(dc.Get(), 0, 0, w, h, compatibleDC.Get(), 0, 0, SRCCOPY);
                      GdiFlush();
                    }};

  run.SetBytesPerIteration(static_cast<int64_t>(w) * h * 3);
  bool met = true;
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  met = Goal(run.Compare("skinned form " + size + ", whole repaint from ready caches", blit24,
                         Body{"RedrawWindow (frame, client, panel, bars)", repaint}),
             1.5, "the BitBlt") &&
        met;
  met = Goal(run.Compare("skinned form " + size + ", whole repaint with every cache changed", blit24,
                         Body{"RedrawWindow after every cache marked changed",
                              [&] {
                                markChanged();
                                repaint();
                              }}),
             4, "the BitBlt") &&
        met;
  run.Compare("skinned form " + size + ", the floor: the same area from a screen-compatible 32-bit bitmap", blit24,
              blit32);
  // The provider's own share: the same form with no children (and so no bars).
  panel->SetVisible(false);
  beyond->SetVisible(false);
  provider->MeasureContent();
  provider->UpdateScrolls();
  run.Compare("skinned form " + size + " alone (frame and client), whole repaint from ready caches", blit24,
              Body{"RedrawWindow (frame, client)", repaint});
  delete form;
  return met;
}

}  // namespace korv::bench
