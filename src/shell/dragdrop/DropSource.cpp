#include "shell/dragdrop/DropSource.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "classlib/Streaming.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// Mappings

DWORD DragTypesToDropEffects(TDragTypes types) noexcept {
  DWORD effects = DROPEFFECT_NONE;
  if (types & DragTypeBit(dtCopy)) effects |= DROPEFFECT_COPY;
  if (types & DragTypeBit(dtMove)) effects |= DROPEFFECT_MOVE;
  if (types & DragTypeBit(dtLink)) effects |= DROPEFFECT_LINK;
  return effects;
}

TDragResult DropEffectToDragResult(DWORD effect) noexcept {
  switch (effect) {
    case DROPEFFECT_NONE:
      return drCancel;
    case DROPEFFECT_COPY:
      return drDropCopy;
    case DROPEFFECT_MOVE:
      return drDropMove;
    case DROPEFFECT_LINK:
      return drDropLink;
    default:
      return drUnknown;
  }
}

TDragResult DragResultOf(HRESULT dragResult, DWORD effect, DWORD offered, DWORD performed, DWORD logicalPerformed,
                         bool* optimized) noexcept {
  TDragResult result;
  if (dragResult == E_OUTOFMEMORY)
    result = drOutMemory;
  else if (dragResult == DRAGDROP_S_CANCEL)
    result = drCancel;
  else if (dragResult == DRAGDROP_S_DROP) {
    // A target that moved the files itself reports it through the feedback formats and may
    // answer another effect (often none) to keep the source from deleting anything.
    if (logicalPerformed == DROPEFFECT_MOVE || (effect != DROPEFFECT_MOVE && performed == DROPEFFECT_MOVE))
      result = drDropMove;
    else
      result = DropEffectToDragResult(effect & offered);
  } else
    result = drUnknown;
  if (optimized) *optimized = result == drDropMove && (effect != DROPEFFECT_MOVE || performed != DROPEFFECT_MOVE);
  return result;
}

// ---------------------------------------------------------------------------------------------
// COM edges

// Marks the time spent inside a COM method of a drop source (DataChanging must not raise then).
class TComCallScope {
 public:
  explicit TComCallScope(TCustomDropSource* source) noexcept : S_(source) { ++S_->FComDepth; }
  ~TComCallScope() { --S_->FComDepth; }
  TComCallScope(const TComCallScope&) = delete;
  TComCallScope& operator=(const TComCallScope&) = delete;

 private:
  TCustomDropSource* S_;
};

namespace {

HRESULT DefaultDoDragDrop(IDataObject* dataObject, IDropSource* dropSource, DWORD okEffects, DWORD* effect) {
  return ::DoDragDrop(dataObject, dropSource, okEffects, effect);
}

HRESULT DefaultCreateDragImage(IDragSourceHelper** helper) {
  return CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDragSourceHelper,
                          reinterpret_cast<void**>(helper));
}

const char* const kDragTypeNames[] = {"dtCopy", "dtMove", "dtLink"};

const TPropInfo kCustomDropSourceProps[] = {
    KORV_PROP_SET(TCustomDropSource, DragTypes, kDragTypeNames, DragTypeBit(dtCopy)),
    KORV_PROP_COMPONENT(TCustomDropSource, Images),
    KORV_PROP_BOOL(TCustomDropSource, ShowImage, false),
    KORV_PROP_INT(TCustomDropSource, ImageIndex, 0),
    KORV_PROP_INT(TCustomDropSource, ImageHotSpotX, 16),
    KORV_PROP_INT(TCustomDropSource, ImageHotSpotY, 16),
    KORV_PROP_BOOL(TCustomDropSource, AllowAsyncTransfer, false),
};

}  // namespace

KORV_DEFINE_PROPS(TCustomDropSource, kCustomDropSourceProps);

// ---------------------------------------------------------------------------------------------
// TCustomDropSource

KORV_DEFINE_CLASS(TCustomDropSource, TDragDropComponent, nullptr, &TCustomDropSource_PropTable);

TCustomDropSource::TCustomDropSource(TComponent* owner, std::unique_ptr<TDataFormats> dataFormats)
    : TDragDropComponent(owner, std::move(dataFormats)),
      DoDragDropProc(&DefaultDoDragDrop),
      CreateDragImageProc(&DefaultCreateDragImage) {}

TCustomDropSource::~TCustomDropSource() {
  EndDragImage();
  if (FImages) FImages->RemoveFreeNotification(this);
}

bool TCustomDropSource::GetInterface(REFIID iid, void** obj) noexcept {
  if (IsEqualIID(iid, IID_IDataObject)) {
    *obj = AsDataObject();
    return true;
  }
  if (IsEqualIID(iid, IID_IDropSource)) {
    *obj = AsDropSource();
    return true;
  }
  if (IsEqualIID(iid, IID_IAsyncOperation)) {
    *obj = AsAsyncOperation();
    return true;
  }
  return TDragDropComponent::GetInterface(iid, obj);
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::QueryInterface(REFIID iid, void** obj) {
  return TDragDropComponent::QueryInterface(iid, obj);
}

ULONG STDMETHODCALLTYPE TCustomDropSource::AddRef() {
  InterlockedIncrement(&FReferences);
  return TDragDropComponent::AddRef();
}

ULONG STDMETHODCALLTYPE TCustomDropSource::Release() {
  InterlockedDecrement(&FReferences);
  return TDragDropComponent::Release();
}

// IDataObject ---------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TCustomDropSource::GetData(FORMATETC* formatEtc, STGMEDIUM* medium) {
  if (!formatEtc || !medium) return E_INVALIDARG;
  ZeroMedium(*medium);
  TComCallScope scope(this);
  try {
    bool handled = false;
    if (OnGetData) {
      OnGetData(this, *formatEtc, *medium, handled);
      if (handled) return S_OK;
      if (medium->tymed != TYMED_NULL) ReleaseStgMedium(medium);  // left over by an unhandled event
      ZeroMedium(*medium);
    }
    if (!HasFormat(*formatEtc)) return DV_E_FORMATETC;
    HRESULT hr = DoGetData(*formatEtc, *medium);
    if (hr != S_OK && medium->tymed != TYMED_NULL) {
      ReleaseStgMedium(medium);
      ZeroMedium(*medium);
    }
    return hr;
  } catch (...) {
    if (medium->tymed != TYMED_NULL) ReleaseStgMedium(medium);
    ZeroMedium(*medium);
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TCustomDropSource::QueryGetData(FORMATETC* formatEtc) {
  if (!formatEtc) return E_INVALIDARG;
  TComCallScope scope(this);
  try {
    return HasFormat(*formatEtc) ? S_OK : DV_E_FORMATETC;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) {
  return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::SetData(FORMATETC* formatEtc, STGMEDIUM* medium, BOOL release) {
  if (!formatEtc || !medium) return E_INVALIDARG;
  HRESULT hr;
  {
    TComCallScope scope(this);
    try {
      hr = DoSetData(*formatEtc, *medium);
    } catch (...) {
      hr = E_UNEXPECTED;
    }
  }
  // The medium was read (and copied where it is kept); with fRelease it is ours to free, once.
  // A failed call leaves it with the caller, who frees it then (so do the shell and our own
  // SetDataOnObject): freeing it here as well would free it twice.
  if (release && SUCCEEDED(hr)) ReleaseStgMedium(medium);
  return hr;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumFormatEtc) {
  if (!enumFormatEtc) return E_INVALIDARG;
  *enumFormatEtc = nullptr;
  TComCallScope scope(this);
  try {
    *enumFormatEtc = GetEnumFormatEtc(direction);
    return *enumFormatEtc ? S_OK : E_NOTIMPL;
  } catch (...) {
    if (*enumFormatEtc) (*enumFormatEtc)->Release();
    *enumFormatEtc = nullptr;
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* connection) {
  if (connection) *connection = 0;
  return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }

HRESULT STDMETHODCALLTYPE TCustomDropSource::EnumDAdvise(IEnumSTATDATA** enumAdvise) {
  if (enumAdvise) *enumAdvise = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

// IDropSource ---------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TCustomDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  if (escapePressed) return DRAGDROP_S_CANCEL;
  if (keyState & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
  TComCallScope scope(this);
  try {
    // The button was released: drop with the effect the target showed last, if it is offered.
    bool continueDrop = true;
    TDragType dragType = dtCopy;
    if (FFeedbackEffect & DROPEFFECT_COPY)
      dragType = dtCopy;
    else if (FFeedbackEffect & DROPEFFECT_MOVE)
      dragType = dtMove;
    else if (FFeedbackEffect & DROPEFFECT_LINK)
      dragType = dtLink;
    else
      continueDrop = false;
    if (continueDrop) continueDrop = (FDragTypes & DragTypeBit(dragType)) != 0;
    SetInShellDragLoop(false);
    if (continueDrop && OnDrop) OnDrop(this, dragType, continueDrop);
    return continueDrop ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::GiveFeedback(DWORD effect) {
  TComCallScope scope(this);
  try {
    FFeedbackEffect = effect;
    if (FImageListDragging) {
      POINT p;
      if (GetCursorPos(&p)) ImageList_DragMove(p.x, p.y);
    }
    bool useDefaultCursors = true;
    if (OnFeedback) OnFeedback(this, static_cast<int>(effect), useDefaultCursors);
    return useDefaultCursors ? DRAGDROP_S_USEDEFAULTCURSORS : S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// IAsyncOperation -----------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TCustomDropSource::SetAsyncMode(BOOL doOpAsync) {
  if (!FAllowAsyncTransfer) return E_NOTIMPL;
  FAsyncMode = doOpAsync != FALSE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::GetAsyncMode(BOOL* isOpAsync) {
  if (!isOpAsync) return E_INVALIDARG;
  *isOpAsync = FAsyncMode ? -1 : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::StartOperation(IBindCtx*) {
  if (!FAsyncMode) return E_NOTIMPL;
  FInAsyncOperation = true;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::InOperation(BOOL* inAsyncOp) {
  if (!inAsyncOp) return E_INVALIDARG;
  *inAsyncOp = FInAsyncOperation ? -1 : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TCustomDropSource::EndOperation(HRESULT result, IBindCtx*, DWORD effects) {
  if (!FInAsyncOperation) return E_FAIL;
  FInAsyncOperation = false;
  TComCallScope scope(this);
  try {
    if (OnAfterDrop) {
      TDragResult dragResult =
          FAILED(result) ? drUnknown : DropEffectToDragResult(DragTypesToDropEffects(FDragTypes) & effects);
      bool optimized = !(dragResult == drDropMove && GetPerformedDropEffect() == DROPEFFECT_MOVE);
      OnAfterDrop(this, dragResult, optimized);
    }
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Properties ----------------------------------------------------------------------------------

void TCustomDropSource::SetImages(TImageList* images) {
  if (images == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = images;
  if (FImages) FImages->FreeNotification(this);
  if (HasState(csLoading)) return;
  if (FImages) {
    if (FImageIndex >= FImages->Count()) FImageIndex = 0;
  } else {
    FImageIndex = 0;
  }
  FShowImage = FShowImage && FImages && FImages->Count() > 0;
}

void TCustomDropSource::SetShowImage(bool v) {
  FShowImage = v;
  if (!HasState(csLoading) && !FImages) FShowImage = false;
}

void TCustomDropSource::SetImageIndex(int v) {
  if (HasState(csLoading)) {
    FImageIndex = v;
    return;
  }
  int count = FImages ? FImages->Count() : 0;
  if (v < 0 || count == 0) {
    FImageIndex = 0;
    FShowImage = false;
  } else if (v < count) {
    FImageIndex = v;
  }
}

void TCustomDropSource::SetAllowAsyncTransfer(bool v) noexcept {
  if (v == FAllowAsyncTransfer) return;
  FAllowAsyncTransfer = v;
  if (!v) {
    FAsyncMode = false;
    FInAsyncOperation = false;
  }
}

void TCustomDropSource::Notification(TComponent* component, TOperation operation) {
  TDragDropComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component && component == FImages) {
    // As the setter does without an image list (the list is going away: nothing to take back).
    FImages = nullptr;
    FImageIndex = 0;
    FShowImage = false;
  }
}

// Data and clipboard --------------------------------------------------------------------------

HRESULT TCustomDropSource::DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) {
  bool handled = false;
  if (OnSetData) OnSetData(this, formatEtc, medium, handled);
  return handled ? S_OK : E_NOTIMPL;
}

void TCustomDropSource::DataChanging(TObject*) {
  if (HasState(csDestroying)) return;
  if (!InComCall()) {
    FlushClipboard();
    return;
  }
  try {
    FlushClipboard();
  } catch (...) {
    // Inside a COM method nothing may raise; the clipboard keeps this object.
  }
}

bool TCustomDropSource::PlaceOnClipboard() { return OleSetClipboard(AsDataObject()) == S_OK; }

void TCustomDropSource::DoOnPaste(TDragResult action, bool deleteOnPaste) {
  if (OnPaste) OnPaste(this, action, deleteOnPaste);
}

DWORD TCustomDropSource::GetPerformedDropEffect() { return 0; }
DWORD TCustomDropSource::GetLogicalPerformedDropEffect() { return 0; }
void TCustomDropSource::SetPerformedDropEffect(DWORD) {}
DWORD TCustomDropSource::GetPreferredDropEffect() { return 0; }
void TCustomDropSource::SetPreferredDropEffect(DWORD) {}
bool TCustomDropSource::GetInShellDragLoop() { return false; }
CLSID TCustomDropSource::GetTargetCLSID() { return CLSID{}; }
void TCustomDropSource::SetInShellDragLoop(bool) {}

bool TCustomDropSource::CutToClipboard() {
  ForgetTargetFormats();
  SetPreferredDropEffect(DROPEFFECT_MOVE);
  return PlaceOnClipboard();
}

bool TCustomDropSource::CopyToClipboard() {
  ForgetTargetFormats();
  SetPreferredDropEffect(DROPEFFECT_COPY);
  return PlaceOnClipboard();
}

bool TCustomDropSource::IsOnClipboard() noexcept { return OleIsCurrentClipboard(AsDataObject()) == S_OK; }

void TCustomDropSource::FlushClipboard() {
  if (IsOnClipboard()) OleCheck(OleFlushClipboard());
}

void TCustomDropSource::EmptyClipboard() {
  if (IsOnClipboard()) OleCheck(OleSetClipboard(nullptr));
}

// The drag ------------------------------------------------------------------------------------

bool TCustomDropSource::SetUpDragImage() {
  FDragSourceHelper.Reset();
  if (!FImages || FImages->Count() == 0 || FImageIndex < 0 || FImageIndex >= FImages->Count()) return false;
  HIMAGELIST list = FImages->Handle();
  if (!list) return false;

  TComPtr<IDragSourceHelper> helper;
  if (CreateDragImageProc && SUCCEEDED(CreateDragImageProc(helper.Put())) && helper) {
    // A bitmap of the screen's format holding the image on its background colour.
    const int w = FImages->Width(), h = FImages->Height();
    TWindowDC screen = TWindowDC::Client(nullptr);
    TUniqueBitmap bitmap(screen ? CreateCompatibleBitmap(screen.Get(), w, h) : nullptr);
    if (bitmap) {
      const COLORREF background = FImages->BkColorRef();
      const COLORREF fill =
          (background == CLR_NONE || background == CLR_DEFAULT) ? GetSysColor(COLOR_WINDOW) : background;
      TUniqueDC dc(CreateCompatibleDC(screen.Get()));
      if (dc) {
        TSelectGuard select(dc.Get(), bitmap.Get());
        TUniqueBrush brush(CreateSolidBrush(fill));
        RECT r{0, 0, w, h};
        FillRect(dc.Get(), &r, brush.Get());
        ImageList_Draw(list, FImageIndex, dc.Get(), 0, 0, ILD_NORMAL);
      }
      SHDRAGIMAGE image{};
      image.sizeDragImage = SIZE{w, h};
      image.ptOffset = FImageHotSpot;
      image.hbmpDragImage = bitmap.Get();
      // The colour that stands for "transparent": the fill around and under the image.
      image.crColorKey = fill;
      if (SUCCEEDED(helper->InitializeFromBitmap(&image, AsDataObject()))) {
        // The drag-image object owns the bitmap from now on.
        (void)bitmap.Release();
        FDragSourceHelper = helper;
        return true;
      }
      // Not taken: the bitmap is ours to free (the unique handle does it).
    }
  }

  // No drag-image object: the image list draws the image itself, over the whole screen.
  if (!ImageList_BeginDrag(list, FImageIndex, FImageHotSpot.x, FImageHotSpot.y)) return false;
  POINT p{};
  GetCursorPos(&p);
  ImageList_DragEnter(nullptr, p.x, p.y);
  FImageListDragging = true;
  return true;
}

void TCustomDropSource::EndDragImage() noexcept {
  if (FImageListDragging) {
    FImageListDragging = false;
    ImageList_DragLeave(nullptr);
    ImageList_EndDrag();
  }
  FDragSourceHelper.Reset();
}

TDragResult TCustomDropSource::PerformDrag() {
  const DWORD effects = DragTypesToDropEffects(FDragTypes);
  ForgetTargetFormats();
  ResetDragFeedback();
  SetPerformedDropEffect(0xFFFFFFFF);  // not reported yet
  FFeedbackEffect = DROPEFFECT_NONE;

  // Whatever happens, the image (drag-image object or the image list's) goes with the drag.
  struct TImageGuard {
    TCustomDropSource* S;
    ~TImageGuard() { S->EndDragImage(); }
  } imageGuard{this};
  if (FShowImage) SetUpDragImage();

  if (FAllowAsyncTransfer) FAsyncMode = true;

  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr;
  SetInShellDragLoop(true);
  try {
    hr = DoDragDropProc ? DoDragDropProc(AsDataObject(), AsDropSource(), effects, &effect) : E_UNEXPECTED;
  } catch (...) {
    SetInShellDragLoop(false);
    throw;
  }
  SetInShellDragLoop(false);

  EndDragImage();

  const DWORD performed = GetPerformedDropEffect();
  bool optimized = false;
  TDragResult result = DragResultOf(hr, effect, effects, performed, GetLogicalPerformedDropEffect(), &optimized);
  if (performed == 0xFFFFFFFF) SetPerformedDropEffect(0);

  if (!FInAsyncOperation && OnAfterDrop) OnAfterDrop(this, result, optimized);
  return result;
}

// ---------------------------------------------------------------------------------------------
// TSourceDataFormats

KORV_DEFINE_CLASS(TSourceDataFormats, TDataFormats, nullptr, nullptr);

int TSourceDataFormats::Add(TCustomDataFormat* dataFormat) {
  int i = TDataFormats::Add(dataFormat);
  if (dataFormat && FOwner) dataFormat->OnChanging = TNotifyEvent(FOwner, &TCustomDropSource::DataChanging);
  return i;
}

// ---------------------------------------------------------------------------------------------
// TCustomDropMultiSource

KORV_DEFINE_CLASS(TCustomDropMultiSource, TCustomDropSource, nullptr, nullptr);

TCustomDropMultiSource::TCustomDropMultiSource(TComponent* owner)
    : TCustomDropSource(owner, std::make_unique<TSourceDataFormats>(this)) {
  // The list exists now, so the formats can add themselves to it.
  FFeedbackDataFormat = new TFeedbackDataFormat(this);
  FRawDataFormat = new TRawDataFormat(this);
}

TCustomDropMultiSource::~TCustomDropMultiSource() {
  try {
    EmptyClipboard();
  } catch (...) {
    // Nothing may leave a destructor; the clipboard failed to let go.
  }
  FreeDataFormats();
}

void TCustomDropMultiSource::FreeDataFormats() noexcept {
  Destroying();  // data formats going away announce no changes
  TDataFormats* list = DataFormats();
  while (list && list->Count() > 0) {
    TCustomDataFormat* f = list->Formats(list->Count() - 1);
    f->OnChanging = nullptr;
    list->Remove(f);
    delete f;
  }
  FFeedbackDataFormat = nullptr;
  FRawDataFormat = nullptr;
}

HRESULT TCustomDropMultiSource::DoGetData(const FORMATETC& formatEtc, STGMEDIUM& medium) {
  ZeroMedium(medium);
  TDataFormats* list = DataFormats();
  for (int i = 0; i < list->Count(); ++i) {
    TCustomDataFormat* dataFormat = list->Formats(i);
    if (!dataFormat->HasData()) continue;
    TClipboardFormats& formats = dataFormat->CompatibleFormats();
    const bool raw = dataFormat == FRawDataFormat;
    for (int j = 0; j < formats.Count(); ++j) {
      TClipboardFormat* f = formats.Formats(j);
      if (!f->AcceptFormat(formatEtc)) continue;
      // A data format that renders this format itself answers here.
      const TRenderResult own = dataFormat->RenderData(f, formatEtc, medium);
      if (own == rrRendered) return S_OK;
      if (own == rrFailed) {
        if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium);
        ZeroMedium(medium);
        continue;
      }
      if (!dataFormat->AssignTo(f) || !f->HasData()) continue;
      bool ok = f->SetData(formatEtc, medium);
      // A kept raw format's medium is its data: it stays for the next request.
      if (!raw) f->Clear();
      if (ok) return S_OK;
      if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium);
      ZeroMedium(medium);
    }
  }
  return DV_E_FORMATETC;
}

void TCustomDropMultiSource::PasteCheck(TClipboardFormat* written) {
  auto* paste = dynamic_cast<TPasteSuccededClipboardFormat*>(written);
  if (!paste) return;
  DWORD value = paste->GetValueDWORD();
  DoOnPaste(DropEffectToDragResult(value), value == DROPEFFECT_MOVE && GetPerformedDropEffect() == DROPEFFECT_MOVE);
}

HRESULT TCustomDropMultiSource::DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) {
  bool known = false;  // a format of our own accepted the request
  TDataFormats* list = DataFormats();
  for (int i = 0; i < list->Count(); ++i) {
    TCustomDataFormat* dataFormat = list->Formats(i);
    TClipboardFormats& formats = dataFormat->CompatibleFormats();
    const bool raw = dataFormat == FRawDataFormat;
    for (int j = 0; j < formats.Count(); ++j) {
      TClipboardFormat* f = formats.Formats(j);
      if (!f->AcceptFormat(formatEtc)) continue;
      if (!raw) known = true;
      // Read without releasing: SetData releases the medium by the fRelease rule.
      if (f->ReadFromMedium(AsDataObject(), medium) && dataFormat->Assign(f)) {
        PasteCheck(f);
        // A raw format keeps the new copy as its data; the others are only a way in.
        if (!raw) f->Clear();
        return S_OK;
      }
      if (!raw) f->Clear();
    }
  }
  // A format of ours whose block could not be read is refused, not kept raw: kept, it would be
  // served ahead of the component's own data.
  if (known) return E_INVALIDARG;
  // A format nobody here knows (a target's private format) is kept as it is and offered back.
  // Its target device is not kept: the pointer is the caller's.
  if (formatEtc.ptd != nullptr) return E_NOTIMPL;
  auto rawFormat = std::make_unique<TRawClipboardFormat>(formatEtc);
  if (!rawFormat->ReadFromMedium(AsDataObject(), medium)) return E_NOTIMPL;
  TRawClipboardFormat* kept = rawFormat.get();
  FRawDataFormat->CompatibleFormats().Add(rawFormat.release());
  if (!FRawDataFormat->Assign(kept)) return E_NOTIMPL;
  return S_OK;
}

bool TCustomDropMultiSource::HasFormat(const FORMATETC& formatEtc) {
  TDataFormats* list = DataFormats();
  for (int i = 0; i < list->Count(); ++i)
    if (list->Formats(i)->AcceptFormat(formatEtc)) return true;
  return false;
}

IEnumFORMATETC* TCustomDropMultiSource::GetEnumFormatEtc(DWORD direction) {
  if (direction == DATADIR_GET) return new TEnumFormatEtc(*DataFormats(), ddGet);
  if (direction == DATADIR_SET) return new TEnumFormatEtc(*DataFormats(), ddSet);
  return nullptr;
}

DWORD TCustomDropMultiSource::GetPerformedDropEffect() { return FFeedbackDataFormat->PerformedDropEffect(); }
DWORD TCustomDropMultiSource::GetLogicalPerformedDropEffect() {
  return FFeedbackDataFormat->LogicalPerformedDropEffect();
}
void TCustomDropMultiSource::SetPerformedDropEffect(DWORD value) { FFeedbackDataFormat->SetPerformedDropEffect(value); }
DWORD TCustomDropMultiSource::GetPreferredDropEffect() { return FFeedbackDataFormat->PreferredDropEffect(); }
void TCustomDropMultiSource::SetPreferredDropEffect(DWORD value) { FFeedbackDataFormat->SetPreferredDropEffect(value); }
bool TCustomDropMultiSource::GetInShellDragLoop() { return FFeedbackDataFormat->InShellDragLoop(); }
CLSID TCustomDropMultiSource::GetTargetCLSID() { return FFeedbackDataFormat->TargetCLSID(); }
void TCustomDropMultiSource::SetInShellDragLoop(bool value) { FFeedbackDataFormat->SetInShellDragLoop(value); }

void TCustomDropMultiSource::ForgetTargetFormats() {
  TClipboardFormats& kept = FRawDataFormat->CompatibleFormats();
  if (kept.Count() == 0) return;
  FRawDataFormat->Changing();  // the clipboard keeps what it was given
  kept.Clear();
}

void TCustomDropMultiSource::ResetDragFeedback() {
  FFeedbackDataFormat->Changing();
  FFeedbackDataFormat->SetLogicalPerformedDropEffect(0);
  FFeedbackDataFormat->SetPasteSucceeded(0);
  FFeedbackDataFormat->SetTargetCLSID(CLSID{});
}

// ---------------------------------------------------------------------------------------------
// TEnumFormatEtc

TEnumFormatEtc::TEnumFormatEtc(const TDataFormats& dataFormats, TDataDirection direction) {
  // One entry per clipboard-format class: the first of each (so of the kept raw formats only
  // the first one is listed).
  TClipboardFormats seen(nullptr, false);
  auto formats = std::make_shared<std::vector<FORMATETC>>();
  for (int i = 0; i < dataFormats.Count(); ++i) {
    TClipboardFormats& compatible = dataFormats.Formats(i)->CompatibleFormats();
    for (int j = 0; j < compatible.Count(); ++j) {
      TClipboardFormat* f = compatible.Formats(j);
      if (!(f->DataDirections & direction) || seen.Contains(f->ClassType())) continue;
      seen.Add(f);
      formats->push_back(f->FormatEtc());
    }
  }
  FFormats = std::move(formats);
}

HRESULT STDMETHODCALLTYPE TEnumFormatEtc::QueryInterface(REFIID iid, void** obj) {
  if (!obj) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumFORMATETC)) {
    *obj = static_cast<IEnumFORMATETC*>(this);
    AddRef();
    return S_OK;
  }
  *obj = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TEnumFormatEtc::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

ULONG STDMETHODCALLTYPE TEnumFormatEtc::Release() {
  LONG n = InterlockedDecrement(&FRefCount);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT STDMETHODCALLTYPE TEnumFormatEtc::Next(ULONG count, FORMATETC* formats, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!formats && count > 0) return E_INVALIDARG;
  ULONG n = 0;
  while (n < count && FIndex < Count()) formats[n++] = (*FFormats)[static_cast<size_t>(FIndex++)];
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TEnumFormatEtc::Skip(ULONG count) {
  if (count > static_cast<ULONG>(Count() - FIndex)) {
    FIndex = Count();
    return S_FALSE;
  }
  FIndex += static_cast<int>(count);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TEnumFormatEtc::Reset() {
  FIndex = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TEnumFormatEtc::Clone(IEnumFORMATETC** clone) {
  if (!clone) return E_INVALIDARG;
  *clone = new (std::nothrow) TEnumFormatEtc(FFormats, FIndex);
  return *clone ? S_OK : E_OUTOFMEMORY;
}

// ---------------------------------------------------------------------------------------------
// DetectDragGesture

DWORD DragDelay = 200;

namespace {
// A mouse button is down. The asynchronous state alone can lag behind the press being handled
// (the platform may answer from a cache that is tens of milliseconds old), so the thread's own
// key state, which the messages retrieved keep current, counts as well; a release always arrives
// as a button-up message at the capturing window.
bool ButtonHeld() noexcept {
  for (int vk : {VK_LBUTTON, VK_RBUTTON})
    if ((GetAsyncKeyState(vk) & 0x8000) || (GetKeyState(vk) & 0x8000)) return true;
  return false;
}
}  // namespace

bool DetectDragGesture(HWND window, POINT point) {
  POINT screen = point;
  if (!window || !ClientToScreen(window, &screen)) return false;
  RECT dragRect{screen.x, screen.y, screen.x, screen.y};
  InflateRect(&dragRect, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG));
  // Message times come from the tick count: one clock, compared as a signed difference.
  const DWORD start = GetTickCount();
  const DWORD delay = DragDelay;

  HWND previousCapture = GetCapture();
  SetCapture(window);
  bool result = false;
  bool quit = false;
  WPARAM quitCode = 0;
  if (GetCapture() == window) {
    for (;;) {
      if (!ButtonHeld()) break;
      if (GetCapture() != window) break;  // someone else took the mouse
      MSG msg;
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        continue;
      }
      if (msg.message == WM_MOUSEMOVE) {
        if (!PtInRect(&dragRect, msg.pt) && DragDelayElapsed(start, msg.time, delay)) {
          result = true;
          break;
        }
        continue;  // not dispatched
      }
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        break;
      }
      if (msg.message == WM_CANCELMODE || msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) break;
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (GetCapture() == window) ReleaseCapture();
  if (previousCapture && previousCapture != window && IsWindow(previousCapture)) SetCapture(previousCapture);
  // The quit request belongs to the thread's message loop.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return result;
}

}  // namespace korv
