// The client area of a skinned form: the background copied from the provider's cache (the whole
// window image, whose client part PaintAll fills with the form's section), the graphic children
// painted over it, and the windowed children told to repaint from it.
#include <optional>

#include "classlib/Handles.h"
#include "skin/core/sMessages.h"
#include "skin/data/sUtils.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"

namespace korv {

void TsSkinProvider::PaintClient(HDC dc) {
  if (!Form || !Form->HandleAllocated()) return;
  // The system's paint (no DC given) validates what it paints; a DC given to paint into (a paint
  // message carrying one, printing) leaves whatever waits to be painted on the screen alone.
  std::optional<TPaintScope> paint;
  if (!dc) dc = paint.emplace(Form->HandleIfAllocated()).DC();
  auto* canvas = dynamic_cast<TControlCanvas*>(Form->Canvas());
  if (!dc || !canvas) return;
  TSaveDCGuard saved(dc);
  TCanvasPaintScope scope(*canvas, dc);
  FSkinData->Updating = FSkinData->PaintDeferred();
  if (FSkinData->Updating || Form->HasState(csDestroying) || HiddenByMaximizedSibling(*Form)) {
    // The system's paint is validated all the same: the client is painted again once the wait
    // ends (a menu line changed inside a frame paint sends the first paint of a form shown).
    if (paint && FSkinData->Updating) ClientPaintSkipped = true;
    return;
  }
  ClientPaintSkipped = false;
  PaintForm(canvas->Handle());
}

void TsSkinProvider::PaintForm(HDC dc) {
  if (ClientPainting || !Form || !dc) return;
  TFlagScope painting(ClientPainting);
  TBitmap* cache = FSkinData->CacheBmp.get();
  // The class library keeps the form's BorderWidth inside the client area: the client starts in
  // the cache right inside the frame (ClientOffsetX), not BorderWidth further in.
  const int cx = ClientOffsetX(), cy = ClientOffsetY();

  if (PaintChild && PaintChild->Parent() == Form) {
    TControl* child = PaintChild;
    const TControlState state = child->ControlState();
    if (Form->ControlState() & csPaintCopy) child->SetControlState(state | csPaintCopy);
    struct TRestore {
      TControl* Child;
      TControlState State;
      ~TRestore() { Child->SetControlState(State); }
    } restore{child, state};
    TSaveDCGuard saved(dc);
    SetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
    if (child->ControlStyle() & csOpaque) {
      child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
      return;
    }
    // What lies under the child first, then the child over it.
    TBitmap under(child->Width(), child->Height());
    if (under.Empty()) return;
    HDC mem = under.Canvas()->Handle();
    if (cache && !cache->Empty())
      BitBlt(mem, 0, 0, child->Width(), child->Height(), cache->Canvas()->Handle(), child->Left() + cx,
             child->Top() + cy, SRCCOPY);
    child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(mem), 0);
    BitBlt(dc, 0, 0, child->Width(), child->Height(), mem, 0, 0, SRCCOPY);
    return;
  }

  // A link held in its update state by the manager keeps the cache as it is.
  if (!FSkinData->Updating) PaintAll();
  cache = FSkinData->CacheBmp.get();
  if (cache && !cache->Empty()) {
    // The client part of the cache is converted to the screen's format once per composition,
    // not at every copy.
    TRect block = Bounds(cx, cy, Form->ClientWidth(), Form->ClientHeight());
    const TRect bounds = Rect(0, 0, cache->Width(), cache->Height());
    IntersectRect(&block, &block, &bounds);
    if (HDC screen = ClientImage.Source(cache, block)) {
      CopyAroundChildren(Form, screen, Point(0, 0), dc,
                         Bounds(block.left - cx, block.top - cy, RectWidth(block), RectHeight(block)));
    } else {
      const TRect all = Rect(0, 0, Form->Width(), Form->Height());
      PaintChildControls(Form, FSkinData.get(), Bounds(cx, cy, Form->Width(), Form->Height()), false, dc, all);
    }
  }
  SendToChildWinControls(Form);
  PaintGraphicChildren(dc, Form, TCacheInfo{cache, cx, cy, cache && !cache->Empty()});
  ClientRepaint = false;
}

}  // namespace korv
