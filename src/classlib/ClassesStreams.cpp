// Streams over handles, files, memory and resources, and the IStream adapter over a TStream.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "classlib/Classes.h"

namespace korv {

KORV_DEFINE_CLASS(TStream, TObject, nullptr, nullptr);
KORV_DEFINE_CLASS(THandleStream, TStream, nullptr, nullptr);
KORV_DEFINE_CLASS(TFileStream, THandleStream, nullptr, nullptr);
KORV_DEFINE_CLASS(TCustomMemoryStream, TStream, nullptr, nullptr);
KORV_DEFINE_CLASS(TMemoryStream, TCustomMemoryStream, nullptr, nullptr);
KORV_DEFINE_CLASS(TResourceStream, TCustomMemoryStream, nullptr, nullptr);

// ---------------------------------------------------------------------------------------------
// TStream

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t newSize) {
  (void)newSize;
  throw EStreamError(Format("%s cannot change its size", ClassName()));
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count <= 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const int64_t total = count;
  const int32_t chunk = static_cast<int32_t>(std::min<int64_t>(count, 0xF000));
  std::vector<char> buf(static_cast<size_t>(std::max(chunk, 1)));
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, chunk));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    count -= n;
  }
  return total;
}

// ---------------------------------------------------------------------------------------------
// THandleStream / TFileStream

int32_t THandleStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD n = 0;
  if (!ReadFile(FHandle, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  DWORD n = 0;
  if (!WriteFile(FHandle, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER move, result;
  move.QuadPart = offset;
  if (!SetFilePointerEx(FHandle, move, &result, static_cast<DWORD>(origin))) return -1;
  return result.QuadPart;
}

void THandleStream::SetSize(int64_t newSize) {
  if (newSize < 0) throw EStreamError("Invalid stream size");
  int64_t pos = Position();
  if (Seek(newSize, soBeginning) < 0 || !SetEndOfFile(FHandle)) {
    DWORD err = GetLastError();
    Seek(pos, soBeginning);
    RaiseLastOSError(err);
  }
  Seek(std::min(pos, newSize), soBeginning);
}

TFileStream::TFileStream(const std::string& fileName, uint32_t mode)
    : THandleStream(INVALID_HANDLE_VALUE), FFileName(fileName) {
  if (mode == fmCreate) {
    FHandle = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", fileName, SysErrorMessage(GetLastError())));
    return;
  }
  static const DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  uint32_t access = mode & 0x0F, share = (mode & 0xF0) >> 4;
  if (access > 2 || share > 4) throw EFOpenError(Format("Cannot open file \"%s\". Invalid open mode", fileName));
  FHandle = CreateFileA(fileName.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
  if (FHandle == INVALID_HANDLE_VALUE)
    throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName, SysErrorMessage(GetLastError())));
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

// ---------------------------------------------------------------------------------------------
// Memory streams

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  int64_t n = std::min<int64_t>(count, FSize - FPosition);
  std::memcpy(buffer, static_cast<const char*>(FMemory) + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base;
  switch (origin) {
    case soBeginning:
      base = 0;
      break;
    case soCurrent:
      base = FPosition;
      break;
    case soEnd:
      base = FSize;
      break;
    default:
      return -1;
  }
  // A position before the start is refused; one past the end is allowed (a write extends).
  if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset)) return -1;
  FPosition = base + offset;
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) {
  if (FSize > INT32_MAX) throw EWriteError("Stream write error");
  if (FSize > 0) stream.WriteBuffer(FMemory, static_cast<int32_t>(FSize));
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void TMemoryStream::SetCapacity(int64_t c) {
  if (c < 0 || static_cast<uint64_t>(c) > static_cast<uint64_t>(INT32_MAX))
    throw EStreamError("Out of memory while expanding memory stream");
  if (c == FCapacity) return;
  if (c == 0) {
    std::free(FMemory);
    FMemory = nullptr;
    FCapacity = 0;
    return;
  }
  void* p = std::realloc(FMemory, static_cast<size_t>(c));
  if (!p) throw EStreamError("Out of memory while expanding memory stream");
  FMemory = p;
  FCapacity = c;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  int64_t end = FPosition + count;
  if (end > INT32_MAX) return 0;
  if (end > FCapacity) {
    // Grow by half again to keep a series of small writes linear.
    int64_t want = std::max<int64_t>(end, FCapacity + FCapacity / 2);
    want = std::min<int64_t>((want + 4095) & ~int64_t{4095}, INT32_MAX);
    try {
      SetCapacity(want);
    } catch (const EStreamError&) {
      try {
        SetCapacity(end);
      } catch (const EStreamError&) {
        return 0;
      }
    }
  }
  char* mem = static_cast<char*>(FMemory);
  if (FPosition > FSize) std::memset(mem + FSize, 0, static_cast<size_t>(FPosition - FSize));
  std::memcpy(mem + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  if (end > FSize) FSize = end;
  return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) throw EStreamError("Invalid stream size");
  int64_t oldPos = FPosition;
  int64_t oldSize = FSize;
  SetCapacity(newSize);
  if (newSize > oldSize) std::memset(static_cast<char*>(FMemory) + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  FSize = newSize;
  if (oldPos > newSize) FPosition = newSize;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t count = stream.Size();
  if (count < 0 || count > INT32_MAX) throw EReadError("Stream read error");
  SetSize(count);
  FPosition = 0;
  if (count != 0) stream.ReadBuffer(FMemory, static_cast<int32_t>(count));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

TResourceStream::TResourceStream(HINSTANCE instance, const std::string& name, const char* type) {
  HRSRC res = FindResourceA(instance, name.c_str(), type);
  if (!res) throw EResNotFound(Format("Resource %s not found", name));
  HGLOBAL data = LoadResource(instance, res);
  void* p = data ? LockResource(data) : nullptr;
  if (!p) throw EResNotFound(Format("Resource %s not found", name));
  SetPointer(p, SizeofResource(instance, res));
}

TResourceStream::TResourceStream(HINSTANCE instance, int id, const char* type) {
  HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(id), type);
  if (!res) throw EResNotFound(Format("Resource %d not found", id));
  HGLOBAL data = LoadResource(instance, res);
  void* p = data ? LockResource(data) : nullptr;
  if (!p) throw EResNotFound(Format("Resource %d not found", id));
  SetPointer(p, SizeofResource(instance, res));
}

int32_t TResourceStream::Write(const void* buffer, int32_t count) {
  (void)buffer;
  (void)count;
  throw EStreamError("Can't write to a read-only resource stream");
}

// ---------------------------------------------------------------------------------------------
// TStreamAdapter

namespace {
// A clone has its own seek position over the shared stream: the stream is put at the clone's
// position for each call and given back its own position afterwards.
class TClonePosition {
 public:
  TClonePosition(TStream* s, int64_t* clonePos) : S_(s), ClonePos_(clonePos) {
    if (ClonePos_) {
      Saved_ = S_->Position();
      S_->Seek(*ClonePos_, soBeginning);
    }
  }
  ~TClonePosition() {
    if (!ClonePos_) return;
    try {
      *ClonePos_ = S_->Position();
      S_->Seek(Saved_, soBeginning);
    } catch (...) {
      // A stream that fails here has already made the call fail; nothing may leave a destructor.
    }
  }
  TClonePosition(const TClonePosition&) = delete;
  TClonePosition& operator=(const TClonePosition&) = delete;

 private:
  TStream* S_;
  int64_t* ClonePos_;
  int64_t Saved_ = 0;
};
// Moves count bytes through a stream call that takes at most INT32_MAX bytes at a time: step(done,
// want) moves up to want bytes after the first done and says how many it moved. Stops at the first
// step that moves nothing; returns the bytes moved.
template <class Step>
ULONG MoveInPieces(ULONG count, Step&& step) {
  ULONG total = 0;
  while (total < count) {
    int32_t want = static_cast<int32_t>(std::min<ULONG>(count - total, INT32_MAX));
    int32_t n = step(total, want);
    if (n <= 0) break;
    total += static_cast<ULONG>(n);
  }
  return total;
}

}  // namespace

TStreamAdapter::TStreamAdapter(TStream* stream, TStreamOwnership ownership) : FStream(stream), FOwnership(ownership) {}

TStreamAdapter::~TStreamAdapter() {
  if (FSource) {
    FSource->Release();
  } else if (FOwnership == TStreamOwnership::soOwned) {
    delete FStream;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::QueryInterface(REFIID riid, void** obj) {
  if (!obj) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream)) {
    *obj = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *obj = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TStreamAdapter::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

ULONG STDMETHODCALLTYPE TStreamAdapter::Release() {
  LONG n = InterlockedDecrement(&FRefCount);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Read(void* pv, ULONG cb, ULONG* pcbRead) {
  if (pcbRead) *pcbRead = 0;
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  try {
    TClonePosition scope(FStream, FSource ? &FClonePos : nullptr);
    const ULONG total =
        MoveInPieces(cb, [&](ULONG done, int32_t want) { return FStream->Read(static_cast<char*>(pv) + done, want); });
    if (pcbRead) *pcbRead = total;
    return S_OK;
  } catch (...) {
    return STG_E_READFAULT;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
  if (pcbWritten) *pcbWritten = 0;
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  try {
    TClonePosition scope(FStream, FSource ? &FClonePos : nullptr);
    const ULONG total = MoveInPieces(
        cb, [&](ULONG done, int32_t want) { return FStream->Write(static_cast<const char*>(pv) + done, want); });
    if (pcbWritten) *pcbWritten = total;
    return total == cb ? S_OK : STG_E_MEDIUMFULL;
  } catch (...) {
    return STG_E_CANTSAVE;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) {
  if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
  try {
    int64_t r;
    if (FSource) {
      // A clone moves only its own position.
      int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? FClonePos : FStream->Size();
      if (base < 0 || (move.QuadPart < 0 && base + move.QuadPart < 0) ||
          (move.QuadPart > 0 && base > INT64_MAX - move.QuadPart))
        return STG_E_INVALIDFUNCTION;
      r = FClonePos = base + move.QuadPart;
    } else {
      r = FStream->Seek(move.QuadPart, static_cast<TSeekOrigin>(origin));
      if (r < 0) return STG_E_INVALIDFUNCTION;
    }
    if (newPos) newPos->QuadPart = static_cast<ULONGLONG>(r);
    return S_OK;
  } catch (...) {
    return STG_E_INVALIDFUNCTION;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::SetSize(ULARGE_INTEGER newSize) {
  if (newSize.QuadPart > static_cast<ULONGLONG>(INT64_MAX)) return STG_E_INVALIDFUNCTION;
  try {
    // The seek pointer stays where it is, even beyond the new end.
    int64_t pos = FStream->Position();
    FStream->SetSize(static_cast<int64_t>(newSize.QuadPart));
    FStream->Seek(pos, soBeginning);
    return S_OK;
  } catch (const EStreamError&) {
    return STG_E_MEDIUMFULL;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::CopyTo(IStream* stm, ULARGE_INTEGER cb, ULARGE_INTEGER* read,
                                                 ULARGE_INTEGER* written) {
  if (read) read->QuadPart = 0;
  if (written) written->QuadPart = 0;
  if (!stm) return STG_E_INVALIDPOINTER;
  try {
    TClonePosition scope(FStream, FSource ? &FClonePos : nullptr);
    int64_t count = static_cast<int64_t>(cb.QuadPart);
    if (count < 0) {
      // "All of it": a stream handed out at its end is copied from the start.
      int64_t size = FStream->Size();
      if (FStream->Position() == size) FStream->SetPosition(0);
      count = size - FStream->Position();
    }
    constexpr int64_t kChunk = 1 << 20;
    std::vector<char> buf(static_cast<size_t>(std::clamp<int64_t>(count, 1, kChunk)));
    uint64_t totalRead = 0, totalWritten = 0;
    HRESULT hr = S_OK;
    while (count > 0) {
      int32_t n = FStream->Read(buf.data(), static_cast<int32_t>(std::min<int64_t>(count, kChunk)));
      if (n <= 0) break;
      totalRead += static_cast<uint64_t>(n);
      ULONG done = 0;
      hr = stm->Write(buf.data(), static_cast<ULONG>(n), &done);
      totalWritten += done;
      if (SUCCEEDED(hr) && done < static_cast<ULONG>(n)) hr = E_FAIL;
      if (FAILED(hr)) break;
      count -= static_cast<int64_t>(done);
    }
    if (read) read->QuadPart = totalRead;
    if (written) written->QuadPart = totalWritten;
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Commit(DWORD flags) {
  (void)flags;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Revert() { return S_OK; }

HRESULT STDMETHODCALLTYPE TStreamAdapter::LockRegion(ULARGE_INTEGER off, ULARGE_INTEGER cb, DWORD type) {
  (void)off;
  (void)cb;
  (void)type;
  return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::UnlockRegion(ULARGE_INTEGER off, ULARGE_INTEGER cb, DWORD type) {
  (void)off;
  (void)cb;
  (void)type;
  return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Stat(STATSTG* stat, DWORD flag) {
  if (!stat) return STG_E_INVALIDPOINTER;
  if (flag != STATFLAG_DEFAULT && flag != STATFLAG_NONAME) return STG_E_INVALIDFLAG;
  try {
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    int64_t size = FStream->Size();
    if (size < 0) return STG_E_ACCESSDENIED;
    stat->cbSize.QuadPart = static_cast<ULONGLONG>(size);
    stat->grfMode = STGM_READWRITE;
    // The stream has no name: pwcsName stays nullptr in both modes.
    return S_OK;
  } catch (...) {
    return STG_E_ACCESSDENIED;
  }
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Clone(IStream** stm) {
  if (!stm) return STG_E_INVALIDPOINTER;
  *stm = nullptr;
  try {
    // The position is taken first: a stream that throws here must leave no clone and no
    // reference on the root behind.
    const int64_t pos = FSource ? FClonePos : FStream->Position();
    TStreamAdapter* root = FSource ? FSource : this;
    auto* clone = new TStreamAdapter(FStream, TStreamOwnership::soReference);
    clone->FSource = root;
    clone->FClonePos = pos;
    root->AddRef();
    *stm = clone;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace korv
