// The stream adapter, the simple block formats and CF_HDROP.
#include "shell/dragdrop/DragDropFormats.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace korv {

// ---------------------------------------------------------------------------------------------
// Stream helpers

bool StreamSize(IStream* stream, size_t& size) {
  size = 0;
  if (!stream) return false;
  STATSTG st{};
  if (FAILED(stream->Stat(&st, STATFLAG_NONAME))) return false;
  if (st.pwcsName) CoTaskMemFree(st.pwcsName);  // a stream that ignored NONAME
  if (st.cbSize.QuadPart > static_cast<ULONGLONG>(INT32_MAX)) return false;
  size = static_cast<size_t>(st.cbSize.QuadPart);
  return true;
}

bool ReadStreamExactly(IStream* stream, size_t size, std::vector<unsigned char>& out) {
  out.clear();
  if (!stream) return false;
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);  // a stream that cannot seek is read from where it is
  constexpr size_t kChunk = 64 * 1024;
  while (out.size() < size) {
    size_t want = std::min(kChunk, size - out.size());
    size_t at = out.size();
    out.resize(at + want);
    ULONG got = 0;
    HRESULT hr = stream->Read(out.data() + at, static_cast<ULONG>(want), &got);
    if (got > want) got = static_cast<ULONG>(want);  // never trust a count beyond the request
    out.resize(at + got);
    if (FAILED(hr) || got == 0) break;
  }
  if (out.size() != size) {
    out.clear();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// TCustomSimpleClipboardFormat

KORV_DEFINE_CLASS(TCustomSimpleClipboardFormat, TClipboardFormat, nullptr, nullptr);

bool TCustomSimpleClipboardFormat::DoGetData(IDataObject* dataObject, const STGMEDIUM& medium) {
  size_t size = 0;
  if (medium.tymed == TYMED_HGLOBAL) {
    if (!medium.hGlobal) return false;
    size = GlobalSize(medium.hGlobal);
  } else if (medium.tymed == TYMED_ISTREAM) {
    if (!StreamSize(medium.pstm, size)) return false;
  } else {
    return false;
  }
  return size >= 1 && ReadDataFromMedium(dataObject, medium, size);
}

bool TCustomSimpleClipboardFormat::ReadDataFromMedium(IDataObject*, const STGMEDIUM& medium, size_t size) {
  if (medium.tymed == TYMED_HGLOBAL) {
    if (!medium.hGlobal || GlobalSize(medium.hGlobal) < size) return false;
    void* p = GlobalLock(medium.hGlobal);
    if (!p) return false;
    bool ok = false;
    try {
      ok = ReadData(p, size);
    } catch (...) {
      GlobalUnlock(medium.hGlobal);
      throw;
    }
    GlobalUnlock(medium.hGlobal);
    return ok;
  }
  if (medium.tymed == TYMED_ISTREAM) {
    std::vector<unsigned char> buffer;
    if (!ReadStreamExactly(medium.pstm, size, buffer)) return false;
    return ReadData(buffer.data(), size);
  }
  return false;
}

bool TCustomSimpleClipboardFormat::ReadDataInto(IDataObject*, const STGMEDIUM& medium, size_t size, void* buffer,
                                                size_t* copied) {
  if (copied) *copied = 0;
  if (!buffer || size < 1) return false;
  size_t n = 0;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
    size_t avail = GlobalSize(medium.hGlobal);
    if (void* p = GlobalLock(medium.hGlobal)) {
      n = std::min(size, avail);
      std::memcpy(buffer, p, n);
      GlobalUnlock(medium.hGlobal);
    }
  } else if (medium.tymed == TYMED_ISTREAM && medium.pstm) {
    LARGE_INTEGER zero{};
    medium.pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
    auto* out = static_cast<unsigned char*>(buffer);
    while (n < size) {
      ULONG got = 0;
      auto want = static_cast<ULONG>(std::min<size_t>(size - n, ULONG_MAX));
      HRESULT hr = medium.pstm->Read(out + n, want, &got);
      n += std::min<size_t>(got, want);
      if (FAILED(hr) || got == 0) break;
    }
  }
  if (copied) *copied = n;
  return n == size;
}

bool TCustomSimpleClipboardFormat::DoSetData(const FORMATETC& formatEtc, STGMEDIUM& medium) {
  return RenderBlock(formatEtc, medium, GetSize(),
                     [this](void* buffer, size_t size) { return WriteData(buffer, size); });
}

bool TCustomSimpleClipboardFormat::RenderBlock(const FORMATETC& formatEtc, STGMEDIUM& medium, size_t size,
                                               const TBlockWriter& write) {
  if (size < 1 || size > static_cast<size_t>(INT32_MAX)) return false;
  if (formatEtc.tymed & TYMED_ISTREAM) {
    auto stream = std::make_unique<TMemoryStream>();
    stream->SetSize(static_cast<int64_t>(size));
    if (!stream->Memory() || !write(stream->Memory(), size)) return false;
    stream->SetPosition(static_cast<int64_t>(size));
    // The adapter owns the stream from here on and carries the one reference the medium gets.
    auto* adapter = new TFixedStreamAdapter(stream.get());
    (void)stream.release();
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = adapter;
    medium.pUnkForRelease = nullptr;
    return true;
  }
  if (formatEtc.tymed & TYMED_HGLOBAL) {
    TUniqueHGlobal mem(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, size));
    if (!mem) return false;
    void* p = GlobalLock(mem.Get());
    if (!p) return false;
    bool ok = false;
    try {
      ok = write(p, size);
    } catch (...) {
      GlobalUnlock(mem.Get());
      throw;
    }
    GlobalUnlock(mem.Get());
    if (!ok) return false;
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = mem.Release();
    medium.pUnkForRelease = nullptr;
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// String, text, wide text, DWORD

KORV_DEFINE_CLASS(TCustomStringClipboardFormat, TCustomSimpleClipboardFormat, nullptr, nullptr);

bool TCustomStringClipboardFormat::ReadData(const void* buffer, size_t size) {
  FData.assign(static_cast<const char*>(buffer), size);
  if (FTrimZeroes) {
    size_t z = FData.find('\0');
    if (z != std::string::npos) FData.resize(z);
  }
  return true;
}

bool TCustomStringClipboardFormat::WriteData(void* buffer, size_t size) {
  if (size > FData.size() + 1) return false;
  std::memcpy(buffer, FData.c_str(), size);  // c_str() carries the terminating zero
  return true;
}

KORV_DEFINE_CLASS(TCustomTextClipboardFormat, TCustomStringClipboardFormat, nullptr, nullptr);

size_t TCustomTextClipboardFormat::GetSize() {
  if (!FData.empty() && FData.back() == '\0') return FData.size();
  return FData.size() + 1;
}

KORV_DEFINE_CLASS(TCustomWideTextClipboardFormat, TCustomSimpleClipboardFormat, nullptr, nullptr);

size_t TCustomWideTextClipboardFormat::GetSize() {
  if (!FData.empty() && FData.back() == L'\0') return FData.size() * 2;
  return FData.size() * 2 + 2;
}

bool TCustomWideTextClipboardFormat::ReadData(const void* buffer, size_t size) {
  FData.assign(size / 2, L'\0');
  std::memcpy(FData.data(), buffer, (size / 2) * 2);
  return true;
}

bool TCustomWideTextClipboardFormat::WriteData(void* buffer, size_t size) {
  if (size > (FData.size() + 1) * 2) return false;
  std::memcpy(buffer, FData.c_str(), size);
  return true;
}

KORV_DEFINE_CLASS(TTextClipboardFormat, TCustomTextClipboardFormat, &CreateClipboardFormat<TTextClipboardFormat>,
                  nullptr);

KORV_DEFINE_CLASS(TCustomDWORDClipboardFormat, TCustomSimpleClipboardFormat, nullptr, nullptr);

bool TCustomDWORDClipboardFormat::ReadData(const void* buffer, size_t size) {
  if (size < 4) return false;
  FValue = ReadU32(buffer);
  return true;
}

bool TCustomDWORDClipboardFormat::WriteData(void* buffer, size_t size) {
  if (size != 4) return false;
  WriteU32(buffer, FValue);
  return true;
}

// ---------------------------------------------------------------------------------------------
// CF_HDROP

std::vector<std::string> StringsToVector(const TStrings& list) {
  std::vector<std::string> v;
  int n = list.Count();
  v.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v.push_back(list.Get(i));
  return v;
}

void VectorToStrings(const std::vector<std::string>& items, TStrings& list) {
  TUpdateScope scope(list);
  list.Clear();
  for (const auto& s : items) list.Add(s);
}

std::vector<std::string_view> StringViews(const TStringList& list) {
  std::vector<std::string_view> v;
  const int n = list.Count();
  v.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v.push_back(list.StringRef(i));
  return v;
}

std::vector<std::string_view> NameViews(const TStringList& list) {
  std::vector<std::string_view> v = StringViews(list);
  for (std::string_view& s : v) s = s.substr(0, ZeroCut(s));
  return v;
}

KORV_DEFINE_CLASS(TFileClipboardFormat, TCustomSimpleClipboardFormat, &CreateClipboardFormat<TFileClipboardFormat>,
                  nullptr);

TFileClipboardFormat::TFileClipboardFormat() : FFiles(std::make_unique<TStringList>()) {}
TFileClipboardFormat::~TFileClipboardFormat() = default;

void TFileClipboardFormat::Clear() { FFiles->Clear(); }
bool TFileClipboardFormat::HasData() { return FFiles->Count() > 0; }
size_t TFileClipboardFormat::GetSize() { return DropFilesSize(NameViews(*FFiles)); }

bool TFileClipboardFormat::ReadData(const void* buffer, size_t size) {
  std::vector<std::string> names;
  FFiles->Clear();
  if (!ReadDropFiles(buffer, size, names)) return false;
  VectorToStrings(names, *FFiles);
  return true;
}

bool TFileClipboardFormat::WriteData(void* buffer, size_t size) {
  return WriteDropFiles(NameViews(*FFiles), buffer, size);
}

}  // namespace korv
