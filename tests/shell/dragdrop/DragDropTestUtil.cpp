#include "DragDropTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

#include "shell/dragdrop/DragDropPIDL.h"

namespace korv::test {

KORV_DEFINE_CLASS(TTestDropSource, TDragDropComponent, &CreateComponent<TTestDropSource>, nullptr);
KORV_DEFINE_CLASS(TTestPlainComponent, TDragDropComponent, &CreateComponent<TTestPlainComponent>, nullptr);

namespace {

// The drag-and-drop units start once for the whole test program, in their order of use.
class TDragDropEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { DragDropPIDLStartup(); }
  void TearDown() override { DragDropPIDLShutdown(); }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new TDragDropEnvironment);

}  // namespace

// ---------------------------------------------------------------------------------------------

TLyingStream::TLyingStream(const std::string& bytes, int64_t extra, bool atEnd)
    : TStreamAdapter(new TMemoryStream(), TStreamOwnership::soOwned), Extra(extra) {
  if (!bytes.empty()) FStream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  FStream->SetPosition(atEnd ? FStream->Size() : 0);
}

HRESULT STDMETHODCALLTYPE TLyingStream::Stat(STATSTG* stat, DWORD flag) {
  HRESULT hr = TStreamAdapter::Stat(stat, flag);
  if (SUCCEEDED(hr)) stat->cbSize.QuadPart += static_cast<ULONGLONG>(Extra);
  return hr;
}

HRESULT STDMETHODCALLTYPE TLyingStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
  if (FailAfter >= 0 && Delivered + static_cast<int64_t>(cb) > FailAfter) {
    if (pcbRead) *pcbRead = 0;
    return STG_E_READFAULT;
  }
  ULONG got = 0;
  HRESULT hr = TStreamAdapter::Read(pv, cb, &got);
  Delivered += got;
  if (pcbRead) *pcbRead = got;
  return hr;
}

// ---------------------------------------------------------------------------------------------

IStream* StreamFromBytes(const std::string& bytes, bool atEnd) { return new TLyingStream(bytes, 0, atEnd); }

void TPeerDataObject::Add(CLIPFORMAT cf, const std::string& bytes, DWORD tymed, LONG index) {
  Entry e;
  e.Format = cf;
  e.Bytes = bytes;
  e.Tymed = tymed;
  e.Index = index;
  Entries.push_back(e);
}

const TPeerDataObject::Entry* TPeerDataObject::Find(const FORMATETC& fe) const {
  for (const Entry& e : Entries)
    if (e.Format == fe.cfFormat && (e.Index == -1 || e.Index == fe.lindex) && (fe.tymed & e.Tymed)) return &e;
  return nullptr;
}

HRESULT STDMETHODCALLTYPE TPeerDataObject::QueryInterface(REFIID iid, void** obj) {
  if (!obj) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
    *obj = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *obj = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TPeerDataObject::GetData(FORMATETC* fe, STGMEDIUM* medium) {
  ++GetDataCalls;
  if (!fe || !medium) return E_INVALIDARG;
  ZeroMemory(medium, sizeof *medium);
  const Entry* e = Find(*fe);
  if (!e) return DV_E_FORMATETC;
  if (FAILED(e->Fail)) return e->Fail;
  if (e->Tymed == TYMED_ISTREAM) {
    medium->tymed = TYMED_ISTREAM;
    medium->pstm = new TLyingStream(e->Bytes, e->StatExtra, e->AtEnd);
  } else {
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = GlobalFromBytes(e->Bytes);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TPeerDataObject::QueryGetData(FORMATETC* fe) {
  if (!fe) return E_INVALIDARG;
  return Find(*fe) ? S_OK : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE TPeerDataObject::SetData(FORMATETC* fe, STGMEDIUM* medium, BOOL release) {
  if (!fe || !medium) return E_INVALIDARG;
  if (!release) return E_NOTIMPL;
  if (FAILED(SetDataResult)) return SetDataResult;
  SetDataCalls.push_back(Received{*fe, *medium});
  return S_OK;
}

void TPeerDataObject::ReleaseReceived() {
  for (Received& r : SetDataCalls) ReleaseStgMedium(&r.Medium);
  SetDataCalls.clear();
}

}  // namespace korv::test
