// Memory, file and resource streams, and the IStream adapter.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Handles.h"

namespace korv {
namespace {

std::string TempName(const char* tag) {
  char buf[MAX_PATH];
  GetTempFileNameA(GetTempDir().c_str(), tag, 0, buf);
  return buf;
}

std::vector<char> Pattern(size_t n) {
  std::vector<char> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return v;
}

TEST(TMemoryStreamTest, WriteReadSeekAndShortReads) {
  TMemoryStream s;
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Write("hello", 5), 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Seek(-2, soEnd), 3);
  char buf[16] = {};
  EXPECT_EQ(s.Read(buf, 8), 2);  // short at the end, no error
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(s.Read(buf, 8), 0);
  EXPECT_EQ(s.Seek(-1, soBeginning), -1);  // before the start: refused, position kept
  EXPECT_EQ(s.Position(), 5);
  // Writing past the end fills the gap with zeros.
  s.SetPosition(8);
  EXPECT_EQ(s.Write("!", 1), 1);
  ASSERT_EQ(s.Size(), 9);
  EXPECT_EQ(std::memcmp(s.Memory(), "hello\0\0\0!", 9), 0);
  s.SetPosition(0);
  EXPECT_THROW(s.ReadBuffer(buf, 10), EReadError);
  s.SetPosition(0);
  EXPECT_NO_THROW(s.ReadBuffer(buf, 9));
}

TEST(TMemoryStreamTest, SetSizeKeepsDataAndClampsPosition) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  s.SetSize(3);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.Position(), 3);
  s.SetSize(5);
  EXPECT_EQ(std::memcmp(s.Memory(), "abc\0\0", 5), 0);
  EXPECT_THROW(s.SetSize(-1), EStreamError);
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
}

TEST(TMemoryStreamTest, ManySmallWritesAndCopyFrom) {
  TMemoryStream a;
  auto data = Pattern(100000);
  for (size_t i = 0; i < data.size(); i += 3)
    a.WriteBuffer(&data[i], static_cast<int32_t>(std::min<size_t>(3, data.size() - i)));
  ASSERT_EQ(a.Size(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(std::memcmp(a.Memory(), data.data(), data.size()), 0);
  TMemoryStream b;
  a.SetPosition(500);
  EXPECT_EQ(b.CopyFrom(a, 0), 100000);  // 0: all of it, from the start
  EXPECT_EQ(std::memcmp(b.Memory(), data.data(), data.size()), 0);
  TMemoryStream c;
  a.SetPosition(10);
  EXPECT_EQ(c.CopyFrom(a, 20), 20);
  EXPECT_EQ(std::memcmp(c.Memory(), data.data() + 10, 20), 0);
  a.SetPosition(a.Size() - 5);
  EXPECT_THROW(c.CopyFrom(a, 20), EReadError);
}

TEST(TFileStreamTest, CreateWriteReopenAndErrors) {
  std::string name = TempName("kfs");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
    EXPECT_EQ(f.Position(), 4);
  }
  {
    TFileStream f(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.FileName(), name);
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, 16), 4);
    EXPECT_EQ(std::string(buf), "0123");
    EXPECT_EQ(f.Write("x", 1), 0);  // read-only handle: a short write, no exception
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
    TMemoryStream m;
    m.LoadFromStream(f);
    EXPECT_EQ(m.Size(), 4);
    EXPECT_EQ(m.Position(), 0);
  }
  {
    // Exclusive: a second open fails with the system's message in the text.
    TFileStream f(name, fmOpenReadWrite | fmShareExclusive);
    try {
      TFileStream g(name, fmOpenRead);
      FAIL();
    } catch (const EFOpenError& e) {
      std::string expected = "Cannot open file \"" + name + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION);
      EXPECT_EQ(e.Message(), expected);
    }
  }
  DeleteFile(name);
  std::string missing = name + ".missing\\x";
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + missing + "\". ", 0), 0u);
  }
  try {
    TFileStream f(missing, fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + missing + "\". " + SysErrorMessage(ERROR_PATH_NOT_FOUND));
  }
}

TEST(TResourceStreamTest, MissingResourceAndReadOnly) {
  try {
    TResourceStream r(GetModuleHandleA(nullptr), "NO_SUCH_RES", MAKEINTRESOURCEA(10));
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource NO_SUCH_RES not found");
  }
  EXPECT_THROW(TResourceStream(GetModuleHandleA(nullptr), 4242, MAKEINTRESOURCEA(10)), EResNotFound);
}

// --- IStream adapter

TComPtr<IStream> Adapt(TStream* s, TStreamOwnership own = TStreamOwnership::soOwned) {
  return TComPtr<IStream>::Attach(new TStreamAdapter(s, own));
}

ULONGLONG SeekTo(IStream* s, LONGLONG off, DWORD origin, HRESULT* hr = nullptr) {
  LARGE_INTEGER li;
  li.QuadPart = off;
  ULARGE_INTEGER pos{};
  HRESULT r = s->Seek(li, origin, &pos);
  if (hr) *hr = r;
  return pos.QuadPart;
}

TEST(TStreamAdapterTest, ReadWriteSeekAndStat) {
  auto* mem = new TMemoryStream;
  auto stm = Adapt(mem);
  ULONG n = 0;
  EXPECT_EQ(stm->Write("abcdef", 6, &n), S_OK);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(SeekTo(stm.Get(), 0, STREAM_SEEK_END), 6u);
  EXPECT_EQ(SeekTo(stm.Get(), 2, STREAM_SEEK_SET), 2u);
  EXPECT_EQ(SeekTo(stm.Get(), 1, STREAM_SEEK_CUR), 3u);
  char buf[10] = {};
  EXPECT_EQ(stm->Read(buf, 10, &n), S_OK);  // a short read succeeds with the count
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(std::string(buf, 3), "def");
  HRESULT hr;
  SeekTo(stm.Get(), -1, STREAM_SEEK_SET, &hr);
  EXPECT_EQ(hr, STG_E_INVALIDFUNCTION);
  SeekTo(stm.Get(), 0, 7, &hr);
  EXPECT_EQ(hr, STG_E_INVALIDFUNCTION);

  STATSTG st;
  std::memset(&st, 0xCC, sizeof st);
  EXPECT_EQ(stm->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, 6u);
  EXPECT_EQ(st.type, static_cast<DWORD>(STGTY_STREAM));
  EXPECT_EQ(st.pwcsName, nullptr);
  EXPECT_EQ(stm->Stat(nullptr, STATFLAG_NONAME), STG_E_INVALIDPOINTER);
  EXPECT_EQ(stm->Stat(&st, 5), STG_E_INVALIDFLAG);

  ULARGE_INTEGER sz;
  sz.QuadPart = 2;
  SeekTo(stm.Get(), 5, STREAM_SEEK_SET);
  EXPECT_EQ(stm->SetSize(sz), S_OK);
  EXPECT_EQ(mem->Size(), 2);
  EXPECT_EQ(SeekTo(stm.Get(), 0, STREAM_SEEK_CUR), 5u);  // SetSize leaves the seek pointer alone
  EXPECT_EQ(stm->Commit(0), S_OK);
  EXPECT_EQ(stm->Revert(), S_OK);
  EXPECT_EQ(stm->LockRegion(sz, sz, 0), STG_E_INVALIDFUNCTION);

  TComPtr<IUnknown> unk;
  EXPECT_EQ(stm.As(IID_IUnknown, unk), S_OK);
  TComPtr<ISequentialStream> seq;
  EXPECT_EQ(stm.As(IID_ISequentialStream, seq), S_OK);
  TComPtr<IDataObject> none;
  EXPECT_EQ(stm.As(IID_IDataObject, none), E_NOINTERFACE);
}

TEST(TStreamAdapterTest, CopyToFromTheEndRewindsAndCopiesEverything) {
  auto data = Pattern(3 * 1024 * 1024 + 17);  // more than one 1 MiB chunk
  auto* mem = new TMemoryStream;
  mem->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  ASSERT_EQ(mem->Position(), mem->Size());  // handed out at its end
  auto src = Adapt(mem);
  TComPtr<IStream> dst;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, dst.Put()), S_OK);
  ULARGE_INTEGER all, rd, wr;
  all.QuadPart = ~0ull;  // -1: all of it
  ASSERT_EQ(src->CopyTo(dst.Get(), all, &rd, &wr), S_OK);
  EXPECT_EQ(rd.QuadPart, data.size());
  EXPECT_EQ(wr.QuadPart, data.size());
  STATSTG st;
  ASSERT_EQ(dst->Stat(&st, STATFLAG_NONAME), S_OK);
  ASSERT_EQ(st.cbSize.QuadPart, data.size());
  HGLOBAL h = nullptr;
  ASSERT_EQ(GetHGlobalFromStream(dst.Get(), &h), S_OK);
  void* p = GlobalLock(h);
  EXPECT_EQ(std::memcmp(p, data.data(), data.size()), 0);
  GlobalUnlock(h);

  // The platform's own recipe: Seek END, Seek SET, CopyTo of the exact size.
  TComPtr<IStream> dst2;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, dst2.Put()), S_OK);
  ULONGLONG size = SeekTo(src.Get(), 0, STREAM_SEEK_END);
  SeekTo(src.Get(), 0, STREAM_SEEK_SET);
  ULARGE_INTEGER exact;
  exact.QuadPart = size;
  EXPECT_EQ(src->CopyTo(dst2.Get(), exact, &rd, &wr), S_OK);
  EXPECT_EQ(wr.QuadPart, data.size());

  // A count beyond the rest copies the rest; a count from the middle copies from there.
  TComPtr<IStream> dst3;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, dst3.Put()), S_OK);
  SeekTo(src.Get(), 10, STREAM_SEEK_SET);
  exact.QuadPart = 20;
  EXPECT_EQ(src->CopyTo(dst3.Get(), exact, &rd, &wr), S_OK);
  EXPECT_EQ(wr.QuadPart, 20u);
  exact.QuadPart = 1ull << 40;
  EXPECT_EQ(src->CopyTo(dst3.Get(), exact, &rd, &wr), S_OK);
  EXPECT_EQ(rd.QuadPart, data.size() - 30);
  EXPECT_EQ(src->CopyTo(nullptr, exact, &rd, &wr), STG_E_INVALIDPOINTER);
}

// A destination that accepts only part of each write, or fails.
class TShortSink : public IStream {
 public:
  explicit TShortSink(HRESULT result, ULONG cap) : Result(result), Cap(cap) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** o) override {
    *o = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG cb, ULONG* w) override {
    ++Calls;
    *w = std::min(cb, Cap);
    return Result;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
  HRESULT Result;
  ULONG Cap;
  int Calls = 0;
};

TEST(TStreamAdapterTest, CopyToReportsShortAndFailedWrites) {
  auto* mem = new TMemoryStream;
  mem->WriteBuffer("0123456789", 10);
  mem->SetPosition(0);
  auto src = Adapt(mem);
  ULARGE_INTEGER all, rd, wr;
  all.QuadPart = 10;
  TShortSink shortSink(S_OK, 4);
  EXPECT_EQ(src->CopyTo(&shortSink, all, &rd, &wr), E_FAIL);
  EXPECT_EQ(rd.QuadPart, 10u);
  EXPECT_EQ(wr.QuadPart, 4u);
  EXPECT_EQ(shortSink.Calls, 1);
  mem->SetPosition(0);
  TShortSink failing(STG_E_MEDIUMFULL, 0);
  EXPECT_EQ(src->CopyTo(&failing, all, &rd, &wr), STG_E_MEDIUMFULL);
  EXPECT_EQ(wr.QuadPart, 0u);
}

TEST(TStreamAdapterTest, CloneHasItsOwnPositionOverSharedBytes) {
  auto* mem = new TMemoryStream;
  mem->WriteBuffer("abcdef", 6);
  auto stm = Adapt(mem);
  SeekTo(stm.Get(), 1, STREAM_SEEK_SET);
  TComPtr<IStream> clone;
  ASSERT_EQ(stm->Clone(clone.Put()), S_OK);
  EXPECT_EQ(SeekTo(clone.Get(), 0, STREAM_SEEK_CUR), 1u);
  char c = 0;
  ULONG n = 0;
  clone->Read(&c, 1, &n);
  EXPECT_EQ(c, 'b');
  clone->Read(&c, 1, &n);
  EXPECT_EQ(c, 'c');
  stm->Read(&c, 1, &n);  // the original did not move
  EXPECT_EQ(c, 'b');
  clone->Write("X", 1, &n);  // a write through the clone is visible to the original
  SeekTo(stm.Get(), 3, STREAM_SEEK_SET);
  stm->Read(&c, 1, &n);
  EXPECT_EQ(c, 'X');
  stm.Reset();  // the clone keeps the stream alive
  SeekTo(clone.Get(), 0, STREAM_SEEK_SET);
  char buf[6];
  EXPECT_EQ(clone->Read(buf, 6, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "abcXef");
}

// A stream that throws from everything: the adapter must answer with error codes.
class TThrowingStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { throw EStreamError("boom"); }
  int32_t Write(const void*, int32_t) override { throw EStreamError("boom"); }
  int64_t Seek(int64_t, TSeekOrigin) override { throw EStreamError("boom"); }
};

TEST(TStreamAdapterTest, NoExceptionLeavesTheComSurface) {
  auto stm = Adapt(new TThrowingStream);
  char buf[4];
  ULONG n = 1;
  EXPECT_TRUE(FAILED(stm->Read(buf, 4, &n)));
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(FAILED(stm->Write(buf, 4, &n)));
  HRESULT hr;
  SeekTo(stm.Get(), 0, STREAM_SEEK_SET, &hr);
  EXPECT_TRUE(FAILED(hr));
  STATSTG st;
  EXPECT_TRUE(FAILED(stm->Stat(&st, STATFLAG_NONAME)));
  ULARGE_INTEGER sz{};
  EXPECT_TRUE(FAILED(stm->SetSize(sz)));
  TComPtr<IStream> dst;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, dst.Put()), S_OK);
  sz.QuadPart = ~0ull;
  EXPECT_TRUE(FAILED(stm->CopyTo(dst.Get(), sz, nullptr, nullptr)));
  IStream* clone = reinterpret_cast<IStream*>(1);
  EXPECT_TRUE(FAILED(stm->Clone(&clone)));
  EXPECT_EQ(clone, nullptr);
}

TEST(TStreamAdapterTest, AFailedCloneKeepsNoReferenceOnTheOwner) {
  // A clone that cannot learn the position must not keep the adapter (and its stream) alive.
  struct TWatchedStream : TThrowingStream {
    explicit TWatchedStream(bool* destroyed) : Destroyed(destroyed) {}
    ~TWatchedStream() override { *Destroyed = true; }
    bool* Destroyed;
  };
  bool destroyed = false;
  auto stm = Adapt(new TWatchedStream(&destroyed));
  IStream* clone = nullptr;
  EXPECT_TRUE(FAILED(stm->Clone(&clone)));
  EXPECT_EQ(clone, nullptr);
  stm.Reset();
  EXPECT_TRUE(destroyed);
}

TEST(TStreamAdapterTest, ReferenceCountsAndOwnership) {
  TMemoryStream borrowed;
  auto* a = new TStreamAdapter(&borrowed, TStreamOwnership::soReference);
  EXPECT_EQ(a->AddRef(), 2u);
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(a->Release(), 0u);  // borrowed stays alive
  borrowed.WriteBuffer("x", 1);
  EXPECT_EQ(borrowed.Size(), 1);
}

}  // namespace
}  // namespace korv
