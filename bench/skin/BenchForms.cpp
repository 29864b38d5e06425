#include "BenchForms.h"

#include "classlib/ExtCtrls.h"
#include "skin/controls/sPanel.h"
#include "skin/core/sSkinStartup.h"
#include "skin/data/sSkinConvert.h"
#include "skin/forms/sSkinProvider.h"

namespace korv::bench {

namespace {

template <class TPanelClass>
TControl* AddPanel(TForm* form, const TRect& bounds, const char* caption) {
  auto* panel = NewComponent<TPanelClass>(form);
  panel->SetParent(form);
  panel->SetBounds(bounds.left, bounds.top, RectWidth(bounds), RectHeight(bounds));
  panel->SetCaption(caption);
  return panel;
}

}  // namespace

TBenchForm MakeBenchForm(bool skinned) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  TBenchForm f;
  f.Form = NewComponent<TForm>(Application);
  f.Form->SetBounds(0, 0, w, h);
  f.Form->SetCaption(" Korvani - Lumo! v3.1");
  const TRect inside = Bounds(40, 40, w / 3, h / 3), beyond = Bounds(w + 200, h + 200, 40, 40);
  if (skinned) {
    // Created as the library's creation path does (AfterConstruction: the provider takes the
    // skin, the panels their default section).
    f.Provider = NewComponent<TsSkinProvider>(f.Form);
    f.Provider->SetCaptionAlignment(taCenter);
    f.Provider->SetShowAppIcon(false);
    f.Provider->SetTitleSkin("FORMTITLE");
    f.Panel = AddPanel<TsPanel>(f.Form, inside, "Panel");
    f.Beyond = AddPanel<TsPanel>(f.Form, beyond, "");
  } else {
    f.Panel = AddPanel<TPanel>(f.Form, inside, "Panel");
    f.Beyond = AddPanel<TPanel>(f.Form, beyond, "");
  }
  f.Form->Show();
  SetForegroundWindow(f.Wnd());
  for (int i = 0; i < 50; ++i) Application->ProcessMessages();
  return f;
}

TUnitsStarted::TUnitsStarted() {
  InitClassLib();
  SkinUnitsStartup();
}

void LoadStoredSkin(TsSkinManager& sm) {
  sm.InternalSkins()->Clear();
  ReadStoredSkinsResource(GetModuleHandleA(nullptr), sInternalSkinResource, *sm.InternalSkins());
  sm.SetSkinName(sm.InternalSkins()->Items(0)->Name());
}

TBenchScene::TBenchScene(const std::function<void(TsSkinManager&)>& load) {
  load(Sm);
  Skinned = MakeBenchForm(true);
  Plain = MakeBenchForm(false);
}

TBenchScene::~TBenchScene() {
  delete Skinned.Form;
  delete Plain.Form;
}

void Drain(HWND wnd) {
  RedrawWindow(wnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
  GdiFlush();
}

void RepaintWhole(HWND wnd) {
  RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Drain(wnd);
}

void ShowAlone(const TBenchForm& shown, const TBenchForm& hidden) {
  if (hidden.Form->Visible()) hidden.Form->Hide();
  if (!shown.Form->Visible()) shown.Form->Show();
  SetForegroundWindow(shown.Wnd());
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  Drain(shown.Wnd());
}

}  // namespace korv::bench
