// Test helpers of the drag-and-drop tests: a peer data object that serves prepared blocks (also
// lying and short ones), a stream that reports more than it delivers, and a component that is a
// valid owner of data formats.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/dragdrop/DragDrop.h"
#include "shell/dragdrop/DragDropFormats.h"
#include "support/DropTarget.h"

namespace korv::test {

// A drop source stand-in: the only kind of component that may own data formats.
class TTestDropSource : public TDragDropComponent {
  KORV_CLASS(TTestDropSource, TDragDropComponent)
 public:
  explicit TTestDropSource(TComponent* owner) : TDragDropComponent(owner) {}
  [[nodiscard]] bool IsDropMultiSource() const noexcept override { return true; }
};

// Any other drag-and-drop component.
class TTestPlainComponent : public TDragDropComponent {
  KORV_CLASS(TTestPlainComponent, TDragDropComponent)
 public:
  explicit TTestPlainComponent(TComponent* owner) : TDragDropComponent(owner) {}
};

// An IStream over bytes that claims Extra more bytes in Stat than it holds, and can fail a Read
// after FailAfter bytes.
class TLyingStream : public TStreamAdapter {
 public:
  TLyingStream(const std::string& bytes, int64_t extra, bool atEnd = false);
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flag) override;
  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
  int64_t Extra;
  int64_t FailAfter = -1;  // fail the Read that would pass this many bytes in total
  int64_t Delivered = 0;
};

// A peer's data object. Entries are served by GetData (a copy per call), QueryGetData and
// EnumFormatEtc; SetData keeps what it is given (fRelease TRUE) in Received.
class TPeerDataObject : public IDataObject {
 public:
  struct Entry {
    CLIPFORMAT Format;
    LONG Index = -1;              // -1 answers every lindex
    DWORD Tymed = TYMED_HGLOBAL;  // the medium served: TYMED_HGLOBAL or TYMED_ISTREAM
    std::string Bytes;
    int64_t StatExtra = 0;  // stream media: Stat reports this many bytes more
    bool AtEnd = false;     // stream media: handed out positioned at the end
    HRESULT Fail = S_OK;    // a failure code to answer instead
  };
  TPeerDataObject() = default;
  virtual ~TPeerDataObject() = default;

  void Add(CLIPFORMAT cf, const std::string& bytes, DWORD tymed = TYMED_HGLOBAL, LONG index = -1);
  std::vector<Entry> Entries;
  struct Received {
    FORMATETC Fe;
    STGMEDIUM Medium;
  };
  std::vector<Received> SetDataCalls;
  HRESULT SetDataResult = S_OK;  // a failure refuses the medium
  int GetDataCalls = 0;
  [[nodiscard]] LONG RefCount() const noexcept { return Ref; }
  void ReleaseReceived();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&Ref)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&Ref)); }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* fe, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* fe) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* fe, STGMEDIUM* medium, BOOL release) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  const Entry* Find(const FORMATETC& fe) const;
  LONG Ref = 1;
};

// The bytes of a 32-bit value as they lie in memory.
[[nodiscard]] inline std::string U32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
// A request for the format's data on the given media.
[[nodiscard]] inline FORMATETC Request(TClipboardFormat& f, DWORD tymed) {
  FORMATETC fe = f.FormatEtc();
  fe.tymed = tymed;
  return fe;
}

// A stream medium over a copy of the bytes, positioned at offset 0 (or at the end).
[[nodiscard]] IStream* StreamFromBytes(const std::string& bytes, bool atEnd = false);

}  // namespace korv::test
