// The drop source: the data object, drop source and asynchronous-operation partner of a transfer
// to another program, by OLE drag and drop or through the OLE clipboard; the multi-format source
// that serves its data formats and keeps the target's drop-effect feedback; the format
// enumerator; and the gesture detector that tells a click from the start of a drag.
#pragma once

#include <ole2.h>
#include <shlobj.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/ImgList.h"
#include "shell/dragdrop/DragDrop.h"
#include "shell/dragdrop/DragDropFormats.h"

namespace korv {

// ---------------------------------------------------------------------------------------------
// IAsyncOperation, declared here: some platform headers know it only under another name.

// {3D8B0590-F691-11D2-8EA9-006097DF5BD4}
inline constexpr IID IID_IAsyncOperation = {
    0x3D8B0590, 0xF691, 0x11D2, {0x8E, 0xA9, 0x00, 0x60, 0x97, 0xDF, 0x5B, 0xD4}};

struct IAsyncOperation : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetAsyncMode(BOOL doOpAsync) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAsyncMode(BOOL* isOpAsync) = 0;
  virtual HRESULT STDMETHODCALLTYPE StartOperation(IBindCtx* reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE InOperation(BOOL* inAsyncOp) = 0;
  virtual HRESULT STDMETHODCALLTYPE EndOperation(HRESULT result, IBindCtx* reserved, DWORD effects) = 0;
};

// ---------------------------------------------------------------------------------------------
// Types

enum TDragType : uint8_t { dtCopy, dtMove, dtLink };
// Bit i stands for TDragType i; the bits equal the drop effects (copy 1, move 2, link 4).
using TDragTypes = uint8_t;
[[nodiscard]] constexpr TDragTypes DragTypeBit(TDragType t) noexcept { return static_cast<TDragTypes>(1u << t); }

enum TDragResult : uint8_t { drDropCopy, drDropMove, drDropLink, drCancel, drOutMemory, drAsync, drUnknown };

using TDropEvent = TMethod<void(TObject* sender, TDragType dragType, bool& continueDrop)>;
using TAfterDropEvent = TMethod<void(TObject* sender, TDragResult dragResult, bool optimized)>;
using TFeedbackEvent = TMethod<void(TObject* sender, int effect, bool& useDefaultCursors)>;
using TDropDataEvent = TMethod<void(TObject* sender, const FORMATETC& formatEtc, STGMEDIUM& medium, bool& handled)>;
using TPasteEvent = TMethod<void(TObject* sender, TDragResult action, bool deleteOnPaste)>;

// The effects of a set of drag types: copy 1, move 2, link 4, OR-ed.
[[nodiscard]] DWORD DragTypesToDropEffects(TDragTypes types) noexcept;
// 0 drCancel, 1 drDropCopy, 2 drDropMove, 4 drDropLink, anything else drUnknown.
[[nodiscard]] TDragResult DropEffectToDragResult(DWORD effect) noexcept;
// The outcome of a drag from what DoDragDrop returned (its result code and effect), the effects
// offered and the feedback the target wrote ("Performed DropEffect", "Logical Performed
// DropEffect"). Optimized is true for a move that the target completed itself.
[[nodiscard]] TDragResult DragResultOf(HRESULT dragResult, DWORD effect, DWORD offered, DWORD performed,
                                       DWORD logicalPerformed, bool* optimized = nullptr) noexcept;

// The platform calls a drag goes through; tests replace them.
using TDoDragDropProc =
    std::function<HRESULT(IDataObject* dataObject, IDropSource* dropSource, DWORD okEffects, DWORD* effect)>;
// Creates the shell's drag-image object; S_OK with one reference in *helper.
using TCreateDragImageProc = std::function<HRESULT(IDragSourceHelper** helper)>;

// ---------------------------------------------------------------------------------------------
// TCustomDropSource

class TCustomDropSource : public TDragDropComponent, public IDataObject, public IDropSource, public IAsyncOperation {
  KORV_CLASS(TCustomDropSource, TDragDropComponent)
 public:
  explicit TCustomDropSource(TComponent* owner) : TCustomDropSource(owner, nullptr) {}
  ~TCustomDropSource() override;

  // IUnknown: the component's own (a component lives as long as a component does). The calls
  // are also counted, so that OutstandingReferences tells whether every reference handed out
  // came back.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  [[nodiscard]] LONG OutstandingReferences() const noexcept { return FReferences; }

  // IDataObject
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* formatEtc, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* formatEtc, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* formatEtc) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* formatEtcIn, FORMATETC* formatEtcOut) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* formatEtc, STGMEDIUM* medium, BOOL release) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumFormatEtc) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* formatEtc, DWORD advf, IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumAdvise) override;

  // IDropSource
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

  // IAsyncOperation
  HRESULT STDMETHODCALLTYPE SetAsyncMode(BOOL doOpAsync) override;
  HRESULT STDMETHODCALLTYPE GetAsyncMode(BOOL* isOpAsync) override;
  HRESULT STDMETHODCALLTYPE StartOperation(IBindCtx* reserved) override;
  HRESULT STDMETHODCALLTYPE InOperation(BOOL* inAsyncOp) override;
  HRESULT STDMETHODCALLTYPE EndOperation(HRESULT result, IBindCtx* reserved, DWORD effects) override;

  // This object as the interfaces it hands to the platform (no reference added).
  [[nodiscard]] IDataObject* AsDataObject() noexcept { return static_cast<IDataObject*>(this); }
  [[nodiscard]] IDropSource* AsDropSource() noexcept { return static_cast<IDropSource*>(this); }
  [[nodiscard]] IAsyncOperation* AsAsyncOperation() noexcept { return static_cast<IAsyncOperation*>(this); }

  // Properties
  [[nodiscard]] TDragTypes DragTypes() const noexcept { return FDragTypes; }
  void SetDragTypes(TDragTypes v) noexcept { FDragTypes = static_cast<TDragTypes>(v & 7); }
  [[nodiscard]] DWORD FeedbackEffect() const noexcept { return FFeedbackEffect; }
  [[nodiscard]] TImageList* Images() const noexcept { return FImages; }
  void SetImages(TImageList* images);
  [[nodiscard]] bool ShowImage() const noexcept { return FShowImage; }
  void SetShowImage(bool v);
  [[nodiscard]] int ImageIndex() const noexcept { return FImageIndex; }
  void SetImageIndex(int v);
  [[nodiscard]] int ImageHotSpotX() const noexcept { return FImageHotSpot.x; }
  void SetImageHotSpotX(int v) noexcept { FImageHotSpot.x = v; }
  [[nodiscard]] int ImageHotSpotY() const noexcept { return FImageHotSpot.y; }
  void SetImageHotSpotY(int v) noexcept { FImageHotSpot.y = v; }
  [[nodiscard]] bool AllowAsyncTransfer() const noexcept { return FAllowAsyncTransfer; }
  void SetAllowAsyncTransfer(bool v) noexcept;
  [[nodiscard]] bool AsyncMode() const noexcept { return FAsyncMode; }
  [[nodiscard]] bool InAsyncOperation() const noexcept { return FInAsyncOperation; }
  // The shell's drag-image object while a drag with an image runs.
  [[nodiscard]] IDragSourceHelper* DragSourceHelper() const noexcept { return FDragSourceHelper.Get(); }

  TDropEvent OnDrop;
  TAfterDropEvent OnAfterDrop;
  TFeedbackEvent OnFeedback;
  TDropDataEvent OnGetData;
  TDropDataEvent OnSetData;
  TPasteEvent OnPaste;

  // The platform's DoDragDrop and drag-image object by default.
  TDoDragDropProc DoDragDropProc;
  TCreateDragImageProc CreateDragImageProc;

  virtual HRESULT DoGetData(const FORMATETC& formatEtc, STGMEDIUM& medium) = 0;
  // E_NOTIMPL unless OnSetData handles it.
  virtual HRESULT DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium);
  [[nodiscard]] virtual bool HasFormat(const FORMATETC& formatEtc) = 0;
  // A new enumerator (one reference) for DATADIR_GET or DATADIR_SET, else nullptr.
  [[nodiscard]] virtual IEnumFORMATETC* GetEnumFormatEtc(DWORD direction) = 0;
  // The data offered is about to change: the clipboard keeps the old data (FlushClipboard).
  // Inside a COM call a failing flush is ignored, as nothing may raise there.
  virtual void DataChanging(TObject* sender);
  // OleSetClipboard(this data object) answered S_OK.
  virtual bool PlaceOnClipboard();
  virtual void DoOnPaste(TDragResult action, bool deleteOnPaste);

  // Feedback values; here 0, false and the null GUID, and the setters do nothing.
  [[nodiscard]] virtual DWORD GetPerformedDropEffect();
  [[nodiscard]] virtual DWORD GetLogicalPerformedDropEffect();
  virtual void SetPerformedDropEffect(DWORD value);
  [[nodiscard]] virtual DWORD GetPreferredDropEffect();
  virtual void SetPreferredDropEffect(DWORD value);
  [[nodiscard]] virtual bool GetInShellDragLoop();
  [[nodiscard]] virtual CLSID GetTargetCLSID();
  virtual void SetInShellDragLoop(bool value);

  // Runs the drag to its end and reports the outcome.
  virtual TDragResult PerformDrag();
  // Preferred DropEffect MOVE (Cut) or COPY (Copy), then PlaceOnClipboard.
  virtual bool CutToClipboard();
  virtual bool CopyToClipboard();
  // When this object is the clipboard's data object: OleFlushClipboard (the clipboard keeps a
  // rendered copy) or OleSetClipboard(nullptr). A failure raises EOleError.
  virtual void FlushClipboard();
  virtual void EmptyClipboard();
  // OleIsCurrentClipboard answers S_OK for this object.
  [[nodiscard]] bool IsOnClipboard() noexcept;

 protected:
  TCustomDropSource(TComponent* owner, std::unique_ptr<TDataFormats> dataFormats);

  void Notification(TComponent* component, TOperation operation) override;
  bool GetInterface(REFIID iid, void** obj) noexcept override;

  // Feedback-specific resets at the start of a drag (the values a target wrote in an earlier
  // drag); nothing here.
  virtual void ResetDragFeedback() {}
  // Drops the formats of their own that targets wrote in earlier drags or pastes, at the start
  // of every drag and clipboard operation; nothing here.
  virtual void ForgetTargetFormats() {}

  // Inside a COM method: counted so that DataChanging knows not to raise.
  [[nodiscard]] bool InComCall() const noexcept { return FComDepth > 0; }

 private:
  friend class TComCallScope;
  bool SetUpDragImage();
  void EndDragImage() noexcept;

  TDragTypes FDragTypes = DragTypeBit(dtCopy);
  DWORD FFeedbackEffect = 0;
  TImageList* FImages = nullptr;
  bool FShowImage = false;
  int FImageIndex = 0;
  POINT FImageHotSpot{16, 16};
  TComPtr<IDragSourceHelper> FDragSourceHelper;
  bool FAllowAsyncTransfer = false;
  bool FAsyncMode = false;
  bool FInAsyncOperation = false;
  bool FImageListDragging = false;  // the image list's own drag image is shown
  LONG FReferences = 0;
  int FComDepth = 0;
};

// ---------------------------------------------------------------------------------------------
// TCustomDropMultiSource

class TCustomDropMultiSource;

// The data formats of a multi source: each one added is bound to the owner's DataChanging.
class TSourceDataFormats : public TDataFormats {
  KORV_CLASS(TSourceDataFormats, TDataFormats)
 public:
  explicit TSourceDataFormats(TCustomDropMultiSource* owner) noexcept : FOwner(owner) {}
  int Add(TCustomDataFormat* dataFormat) override;

 private:
  TCustomDropMultiSource* FOwner;
};

class TCustomDropMultiSource : public TCustomDropSource {
  KORV_CLASS(TCustomDropMultiSource, TCustomDropSource)
 public:
  explicit TCustomDropMultiSource(TComponent* owner);
  // Empties the clipboard when it still holds this object, then frees every data format, last
  // first.
  ~TCustomDropMultiSource() override;

  [[nodiscard]] bool IsDropMultiSource() const noexcept override { return true; }

  [[nodiscard]] TFeedbackDataFormat& FeedbackDataFormat() const noexcept { return *FFeedbackDataFormat; }
  [[nodiscard]] TRawDataFormat& RawDataFormat() const noexcept { return *FRawDataFormat; }

  HRESULT DoGetData(const FORMATETC& formatEtc, STGMEDIUM& medium) override;
  HRESULT DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) override;
  [[nodiscard]] bool HasFormat(const FORMATETC& formatEtc) override;
  [[nodiscard]] IEnumFORMATETC* GetEnumFormatEtc(DWORD direction) override;

  [[nodiscard]] DWORD GetPerformedDropEffect() override;
  [[nodiscard]] DWORD GetLogicalPerformedDropEffect() override;
  void SetPerformedDropEffect(DWORD value) override;
  [[nodiscard]] DWORD GetPreferredDropEffect() override;
  void SetPreferredDropEffect(DWORD value) override;
  [[nodiscard]] bool GetInShellDragLoop() override;
  [[nodiscard]] CLSID GetTargetCLSID() override;
  void SetInShellDragLoop(bool value) override;

 protected:
  // The logical performed effect, the paste result and the target's CLSID are set by targets
  // only: a new drag starts without the values of the last one.
  void ResetDragFeedback() override;
  // The raw formats are what targets wrote for one transfer (on Windows the shell writes its
  // drag image, drag window and drag context): served to the next target they would hand it a
  // dead window and a stale image.
  void ForgetTargetFormats() override;
  // Frees the data formats (last first) while the object is still whole.
  void FreeDataFormats() noexcept;

 private:
  void PasteCheck(TClipboardFormat* written);
  TFeedbackDataFormat* FFeedbackDataFormat = nullptr;
  TRawDataFormat* FRawDataFormat = nullptr;
};

// ---------------------------------------------------------------------------------------------
// TEnumFormatEtc

// Enumerates the formats of data formats that hold a direction bit, one per clipboard-format
// class. The FORMATETCs are copied when the enumerator is made, so it stays valid whatever
// happens to the component afterwards; clones share the list.
class TEnumFormatEtc : public IEnumFORMATETC {
 public:
  // Starts with one reference.
  TEnumFormatEtc(const TDataFormats& dataFormats, TDataDirection direction);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* formats, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** clone) override;

  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FFormats->size()); }
  [[nodiscard]] int Index() const noexcept { return FIndex; }

 private:
  TEnumFormatEtc(std::shared_ptr<const std::vector<FORMATETC>> formats, int index) noexcept
      : FFormats(std::move(formats)), FIndex(index) {}
  virtual ~TEnumFormatEtc() = default;
  std::shared_ptr<const std::vector<FORMATETC>> FFormats;
  int FIndex = 0;
  LONG FRefCount = 1;
};

// ---------------------------------------------------------------------------------------------
// Drag gesture

// How long the button must be held (milliseconds of message time) before leaving the drag
// rectangle starts a drag.
extern DWORD DragDelay;

// Whether delay milliseconds have passed from start to now on one wrapping millisecond clock
// (message times and GetTickCount).
[[nodiscard]] constexpr bool DragDelayElapsed(DWORD start, DWORD now, DWORD delay) noexcept {
  return static_cast<LONG>(now - start) >= static_cast<LONG>(delay);
}

// Called on a button press at Point (client coordinates of Window): captures the mouse and
// watches it. True once the pointer leaves the drag rectangle (the point inflated by
// SM_CXDRAG/SM_CYDRAG) at least DragDelay after the call; false when the buttons are released,
// the capture is lost, Escape is pressed, WM_CANCELMODE or WM_QUIT arrives (WM_QUIT is posted
// again). Mouse moves are not dispatched meanwhile; other messages are. The previous capture is
// restored.
bool DetectDragGesture(HWND window, POINT point);

}  // namespace korv
