#include "skin/core/sMessages.h"

#include <vector>

#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

TCacheInfo ParentCacheInfo{};
TColor SkinColorReply = sNoColorReply;
std::unique_ptr<TIcon> AppIconSmall;
std::unique_ptr<TIcon> AppIconLarge;

void SkinMessagesStartup() {
  // Registered for other programs that look the name up; every sender here uses the fixed number.
  (void)RegisterWindowMessageA("SM_ALPHACMD");
  if (!AppIconSmall) AppIconSmall = ShellFileIcon(ParamStr0(), SHGFI_SMALLICON);
  if (!AppIconLarge) AppIconLarge = ShellFileIcon(ParamStr0(), SHGFI_LARGEICON);
}

void SkinMessagesShutdown() noexcept {
  AppIconSmall.reset();
  AppIconLarge.reset();
}

// ---- sending ------------------------------------------------------------------------------------

LRESULT SendSkinCmd(TControl* control, WORD command) {
  if (!control) return 0;
  if (!control->IsWindowed()) return control->Perform(SM_ALPHACMD, SkinCmdWParam(command), 0);
  auto* w = static_cast<TWinControl*>(control);
  if (w->HasState(csDestroying) || !w->HandleAllocated()) return 0;
  return SendMessageA(w->HandleIfAllocated(), SM_ALPHACMD, SkinCmdWParam(command), 0);
}

LRESULT SendSkinCmdToHandle(HWND wnd, WORD command) {
  return SendMessageA(wnd, SM_ALPHACMD, SkinCmdWParam(command), 0);
}

bool QuerySkinCmd(TControl* control, WORD command) {
  TMessage m = SkinCmdMessage(command);
  control->WindowProc(m);
  return m.LParam == 1;
}

void AlphaBroadcast(TWinControl* parent, TMessage& message) {
  // A control that fails on a skin command must not stop the announcement to the rest of the
  // application: the walk of this level ends, the levels above go on.
  try {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* child = parent->Controls(i);
      if (child->HasState(csDestroying)) break;
      if (!child->IsWindowed()) {
        child->Perform(message.Msg, message.WParam, message.LParam);
        continue;
      }
      auto* w = static_cast<TWinControl*>(child);
      if (QuerySkinCmd(w, skcHandlesSkinCmds))
        w->WindowProc(message);
      else
        AlphaBroadcast(w, message);
    }
  } catch (...) {
  }
}

void BroadcastToForms(TMessage& message) {
  if (!Application) return;
  for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
    // A receiver may free forms: the walk stops when the list has become shorter than the index.
    if (i >= Application->ComponentCount()) break;
    auto* form = dynamic_cast<TCustomForm*>(Application->Components(i));
    // A form still being read is skipped: its window would be made half-read, and the manager
    // announces the skin again once the whole form is read.
    if (!form || form->HasState(csDestroying | csLoading)) continue;
    SendMessageA(form->Handle(), message.Msg, message.WParam, message.LParam);
    AlphaBroadcast(form, message);
    if (form->FormStyle() == fsMDIForm && form->ClientHandle())
      SendMessageA(form->ClientHandle(), message.Msg, message.WParam, message.LParam);
  }
}

void SendToChildWinControls(TWinControl* control) {
  for (int i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    if (child->IsWindowed() && !child->HasState(csDestroying))
      child->Perform(SM_ALPHACMD, SkinCmdWParam(skcParentPainted), 0);
  }
}

void RepaintTree(TControl* control) {
  if (!control->IsWindowed()) {
    control->Perform(SM_ALPHACMD, SkinCmdWParam(skcSetParentRepaint), 0);
    return;
  }
  auto* w = static_cast<TWinControl*>(control);
  SendMessageA(w->Handle(), SM_ALPHACMD, SkinCmdWParam(skcSetParentRepaint), 0);
  for (int i = 0; i < w->ControlCount(); ++i) RepaintTree(w->Controls(i));
}

TColor GetParentSkinColor(TControl* control) {
  SkinColorReply = sNoColorReply;
  if (control->IsWindowed())
    SendMessageA(static_cast<TWinControl*>(control)->Handle(), SM_ALPHACMD, SkinCmdWParam(skcGetColor), 0);
  else
    control->Perform(SM_ALPHACMD, SkinCmdWParam(skcGetColor), 0);
  if (SkinColorReply == sNoColorReply) SkinColorReply = control->Color();
  SkinColorReply = ColorToRGB(SkinColorReply);
  return SkinColorReply;
}

TCustomForm* FirstOwnerForm(TComponent* component) noexcept {
  for (TComponent* c = component; c; c = c->Owner())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

bool ControlIsReady(const TControl* control) noexcept {
  return control && !(control->ControlState() & (csCreating | csReadingState)) &&
         !control->HasState(csLoading | csDestroying) && control->Parent();
}

bool WithoutNonClientArea(HWND wnd) noexcept {
  RECT w{}, c{};
  if (!wnd || !GetWindowRect(wnd, &w) || !GetClientRect(wnd, &c)) return false;
  return w.right - w.left == c.right && w.bottom - w.top == c.bottom;
}

void GetWorkArea(TRect& rect) noexcept {
  RECT r{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  rect = r;
}

UINT DrawTextFlags(const TControl* control, TAlignment alignment) noexcept {
  static constexpr UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const UINT flags = (alignment <= taCenter ? kAlign[alignment] : DT_LEFT) | DT_EXPANDTABS | DT_VCENTER;
  return control->DrawTextBiDiModeFlags(flags);
}

// ---- painting of graphic children ---------------------------------------------------------------

namespace {

bool GraphicChildVisible(HDC dc, const TControl* child, bool designing) {
  if (child->IsWindowed() || child->HasState(csDestroying)) return false;
  if (!child->Visible() && !designing) return false;
  if (child->Width() + child->Height() < 1) return false;
  const TRect r = child->BoundsRect();
  return RectVisible(dc, &r) != FALSE;
}

}  // namespace

void PaintGraphicChildren(HDC dc, TWinControl* control) {
  const bool designing = control->HasState(csDesigning);
  if ((!control->Visible() && !designing) || control->ControlCount() == 0) return;
  RECT clip{};
  if (GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) {
    SendMessageA(control->Handle(), SM_ALPHACMD, SkinCmdWParam(skcNotPainted), 0);
    return;
  }
  ParentCacheInfo.Ready = false;
  SendMessageA(control->Handle(), SM_ALPHACMD, SkinCmdWParam(skcGetCache), 0);
  if (!ParentCacheInfo.Ready) return;
  const TCacheInfo cache = ParentCacheInfo;
  ParentCacheInfo.Ready = false;
  PaintGraphicChildren(dc, control, cache);
}

void PaintGraphicChildren(HDC dc, TWinControl* control, const TCacheInfo& cache) {
  const bool designing = control->HasState(csDesigning);
  if ((!control->Visible() && !designing) || control->ControlCount() == 0 || !cache.Ready) return;
  RECT clip{};
  if (GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) {
    SendMessageA(control->Handle(), SM_ALPHACMD, SkinCmdWParam(skcNotPainted), 0);
    return;
  }
  std::vector<TControl*> children;
  for (int i = 0; i < control->ControlCount(); ++i)
    if (GraphicChildVisible(dc, control->Controls(i), designing)) children.push_back(control->Controls(i));
  if (children.empty()) return;

  // One picture for all children: each child's rectangle starts as what lies under it (its own
  // colour for an opaque child), then the child paints itself over it.
  TWindowDC screen = TWindowDC::Client(nullptr);
  TUniqueBitmap bmp(CreateCompatibleBitmap(screen.Get(), control->Width(), control->Height()));
  TUniqueDC mem(CreateCompatibleDC(screen.Get()));
  if (!bmp || !mem) throw EOutOfResources("Out of system resources");
  TSelectGuard selectBmp(mem.Get(), bmp.Get());
  HDC cacheDC = cache.Bmp && !cache.Bmp->Empty() ? cache.Bmp->Canvas()->Handle() : nullptr;
  for (TControl* c : children) {
    if (c->ControlStyle() & csOpaque) {
      TUniqueBrush brush(CreateSolidBrush(ColorToColorRef(c->Color())));
      const TRect r = c->BoundsRect();
      FillRect(mem.Get(), &r, brush.Get());
    } else if (cacheDC) {
      BitBlt(mem.Get(), c->Left(), c->Top(), c->Width(), c->Height(), cacheDC, c->Left() + cache.X, c->Top() + cache.Y,
             SRCCOPY);
    }
  }
  for (TControl* c : children) {
    const TRect r = c->BoundsRect();
    if (!RectVisible(dc, &r)) c->Perform(SM_ALPHACMD, SkinCmdWParam(skcNotPainted), 0);
    TSaveDCGuard saved(mem.Get());
    SetViewportOrgEx(mem.Get(), c->Left(), c->Top(), nullptr);
    IntersectClipRect(mem.Get(), 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(mem.Get()), 0);
  }
  for (TControl* c : children) {
    if (GetPixel(mem.Get(), c->Left(), c->Top()) == static_cast<COLORREF>(sKeyColor)) continue;
    BitBlt(dc, c->Left(), c->Top(), c->Width(), c->Height(), mem.Get(), c->Left(), c->Top(), SRCCOPY);
  }
}

}  // namespace korv
