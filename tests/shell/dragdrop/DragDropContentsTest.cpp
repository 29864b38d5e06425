// Text, virtual-file and feedback formats and their data formats.
#include <gtest/gtest.h>

#include <cstring>

#include "DragDropTestUtil.h"

namespace korv {
namespace {

using test::Request;
using test::TLyingStream;
using test::MediumBytes;
using test::TPeerDataObject;
using test::TTestDropSource;
using test::U32;

std::string GroupBlock(const std::vector<std::string>& names) {
  std::string block = U32(static_cast<uint32_t>(names.size()));
  for (const auto& n : names) {
    std::string d(kFileDescriptorASize, '\0');
    SetDescriptorNameA(d.data(), n);
    block += d;
  }
  return block;
}

std::string StreamText(TStream* s) {
  std::string r(static_cast<size_t>(s->Size()), '\0');
  s->SetPosition(0);
  if (!r.empty()) s->ReadBuffer(r.data(), static_cast<int32_t>(r.size()));
  return r;
}

TEST(TextDataFormat, ASourceOffersTheTextAlsoAsTheVirtualFileTextScrap) {
  const std::unique_ptr<TTestDropSource> sourcePtr(NewComponent<TTestDropSource>(nullptr));
  TTestDropSource& source = *sourcePtr;
  TTextDataFormat text(&source);
  text.SetText("Hello");
  TClipboardFormats& formats = text.CompatibleFormats();
  ASSERT_EQ(formats.Count(), 4);
  std::vector<std::string> rendered;
  for (int i = 0; i < formats.Count(); ++i) {
    TClipboardFormat* f = formats.Formats(i);
    ASSERT_TRUE(text.AssignTo(f)) << i;
    TStgMedium m;
    ASSERT_TRUE(f->SetData(Request(*f, TYMED_HGLOBAL), m.M)) << i;
    rendered.push_back(MediumBytes(m.M));
  }
  EXPECT_EQ(rendered[0].substr(0, 6), std::string("Hello\0", 6));  // CF_TEXT
  ASSERT_GE(rendered[1].size(), 4 + kFileDescriptorWSize);         // "FileGroupDescriptorW"
  EXPECT_EQ(ReadU32(rendered[1].data()), 1u);
  EXPECT_EQ(DescriptorNameW(rendered[1].data() + 4), L"Text scrap.txt");
  EXPECT_EQ(std::string(rendered[1].data() + 4, kFileDescriptorNameOffset),
            std::string(kFileDescriptorNameOffset, '\0'));
  ASSERT_GE(rendered[2].size(), 4 + kFileDescriptorASize);  // "FileGroupDescriptor"
  EXPECT_EQ(ReadU32(rendered[2].data()), 1u);
  EXPECT_EQ(DescriptorNameA(rendered[2].data() + 4), "Text scrap.txt");
  EXPECT_EQ(rendered[3].substr(0, 6), std::string("Hello\0", 6));  // "FileContents", file 0

  // The descriptors are offered, not taken.
  auto* group = formats.Formats(2);
  EXPECT_FALSE(text.Assign(group));
  EXPECT_EQ(text.Text(), "Hello");
  // A text comes in through CF_TEXT or the text contents.
  auto* contents = static_cast<TFileContentsClipboardFormat*>(formats.Formats(3));
  contents->SetText("from contents");
  ASSERT_TRUE(text.Assign(contents));
  EXPECT_EQ(text.Text(), "from contents");
}

TEST(GroupDescriptorFormat, ReadsOnlyBlocksWhoseCountMatchesTheirSize) {
  TFileGroupDescritorClipboardFormat g;
  std::string two = GroupBlock({"a.txt", "b.txt"});
  ASSERT_TRUE(g.ReadData(two.data(), two.size()));
  EXPECT_EQ(g.Count(), 2u);
  EXPECT_TRUE(g.HasData());
  EXPECT_EQ(g.GetSize(), two.size());
  EXPECT_EQ(DescriptorNameA(g.Descriptor(1)), "b.txt");
  EXPECT_THROW((void)g.Descriptor(2), EListError);
  std::string out(two.size(), '\0');
  ASSERT_TRUE(g.WriteData(out.data(), out.size()));
  EXPECT_EQ(out, two);
  EXPECT_FALSE(g.WriteData(out.data(), out.size() - 1));
  // Fewer than four bytes: the count is not even read.
  EXPECT_FALSE(g.ReadData(two.data(), 3));
  EXPECT_FALSE(g.HasData());
  std::string lying = U32(3) + two.substr(4);
  EXPECT_FALSE(g.ReadData(lying.data(), lying.size()));
  std::string none = U32(0);
  ASSERT_TRUE(g.ReadData(none.data(), none.size()));
  EXPECT_FALSE(g.HasData());  // no descriptor is no data
  EXPECT_EQ(g.GetSize(), 4u);
  g.Clear();
  EXPECT_EQ(g.GetSize(), 0u);
}

TEST(FileContentsStreams, ReadsEveryListedFileFromTheStartOfItsStream) {
  TPeerDataObject peer;
  CLIPFORMAT group = TFileGroupDescritorClipboardFormat().FormatEtc().cfFormat;
  peer.Add(group, GroupBlock({"first.txt", "second.bin"}));
  peer.Add(CF_FILECONTENTS(), "contents one", TYMED_ISTREAM, 0);
  peer.Add(CF_FILECONTENTS(), std::string("two\0two", 7), TYMED_ISTREAM, 1);
  for (auto& e : peer.Entries) e.AtEnd = true;  // as this library's own writer leaves them

  TDataStreamDataFormat data(nullptr);
  ASSERT_TRUE(data.GetData(&peer));
  TStreamList& streams = data.Streams();
  ASSERT_EQ(streams.Count(), 2);
  EXPECT_EQ(streams.Names(0), "first.txt");
  EXPECT_EQ(streams.Names(1), "second.bin");
  EXPECT_EQ(StreamText(streams.Streams(0)), "contents one");
  EXPECT_EQ(StreamText(streams.Streams(1)), std::string("two\0two", 7));
  // The clipboard format handed its streams over.
  EXPECT_FALSE(data.CompatibleFormats().Formats(0)->HasData());
  EXPECT_EQ(peer.RefCount(), 1);
}

TEST(FileContentsStreams, AShortStreamOrAFailedRequestEndsTheReading) {
  CLIPFORMAT group = TFileGroupDescritorClipboardFormat().FormatEtc().cfFormat;
  {
    TPeerDataObject peer;
    peer.Add(group, GroupBlock({"ok.txt", "short.txt", "never.txt"}));
    peer.Add(CF_FILECONTENTS(), "fine", TYMED_ISTREAM, 0);
    peer.Add(CF_FILECONTENTS(), "cut", TYMED_ISTREAM, 1);
    peer.Entries.back().StatExtra = 10;  // says 13 bytes, delivers 3
    peer.Add(CF_FILECONTENTS(), "third", TYMED_ISTREAM, 2);
    TFileContentsStreamClipboardFormat f;
    EXPECT_TRUE(f.GetData(&peer));
    ASSERT_EQ(f.Streams().Count(), 1);
    EXPECT_EQ(f.Streams().Names(0), "ok.txt");
    EXPECT_EQ(peer.GetDataCalls, 3);  // the group, file 0, file 1; file 2 is not asked for
  }
  {
    TPeerDataObject peer;
    peer.Add(group, GroupBlock({"a", "b"}));
    peer.Add(CF_FILECONTENTS(), "x", TYMED_ISTREAM, 1);  // file 0 is missing
    TFileContentsStreamClipboardFormat f;
    EXPECT_FALSE(f.GetData(&peer));
    EXPECT_EQ(f.Streams().Count(), 0);
  }
  {
    // No descriptors: the whole content once, unnamed.
    TPeerDataObject peer;
    peer.Add(CF_FILECONTENTS(), "whole", TYMED_ISTREAM, -1);
    TFileContentsStreamClipboardFormat f;
    ASSERT_TRUE(f.GetData(&peer));
    ASSERT_EQ(f.Streams().Count(), 1);
    EXPECT_EQ(f.Streams().Names(0), "");
    EXPECT_EQ(StreamText(f.Streams().Streams(0)), "whole");
    EXPECT_EQ(f.FormatEtc().lindex, -1);
  }
  {
    // A group block that lies about its count is no group: one unnamed request.
    TPeerDataObject peer;
    peer.Add(group, U32(1000) + std::string(kFileDescriptorASize, '\0'));
    peer.Add(CF_FILECONTENTS(), "all", TYMED_ISTREAM, -1);
    TFileContentsStreamClipboardFormat f;
    ASSERT_TRUE(f.GetData(&peer));
    EXPECT_EQ(f.Streams().Names(0), "");
  }
}

TEST(StreamLists, AssignHandsTheStreamsOver) {
  struct Counter {
    int n = 0;
    void Hit(TObject*) { ++n; }
  } counter;
  TStreamList a, b;
  b.OnChanging = TNotifyEvent(&counter, &Counter::Hit);
  auto s = std::make_unique<TMemoryStream>();
  TStream* raw = s.get();
  a.AddNamed(std::move(s), "one");
  a.AddNamed(std::make_unique<TMemoryStream>(), "two");
  b.Assign(a);
  EXPECT_EQ(a.Count(), 0);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b.Streams(0), raw);
  EXPECT_EQ(b.Names(1), "two");
  EXPECT_GE(counter.n, 1);
  EXPECT_THROW((void)b.Streams(2), EListError);

  TMemoryList blocks;
  blocks.Add(std::vector<unsigned char>(3, 1));
  blocks.Add(std::vector<unsigned char>(5, 2));
  blocks.Delete(0);
  ASSERT_EQ(blocks.Count(), 1);
  EXPECT_EQ(blocks.ItemSize(0), 5u);
  EXPECT_EQ(blocks.Items(0)[4], 2);
  EXPECT_THROW(blocks.Delete(1), EListError);
}

TEST(VirtualFiles, DescriptorNamesAreAnAppendOnlyView) {
  TVirtualFileStreamDataFormat v(nullptr);
  TStrings& names = v.FileNames();
  names.Add("one.txt");
  names.Insert(0, "ignored");  // only appending is allowed
  names.Insert(5, "ignored");
  names.Add(std::string(260, 'L'));
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names[0], "one.txt");
  // A 260-character name would leave no zero: it is cut to 259.
  EXPECT_EQ(names[1], std::string(kFileDescriptorMaxName, 'L'));
  EXPECT_EQ(v.FileDescriptors().ItemSize(1), kFileDescriptorASize);
  EXPECT_EQ(v.FileDescriptors().Items(1)[kFileDescriptorNameOffset + kFileDescriptorMaxName], 0);
  names.Put(0, "renamed.txt");
  EXPECT_EQ(names[0], "renamed.txt");
  EXPECT_EQ(names.Count(), 2);
  names.Delete(0);
  EXPECT_EQ(names[0], std::string(kFileDescriptorMaxName, 'L'));

  TStringList list;
  list.Add("x");
  list.Add("y");
  list.Add("z");
  names.Assign(&list);
  ASSERT_EQ(names.Count(), 3);
  EXPECT_EQ(names[2], "z");
  names.Clear();
  EXPECT_EQ(v.FileDescriptors().Count(), 0);
}

TEST(VirtualFiles, DescriptorsGoOutAsAGroupAndContentsOnDemand) {
  const std::unique_ptr<TTestDropSource> sourcePtr(NewComponent<TTestDropSource>(nullptr));
  TTestDropSource& source = *sourcePtr;
  TVirtualFileStreamDataFormat v(&source);
  ASSERT_EQ(v.CompatibleFormats().Count(), 2);
  EXPECT_EQ(v.CompatibleFormats().Formats(0), &v.FileContentsClipboardFormat());
  EXPECT_EQ(v.CompatibleFormats().Formats(1), &v.FileGroupDescriptorClipboardFormat());
  TFileGroupDescritorClipboardFormat& group = v.FileGroupDescriptorClipboardFormat();
  EXPECT_FALSE(v.AssignTo(&group));  // no descriptors
  v.FileNames().Add("a.txt");
  v.FileNames().Add("b.txt");
  EXPECT_FALSE(v.HasData());  // descriptors but no contents yet
  ASSERT_TRUE(v.AssignTo(&group));
  EXPECT_EQ(group.Count(), 2u);
  EXPECT_EQ(DescriptorNameA(group.Descriptor(1)), "b.txt");

  struct Provider {
    std::vector<int> Asked;
    void Get(TFileContentsStreamOnDemandClipboardFormat*, int index, TComPtr<IStream>& stream) {
      Asked.push_back(index);
      if (index == 1) stream = TComPtr<IStream>::Attach(test::StreamFromBytes("second file"));
    }
  } provider;
  v.SetOnGetStream(TGetStreamEvent(&provider, &Provider::Get));
  EXPECT_TRUE(v.HasData());
  TFileContentsStreamOnDemandClipboardFormat& contents = v.FileContentsClipboardFormat();
  ASSERT_TRUE(v.AssignTo(&contents));
  EXPECT_TRUE(contents.DataRequested());

  FORMATETC fe = Request(contents, TYMED_ISTREAM);
  fe.lindex = 1;
  TStgMedium m;
  ASSERT_TRUE(contents.SetData(fe, m.M));
  EXPECT_EQ(m.M.tymed, static_cast<DWORD>(TYMED_ISTREAM));
  EXPECT_EQ(MediumBytes(m.M), "second file");
  EXPECT_EQ(m.M.pstm->AddRef(), 2u);  // the medium holds the only other reference
  m.M.pstm->Release();
  fe.lindex = 0;  // the provider has nothing for file 0
  TStgMedium none;
  EXPECT_FALSE(contents.SetData(fe, none.M));
  fe.lindex = -1;  // the whole content is not served on demand
  EXPECT_FALSE(contents.SetData(fe, none.M));
  fe.lindex = 1;
  fe.tymed = TYMED_HGLOBAL;
  EXPECT_FALSE(contents.SetData(fe, none.M));
  EXPECT_EQ(provider.Asked, (std::vector<int>{1, 0}));

  // A peer's descriptors are copied in; its contents are noted, not fetched.
  TPeerDataObject peer;
  peer.Add(group.FormatEtc().cfFormat, GroupBlock({"peer.txt"}));
  peer.Add(CF_FILECONTENTS(), "not fetched", TYMED_ISTREAM, -1);
  TVirtualFileStreamDataFormat target(nullptr);
  ASSERT_TRUE(target.GetData(&peer));
  ASSERT_EQ(target.FileNames().Count(), 1);
  EXPECT_EQ(target.FileNames()[0], "peer.txt");
  EXPECT_TRUE(target.HasContents());
  EXPECT_EQ(peer.GetDataCalls, 1);  // the descriptors only
  EXPECT_EQ(peer.RefCount(), 1);
}

TEST(Feedback, ClearKeepsThePasteResultTheLogicalEffectAndTheTarget) {
  TFeedbackDataFormat fb(nullptr);
  fb.SetPreferredDropEffect(DROPEFFECT_MOVE);
  fb.SetPerformedDropEffect(DROPEFFECT_MOVE);
  fb.SetInShellDragLoop(true);
  TPasteSuccededClipboardFormat paste;
  paste.SetValueDWORD(DROPEFFECT_MOVE);
  ASSERT_TRUE(fb.Assign(&paste));
  TLogicalPerformedDropEffectClipboardFormat logical;
  logical.SetValueDWORD(DROPEFFECT_COPY);
  ASSERT_TRUE(fb.Assign(&logical));
  TTargetCLSIDClipboardFormat target;
  target.SetCLSID(IID_IDataObject);
  ASSERT_TRUE(fb.Assign(&target));
  TInShellDragLoopClipboardFormat loop;
  loop.SetValueBoolean(true);
  ASSERT_TRUE(fb.Assign(&loop));
  EXPECT_TRUE(fb.GotInShellDragLoop());

  fb.Clear();
  EXPECT_EQ(fb.PreferredDropEffect(), 0u);
  EXPECT_EQ(fb.PerformedDropEffect(), 0u);
  EXPECT_FALSE(fb.InShellDragLoop());
  EXPECT_FALSE(fb.GotInShellDragLoop());
  EXPECT_TRUE(fb.HasData());  // the paste result is still reported
  EXPECT_EQ(fb.PasteSucceeded(), static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_EQ(fb.LogicalPerformedDropEffect(), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_TRUE(IsEqualGUID(fb.TargetCLSID(), IID_IDataObject));

  // Each value goes out through its own format.
  fb.SetPreferredDropEffect(DROPEFFECT_LINK);
  TPreferredDropEffectClipboardFormat preferred;
  ASSERT_TRUE(fb.AssignTo(&preferred));
  EXPECT_EQ(preferred.GetValueDWORD(), static_cast<DWORD>(DROPEFFECT_LINK));
  TTargetCLSIDClipboardFormat outTarget;
  ASSERT_TRUE(fb.AssignTo(&outTarget));
  EXPECT_TRUE(IsEqualGUID(outTarget.GetCLSID(), IID_IDataObject));
  TTextClipboardFormat text;
  EXPECT_FALSE(fb.AssignTo(&text));
  EXPECT_FALSE(fb.Assign(&text));
}

}  // namespace
}  // namespace korv
