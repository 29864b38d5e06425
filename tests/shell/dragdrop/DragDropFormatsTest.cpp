// The simple block formats through real global memory and stream media, the stream adapter, the
// platform's CopyStgMedium and the raw formats.
#include <gtest/gtest.h>

#include <cstring>

#include "DragDropTestUtil.h"
#include "shell/dragdrop/DragDropPIDL.h"

namespace korv {
namespace {

using test::Request;
using test::TLyingStream;
using test::MediumBytes;
using test::TPeerDataObject;
using test::U32;

// Renders the format into a medium of the given kind; the bytes of the medium.
std::string Render(TClipboardFormat& f, DWORD tymed, DWORD* gotTymed = nullptr) {
  TStgMedium m;
  FORMATETC fe = Request(f, tymed);
  if (!f.SetData(fe, m.M)) return "<failed>";
  if (gotTymed) *gotTymed = m.M.tymed;
  return MediumBytes(m.M);
}

// Reads a medium holding the bytes into the format.
bool Load(TClipboardFormat& f, const std::string& bytes, DWORD tymed) {
  STGMEDIUM m{};
  m.tymed = tymed;
  if (tymed == TYMED_HGLOBAL)
    m.hGlobal = test::GlobalFromBytes(bytes);
  else
    m.pstm = test::StreamFromBytes(bytes, true);  // handed out at its end
  return f.GetDataFromMedium(nullptr, m);
}

class TText : public TCustomTextClipboardFormat {
 public:
  CLIPFORMAT GetClipboardFormat() override { return CF_TEXT; }
};
class TWide : public TCustomWideTextClipboardFormat {
 public:
  CLIPFORMAT GetClipboardFormat() override { return CF_UNICODETEXT; }
};
class TString : public TCustomStringClipboardFormat {
 public:
  CLIPFORMAT GetClipboardFormat() override { return CF_OEMTEXT; }
};

TEST(SimpleFormats, TextSizesAndZeroes) {
  TText t;
  t.SetText("abc");
  EXPECT_EQ(Render(t, TYMED_HGLOBAL), std::string("abc\0", 4));
  t.SetText(std::string("abc\0", 4));  // already ends in a zero: no second one
  EXPECT_EQ(Render(t, TYMED_HGLOBAL), std::string("abc\0", 4));
  ASSERT_TRUE(Load(t, std::string("ab\0cd", 5), TYMED_HGLOBAL));
  EXPECT_EQ(t.Text(), "ab");
  // A block larger than its text (global memory often is): the text ends at its zero.
  ASSERT_TRUE(Load(t, std::string("xyz\0\0\0\0\0\0\0", 10), TYMED_ISTREAM));
  EXPECT_EQ(t.Text(), "xyz");

  TString s;  // no trimming, no terminator of its own
  ASSERT_TRUE(Load(s, std::string("ab\0cd", 5), TYMED_HGLOBAL));
  EXPECT_EQ(s.GetString(), std::string("ab\0cd", 5));
  EXPECT_EQ(Render(s, TYMED_HGLOBAL), std::string("ab\0cd", 5));
  char buf[8];
  EXPECT_TRUE(s.WriteData(buf, 6));  // the terminating zero counts
  EXPECT_FALSE(s.WriteData(buf, 7));

  TWide w;
  w.SetText(L"abc");
  EXPECT_EQ(w.GetSize(), 8u);
  EXPECT_EQ(Render(w, TYMED_HGLOBAL), std::string("a\0b\0c\0\0\0", 8));
  w.SetText(std::wstring(L"ab\0", 3));
  EXPECT_EQ(w.GetSize(), 6u);
  ASSERT_TRUE(Load(w, std::string("h\0i\0\0\0x", 7), TYMED_HGLOBAL));
  EXPECT_EQ(w.GetText(), std::wstring(L"hi\0", 3));  // size div 2 characters, as they stand
  char wb[16];
  EXPECT_FALSE(w.WriteData(wb, 9));

  // Other media and empty data render nothing.
  EXPECT_EQ(Render(s, TYMED_FILE), "<failed>");
  s.Clear();
  EXPECT_EQ(Render(s, TYMED_HGLOBAL), "<failed>");
}

TEST(SimpleFormats, DWORDAndCLSIDBlocksHaveExactSizes) {
  TPreferredDropEffectClipboardFormat p;
  p.SetValueDWORD(0x01020304);
  EXPECT_EQ(Render(p, TYMED_HGLOBAL), U32(0x01020304));
  ASSERT_TRUE(Load(p, U32(7) + "extra", TYMED_HGLOBAL));
  EXPECT_EQ(p.GetValueDWORD(), 7u);
  p.SetValueDWORD(9);
  EXPECT_FALSE(Load(p, "abc", TYMED_HGLOBAL));  // shorter than four bytes
  EXPECT_FALSE(Load(p, "abc", TYMED_ISTREAM));
  char buf[8];
  EXPECT_FALSE(p.WriteData(buf, 3));
  EXPECT_FALSE(p.WriteData(buf, 5));
  TInShellDragLoopClipboardFormat loop;
  loop.SetValueBoolean(true);
  EXPECT_EQ(loop.GetValueDWORD(), 1u);
  ASSERT_TRUE(Load(loop, U32(0x100), TYMED_HGLOBAL));
  EXPECT_TRUE(loop.GetValueBoolean());

  TTargetCLSIDClipboardFormat c;
  EXPECT_FALSE(c.HasData());
  c.SetCLSID(IID_IDataObject);
  EXPECT_TRUE(c.HasData());
  std::string bytes = Render(c, TYMED_ISTREAM);
  EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(&IID_IDataObject), 16));
  TTargetCLSIDClipboardFormat d;
  EXPECT_FALSE(Load(d, bytes.substr(0, 15), TYMED_HGLOBAL));
  EXPECT_FALSE(Load(d, bytes + "x", TYMED_ISTREAM));
  ASSERT_TRUE(Load(d, bytes, TYMED_ISTREAM));
  EXPECT_TRUE(IsEqualGUID(d.GetCLSID(), IID_IDataObject));
}

TEST(SimpleFormats, AStreamIsPreferredAndHandedOutAtItsEnd) {
  TText t;
  t.SetText("stream me");
  TStgMedium m;
  FORMATETC fe = Request(t, TYMED_HGLOBAL | TYMED_ISTREAM);
  ASSERT_TRUE(t.SetData(fe, m.M));
  ASSERT_EQ(m.M.tymed, static_cast<DWORD>(TYMED_ISTREAM));
  EXPECT_EQ(m.M.pUnkForRelease, nullptr);
  ULARGE_INTEGER pos{};
  LARGE_INTEGER zero{};
  ASSERT_EQ(m.M.pstm->Seek(zero, STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 10u);
  STATSTG st{};
  ASSERT_EQ(m.M.pstm->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, 10u);
  // The medium carries one reference: the adapter goes with it.
  EXPECT_EQ(m.M.pstm->AddRef(), 2u);
  EXPECT_EQ(m.M.pstm->Release(), 1u);
  // Read back from the end position.
  TText back;
  STGMEDIUM copy = m.M;
  m.M.pstm->AddRef();
  ASSERT_TRUE(back.GetDataFromMedium(nullptr, copy));
  EXPECT_EQ(back.Text(), "stream me");
  EXPECT_EQ(copy.tymed, static_cast<DWORD>(TYMED_NULL));  // released and zeroed
  EXPECT_EQ(m.M.pstm->AddRef(), 2u);
  m.M.pstm->Release();

  // Global memory only when a stream is not allowed: moveable, zero-filled, sharable.
  TStgMedium g;
  ASSERT_TRUE(t.SetData(Request(t, TYMED_HGLOBAL), g.M));
  ASSERT_EQ(g.M.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
  EXPECT_GE(GlobalSize(g.M.hGlobal), 10u);
  EXPECT_EQ(GlobalFlags(g.M.hGlobal) & GMEM_LOCKCOUNT, 0u);
  // A request for another format or aspect gets nothing, and the medium is zeroed.
  FORMATETC other = Request(t, TYMED_HGLOBAL);
  other.cfFormat = CF_HDROP;
  STGMEDIUM none;
  std::memset(&none, 0xCC, sizeof none);
  EXPECT_FALSE(t.SetData(other, none));
  EXPECT_EQ(none.tymed, static_cast<DWORD>(TYMED_NULL));
  other = Request(t, TYMED_HGLOBAL);
  other.dwAspect = DVASPECT_THUMBNAIL;
  EXPECT_FALSE(t.SetData(other, none));
}

TEST(SimpleFormats, EveryFormatRoundTripsThroughBothMedia) {
  for (DWORD tymed : {DWORD(TYMED_HGLOBAL), DWORD(TYMED_ISTREAM)}) {
    SCOPED_TRACE(tymed);
    TFileClipboardFormat files;
    files.Files().Add("C:\\one.txt");
    files.Files().Add("C:\\dir\\two");
    std::string hdrop = Render(files, tymed);
    EXPECT_EQ(hdrop.size(), 21u + 2 + 10 + 10);
    TFileClipboardFormat files2;
    ASSERT_TRUE(Load(files2, hdrop, tymed));
    EXPECT_EQ(files2.Files().Text(), files.Files().Text());

    TPIDLClipboardFormat ids;
    std::string parent("\x05\0abc\0\0", 7), child("\x04\0xy\0\0", 6);
    ids.PIDLs().Add(parent);
    ids.PIDLs().Add(child);
    std::string cida = Render(ids, tymed);
    EXPECT_EQ(cida, U32(1) + U32(12) + U32(19) + parent + child);
    TPIDLClipboardFormat ids2;
    ASSERT_TRUE(Load(ids2, cida, tymed));
    ASSERT_EQ(ids2.PIDLs().Count(), 2);
    EXPECT_EQ(ids2.PIDLs()[1], child);

    TFileGroupDescritorWClipboardFormat group;
    std::string block = U32(1) + std::string(kFileDescriptorWSize, '\0');
    SetDescriptorNameW(block.data() + 4, L"virtual.txt");
    ASSERT_TRUE(group.SetDescriptors(block.data(), block.size()));
    EXPECT_EQ(Render(group, tymed), block);
    TFileGroupDescritorWClipboardFormat group2;
    ASSERT_TRUE(Load(group2, block, tymed));
    EXPECT_EQ(DescriptorNameW(group2.Descriptor(0)), L"virtual.txt");

    TTextClipboardFormat text;
    text.SetText("round");
    TTextClipboardFormat text2;
    ASSERT_TRUE(Load(text2, Render(text, tymed), tymed));
    EXPECT_EQ(text2.Text(), "round");
  }
}

TEST(SimpleFormats, ShortAndFailingStreamsGiveNoData) {
  TText t;
  t.SetText("keep");
  // Stat claims more than the stream delivers: the read fails and nothing is taken.
  STGMEDIUM m{};
  m.tymed = TYMED_ISTREAM;
  m.pstm = new TLyingStream("short", 3);
  EXPECT_FALSE(t.GetDataFromMedium(nullptr, m));
  EXPECT_EQ(t.Text(), "");  // cleared before reading
  auto* failing = new TLyingStream("0123456789", 0);
  failing->FailAfter = 4;
  m.tymed = TYMED_ISTREAM;
  m.pstm = failing;
  EXPECT_FALSE(t.GetDataFromMedium(nullptr, m));
  // A size beyond a signed 32-bit value.
  m.tymed = TYMED_ISTREAM;
  m.pstm = new TLyingStream("x", 0x80000000LL);
  EXPECT_FALSE(t.GetDataFromMedium(nullptr, m));
  // A medium of another kind is not read, and still released.
  auto* stream = new TLyingStream("abc", 0);
  stream->AddRef();
  m.tymed = TYMED_ISTREAM;
  m.pstm = stream;
  class TGlobalOnly : public TText {
   public:
    TGlobalOnly() { FFormatEtc.tymed = TYMED_HGLOBAL; }
  } globalOnly;
  EXPECT_FALSE(globalOnly.GetDataFromMedium(nullptr, m));
  EXPECT_EQ(stream->Release(), 0u);  // our own reference was the last one
}

TEST(SimpleFormats, ReadDataIntoCopiesWithinTheMedium) {
  TText t;
  STGMEDIUM m{};
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = test::GlobalFromBytes("0123456789");
  char buf[64] = {};
  size_t copied = 0;
  EXPECT_TRUE(t.ReadDataInto(nullptr, m, 4, buf, &copied));
  EXPECT_EQ(std::string(buf, copied), "0123");
  size_t avail = GlobalSize(m.hGlobal);
  EXPECT_FALSE(t.ReadDataInto(nullptr, m, sizeof buf, buf, &copied));  // never past the block
  EXPECT_EQ(copied, avail);
  EXPECT_FALSE(t.ReadDataInto(nullptr, m, 0, buf, &copied));
  EXPECT_FALSE(t.ReadDataInto(nullptr, m, 4, nullptr, &copied));
  ReleaseStgMedium(&m);
  m.tymed = TYMED_ISTREAM;
  m.pstm = test::StreamFromBytes("abcdef", true);
  EXPECT_TRUE(t.ReadDataInto(nullptr, m, 6, buf, &copied));
  EXPECT_EQ(std::string(buf, 6), "abcdef");
  EXPECT_FALSE(t.ReadDataInto(nullptr, m, 10, buf, &copied));
  EXPECT_EQ(copied, 6u);
  ReleaseStgMedium(&m);
}

// ---------------------------------------------------------------------------------------------
// Stream adapter

class TWatchedStream : public TMemoryStream {
 public:
  explicit TWatchedStream(bool* freed) : Freed(freed) {}
  ~TWatchedStream() override { *Freed = true; }
  bool* Freed;
};

// A destination that records its writes and can take fewer bytes than offered.
class TSinkStream : public TStreamAdapter {
 public:
  TSinkStream() : TStreamAdapter(new TMemoryStream(), TStreamOwnership::soOwned) {}
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
    MaxWrite = std::max<ULONG>(MaxWrite, cb);
    ULONG take = TakeAtMost ? std::min(cb, TakeAtMost) : cb;
    return TStreamAdapter::Write(pv, take, written) == S_OK ? S_OK : E_FAIL;
  }
  std::string Bytes() {
    auto* ms = static_cast<TMemoryStream*>(FStream);
    return std::string(static_cast<const char*>(ms->Memory()), static_cast<size_t>(ms->Size()));
  }
  ULONG MaxWrite = 0;
  ULONG TakeAtMost = 0;
};

TEST(FixedStreamAdapter, CopyToOfAllFromTheEndRewindsAndCopiesInChunks) {
  bool freed = false;
  auto* ms = new TWatchedStream(&freed);
  std::string data(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  ms->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));  // position at the end
  IStream* s = new TFixedStreamAdapter(ms);
  auto* sink = new TSinkStream();
  ULARGE_INTEGER all, read{}, written{};
  all.QuadPart = ~0ULL;  // -1: everything
  ASSERT_EQ(s->CopyTo(sink, all, &read, &written), S_OK);
  EXPECT_EQ(read.QuadPart, data.size());
  EXPECT_EQ(written.QuadPart, data.size());
  EXPECT_LE(sink->MaxWrite, 1024u * 1024u);
  EXPECT_TRUE(sink->Bytes() == data);

  // An explicit count from the current position.
  LARGE_INTEGER off;
  off.QuadPart = 10;
  s->Seek(off, STREAM_SEEK_SET, nullptr);
  auto* sink2 = new TSinkStream();
  ULARGE_INTEGER five;
  five.QuadPart = 5;
  ASSERT_EQ(s->CopyTo(sink2, five, &read, nullptr), S_OK);
  EXPECT_EQ(sink2->Bytes(), data.substr(10, 5));
  // A write that succeeds with fewer bytes than offered is a failure.
  auto* shortSink = new TSinkStream();
  shortSink->TakeAtMost = 100;
  s->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(s->CopyTo(shortSink, all, &read, &written), E_FAIL);
  EXPECT_EQ(written.QuadPart, 100u);

  EXPECT_EQ(sink->Release(), 0u);
  EXPECT_EQ(sink2->Release(), 0u);
  EXPECT_EQ(shortSink->Release(), 0u);
  EXPECT_FALSE(freed);
  EXPECT_EQ(s->Release(), 0u);
  EXPECT_TRUE(freed);  // the adapter owns its stream
}

TEST(FixedStreamAdapter, ImplementsEveryStreamMethod) {
  IStream* s = new TFixedStreamAdapter(new TMemoryStream());
  ULONG n = 0;
  ASSERT_EQ(s->Write("hello world", 11, &n), S_OK);
  EXPECT_EQ(n, 11u);
  ULARGE_INTEGER pos{};
  LARGE_INTEGER move;
  move.QuadPart = -5;
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_END, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 6u);
  char buf[16] = {};
  ASSERT_EQ(s->Read(buf, sizeof buf, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "world");
  move.QuadPart = -11;
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 0u);
  ULARGE_INTEGER size;
  size.QuadPart = 5;
  ASSERT_EQ(s->SetSize(size), S_OK);
  STATSTG st{};
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, 5u);
  EXPECT_EQ(st.pwcsName, nullptr);
  EXPECT_EQ(s->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(s->Revert(), S_OK);
  EXPECT_NE(s->LockRegion(ULARGE_INTEGER{}, size, LOCK_WRITE), S_OK);
  IStream* clone = nullptr;
  ASSERT_EQ(s->Clone(&clone), S_OK);
  ASSERT_EQ(clone->Read(buf, sizeof buf, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "hello");
  // A clone keeps the stream alive after the original is released.
  s->Release();
  move.QuadPart = 1;
  ASSERT_EQ(clone->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(clone->Read(buf, 4, &n), S_OK);
  EXPECT_EQ(std::string(buf, n), "ello");
  EXPECT_EQ(clone->Release(), 0u);
}

// ---------------------------------------------------------------------------------------------
// CopyStgMedium and raw formats

TEST(RawFormats, CopyStgMediumCopiesGlobalMemoryAndSharesStreams) {
  ASSERT_TRUE(CopyStgMediumAvailable());
  STGMEDIUM src{};
  src.tymed = TYMED_HGLOBAL;
  src.hGlobal = test::GlobalFromBytes("global bytes");
  STGMEDIUM dst{};
  ASSERT_TRUE(CopyStgMedium(src, dst));
  ASSERT_EQ(dst.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
  EXPECT_NE(dst.hGlobal, src.hGlobal);
  EXPECT_EQ(MediumBytes(dst).substr(0, 12), "global bytes");
  ReleaseStgMedium(&dst);
  ReleaseStgMedium(&src);

  auto* stream = new TLyingStream("stream bytes", 0);
  src.tymed = TYMED_ISTREAM;
  src.pstm = stream;
  src.pUnkForRelease = nullptr;
  ASSERT_TRUE(CopyStgMedium(src, dst));
  ASSERT_EQ(dst.tymed, static_cast<DWORD>(TYMED_ISTREAM));
  EXPECT_EQ(MediumBytes(dst), "stream bytes");
  ReleaseStgMedium(&dst);
  // Every reference the copy took is given back.
  EXPECT_EQ(stream->AddRef(), 2u);
  EXPECT_EQ(stream->Release(), 1u);
  ReleaseStgMedium(&src);
}

// The owner of a medium, counting every call on its references.
struct TCallCountingOwner : IUnknown {
  LONG Refs = 1, Calls = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++Calls, static_cast<ULONG>(++Refs); }
  ULONG STDMETHODCALLTYPE Release() override { return ++Calls, static_cast<ULONG>(--Refs); }
};

TEST(RawFormats, CopyStgMediumGivesACopyThatOwnsItselfOrNone) {
  ASSERT_TRUE(CopyStgMediumAvailable());
  // Global memory that another object releases (pUnkForRelease): the copy is a block of its own,
  // freed with the copy. Whether the platform's copy adds a reference to that object is not
  // documented, so the copy does not go through it: the object sees no call at all.
  TCallCountingOwner owner;
  STGMEDIUM src{};
  src.tymed = TYMED_HGLOBAL;
  src.hGlobal = test::GlobalFromBytes("owned elsewhere");
  src.pUnkForRelease = &owner;
  STGMEDIUM dst{};
  ASSERT_TRUE(CopyStgMedium(src, dst));
  EXPECT_NE(dst.hGlobal, src.hGlobal);
  EXPECT_EQ(dst.pUnkForRelease, nullptr);
  EXPECT_EQ(owner.Calls, 0);
  EXPECT_EQ(owner.Refs, 1);
  EXPECT_EQ(GlobalSize(dst.hGlobal), GlobalSize(src.hGlobal));
  EXPECT_EQ(MediumBytes(dst).substr(0, 15), "owned elsewhere");
  ReleaseStgMedium(&dst);
  HGLOBAL borrowed = src.hGlobal;
  ReleaseStgMedium(&src);  // releases the owner, not the memory
  EXPECT_EQ(owner.Refs, 0);
  GlobalFree(borrowed);

  // GDI objects and metafiles cannot be copied here: no copy (a copy sharing the handle would
  // be deleted twice), and the original stays as it was.
  STGMEDIUM bitmap{};
  bitmap.tymed = TYMED_GDI;
  bitmap.hBitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  ASSERT_NE(bitmap.hBitmap, nullptr);
  STGMEDIUM none{};
  none.tymed = TYMED_HGLOBAL;  // whatever the record held is overwritten
  EXPECT_FALSE(CopyStgMedium(bitmap, none));
  EXPECT_EQ(none.tymed, static_cast<DWORD>(TYMED_NULL));
  EXPECT_EQ(GetObjectType(bitmap.hBitmap), static_cast<DWORD>(OBJ_BITMAP));
  ReleaseStgMedium(&bitmap);

  STGMEDIUM meta{};
  meta.tymed = TYMED_ENHMF;
  meta.hEnhMetaFile = CloseEnhMetaFile(CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr));
  ASSERT_NE(meta.hEnhMetaFile, nullptr);
  EXPECT_FALSE(CopyStgMedium(meta, none));
  EXPECT_EQ(none.tymed, static_cast<DWORD>(TYMED_NULL));
  EXPECT_EQ(GetObjectType(meta.hEnhMetaFile), static_cast<DWORD>(OBJ_ENHMETAFILE));
  ReleaseStgMedium(&meta);
}

TEST(RawFormats, KeepAPeersMediumAndServeCopiesOfIt) {
  TPeerDataObject peer;
  CLIPFORMAT cf = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("korv test private format"));
  peer.Add(cf, "private data");
  FORMATETC fe{cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  TRawClipboardFormat raw(fe);
  EXPECT_EQ(raw.GetClipboardFormat(), cf);
  EXPECT_EQ(raw.GetClipboardFormatName(), "korv test private format");
  EXPECT_FALSE(raw.HasData());
  ASSERT_TRUE(raw.GetData(&peer));
  ASSERT_TRUE(raw.HasData());
  EXPECT_EQ(MediumBytes(raw.Medium()).substr(0, 12), "private data");
  // Served as often as asked, each time a medium of its own.
  for (int i = 0; i < 2; ++i) {
    TStgMedium out;
    ASSERT_TRUE(raw.SetData(fe, out.M));
    EXPECT_NE(out.M.hGlobal, raw.Medium().hGlobal);
    EXPECT_EQ(MediumBytes(out.M).substr(0, 12), "private data");
  }
  raw.Clear();
  EXPECT_FALSE(raw.HasData());
  TStgMedium none;
  EXPECT_FALSE(raw.SetData(fe, none.M));

  // A name given later registers the format.
  TRawClipboardFormat named(fe);
  named.SetClipboardFormatName("korv test renamed format");
  EXPECT_EQ(named.FormatEtc().cfFormat, static_cast<CLIPFORMAT>(RegisterClipboardFormatA("korv test renamed format")));

  // The raw data format has data while any of its formats has, and needs data while any lacks it.
  const std::unique_ptr<test::TTestDropSource> sourcePtr(NewComponent<test::TTestDropSource>(nullptr));
  test::TTestDropSource& source = *sourcePtr;
  TRawDataFormat data(&source);
  EXPECT_EQ(data.CompatibleFormats().Count(), 0);
  EXPECT_FALSE(data.HasData());
  auto* kept = new TRawClipboardFormat(fe);
  data.CompatibleFormats().Add(kept);
  EXPECT_EQ(kept->DataFormat(), &data);
  ASSERT_TRUE(kept->GetData(&peer));
  EXPECT_TRUE(data.Assign(kept));
  EXPECT_TRUE(data.AssignTo(kept));
  EXPECT_TRUE(data.HasData());
  EXPECT_FALSE(data.NeedsData());
  data.CompatibleFormats().Add(new TRawClipboardFormat(fe));
  EXPECT_TRUE(data.NeedsData());
  data.Clear();
  EXPECT_FALSE(data.HasData());
  EXPECT_EQ(peer.RefCount(), 1);
}

TEST(RawFormats, SetDataOnObjectHandsOverOrReleasesTheMedium) {
  TPeerDataObject peer;
  TPerformedDropEffectClipboardFormat performed;
  performed.SetValueDWORD(DROPEFFECT_MOVE);
  STGMEDIUM m{};
  ASSERT_TRUE(performed.SetDataOnObject(&peer, Request(performed, TYMED_HGLOBAL), m));
  EXPECT_EQ(m.tymed, static_cast<DWORD>(TYMED_NULL));  // the peer owns it now
  ASSERT_EQ(peer.SetDataCalls.size(), 1u);
  EXPECT_EQ(peer.SetDataCalls[0].Fe.cfFormat, performed.FormatEtc().cfFormat);
  EXPECT_EQ(MediumBytes(peer.SetDataCalls[0].Medium).substr(0, 4), U32(DROPEFFECT_MOVE));
  peer.ReleaseReceived();
  // A format it cannot render sends nothing.
  TString empty;
  EXPECT_FALSE(empty.SetDataOnObject(&peer, Request(empty, TYMED_HGLOBAL), m));
  EXPECT_TRUE(peer.SetDataCalls.empty());

  // A peer that refuses the medium: it is released here, and no reference is left behind.
  class TStreamFormat : public TClipboardFormat {
   public:
    explicit TStreamFormat(IStream* s) : TClipboardFormat(TYMED_ISTREAM), S(s) {}
    CLIPFORMAT GetClipboardFormat() override { return CF_TEXT; }
    void Clear() override {}
    bool DoSetData(const FORMATETC&, STGMEDIUM& medium) override {
      S->AddRef();
      medium.tymed = TYMED_ISTREAM;
      medium.pstm = S;
      return true;
    }
    IStream* S;
  };
  auto* stream = new TLyingStream("abc", 0);
  TStreamFormat sf(stream);
  peer.SetDataResult = E_FAIL;
  EXPECT_FALSE(sf.SetDataOnObject(&peer, Request(sf, TYMED_ISTREAM), m));
  EXPECT_EQ(m.tymed, static_cast<DWORD>(TYMED_NULL));
  EXPECT_EQ(stream->Release(), 0u);
  EXPECT_EQ(peer.RefCount(), 1);
}

}  // namespace
}  // namespace korv
