// The file drop source and the file formats: the blocks it renders, what it takes from a target,
// the peer blocks it refuses, its data formats and the order of the registry.
#include <gtest/gtest.h>

#include <cstring>

#include "DropSourceTestUtil.h"
#include "classlib/Streaming.h"
#include "support/Sandbox.h"

namespace korv {
namespace {

using test::FormatId;
using test::GetBytes;
using test::TDropSourceTest;
using test::TSandbox;

class DropFileSource : public TDropSourceTest {};

std::string Wide(const std::wstring& w) { return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2); }

HRESULT Write(IDataObject* d, CLIPFORMAT cf, const std::string& bytes, DWORD tymed = TYMED_HGLOBAL) {
  FORMATETC fe{cf, nullptr, DVASPECT_CONTENT, -1, tymed};
  STGMEDIUM m{};
  m.tymed = tymed;
  if (tymed == TYMED_ISTREAM)
    m.pstm = test::StreamFromBytes(bytes);
  else
    m.hGlobal = test::GlobalFromBytes(bytes);
  const HRESULT hr = d->SetData(&fe, &m, TRUE);
  if (FAILED(hr)) ReleaseStgMedium(&m);  // a failed call leaves the medium with the caller
  return hr;
}

std::string DropFiles(uint32_t pFiles, bool wide, const std::string& names) {
  std::string b(20, '\0');
  std::memcpy(b.data(), &pFiles, 4);
  uint32_t w = wide ? 1 : 0;
  std::memcpy(b.data() + 16, &w, 4);
  return b + names;
}

std::vector<std::string> Items(const TStrings& list) { return StringsToVector(list); }

TEST_F(DropFileSource, RendersTheDocumentedBlocks) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  s.Files()->Add("C:\\a.txt");
  s.Files()->Add("C:\\b");
  std::string bytes;
  ASSERT_TRUE(GetBytes(d, CF_HDROP, TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, DropFiles(20, false, std::string("C:\\a.txt\0C:\\b\0\0", 15)));
  EXPECT_EQ(bytes.size(), 35u);
  s.Files()->Add("C:\\third");
  // "FileName" and "FileNameW" carry the first name only.
  ASSERT_TRUE(GetBytes(d, FormatId("FileName"), TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, std::string("C:\\a.txt\0", 9));
  ASSERT_TRUE(GetBytes(d, FormatId("FileNameW"), TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, Wide(std::wstring(L"C:\\a.txt\0", 9)));

  s.MappedNames()->Add("x");
  s.MappedNames()->Add("yz");
  ASSERT_TRUE(GetBytes(d, FormatId("FileNameMapW"), TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, Wide(std::wstring(L"x\0yz\0\0", 6)));
  EXPECT_EQ(bytes.size(), 12u);
  ASSERT_TRUE(GetBytes(d, FormatId("FileNameMap"), TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes, std::string("x\0yz\0\0", 6));

  // Asked for either medium, a stream is given (positioned at its end), holding the same block.
  FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM};
  STGMEDIUM m{};
  ASSERT_EQ(d->GetData(&fe, &m), S_OK);
  ASSERT_EQ(m.tymed, DWORD{TYMED_ISTREAM});
  ULARGE_INTEGER pos{};
  LARGE_INTEGER zero{};
  m.pstm->Seek(zero, STREAM_SEEK_CUR, &pos);
  EXPECT_EQ(pos.QuadPart, 21u + 3 + 8 + 4 + 8);  // 21 + number of names + their lengths
  EXPECT_EQ(test::MediumBytes(m),
            DropFiles(20, false, std::string("C:\\a.txt\0C:\\b\0C:\\third\0\0", 24)));
  ReleaseStgMedium(&m);
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropFileSource, RealFilesGoOutInEveryFileFormat) {
  TSandbox folder;
  std::vector<std::string> files{folder.File("one.txt", "1"), folder.File("two.dat", "22"),
                                 folder.File("three", "333")};
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  for (const auto& f : files) s.Files()->Add(f);
  IDataObject* d = s.AsDataObject();
  EXPECT_EQ(test::ReadHDrop(d), files);
  EXPECT_TRUE(test::SamePaths(test::ReadShellIDList(d), files));
  EXPECT_EQ(test::ReadFileNameW(d), files[0]);
  // A file that is gone has no ID list: that format fails, the others are still served.
  s.Files()->Add(folder.PathOf("missing.txt"));
  HRESULT hr = S_OK;
  EXPECT_TRUE(test::ReadShellIDList(d, &hr).empty());
  EXPECT_EQ(hr, DV_E_FORMATETC);
  EXPECT_EQ(test::ReadHDrop(d).size(), 4u);
}

TEST_F(DropFileSource, TheIDListBlockIsKeptUntilTheFilesChange) {
  TSandbox folder;
  std::vector<std::string> files{folder.File("a\\one.txt"), folder.File("b\\two.txt"), folder.File("three.txt")};
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  for (const auto& f : files) s.Files()->Add(f);
  IDataObject* d = s.AsDataObject();
  const CLIPFORMAT cida = FormatId(CFSTR_SHELLIDLIST);
  std::string first, again;
  ASSERT_TRUE(GetBytes(d, cida, TYMED_HGLOBAL, first));
  EXPECT_TRUE(test::SamePaths(test::ReadShellIDList(d), files));
  // Served again as it was built, though a file has gone since (a new parse would fail).
  ASSERT_TRUE(DeleteFileA(files[2].c_str()));
  ASSERT_TRUE(GetBytes(d, cida, TYMED_ISTREAM, again));
  EXPECT_EQ(again, first);
  // A change of the list gives a new block, and so does an edit inside BeginUpdate after a
  // request made in between.
  s.Files()->Delete(2);
  files.pop_back();
  EXPECT_TRUE(test::SamePaths(test::ReadShellIDList(d), files));
  s.Files()->BeginUpdate();
  s.Files()->Add(folder.File("a\\four.txt"));
  EXPECT_EQ(test::ReadShellIDList(d).size(), 3u);
  s.Files()->Add(folder.File("b\\five.txt"));
  s.Files()->EndUpdate();
  EXPECT_TRUE(test::SamePaths(test::ReadShellIDList(d), Items(*s.Files())));
  // A list whose file is missing has no block until it changes.
  s.Files()->Add(folder.PathOf("missing.txt"));
  HRESULT hr = S_OK;
  EXPECT_FALSE(GetBytes(d, cida, TYMED_HGLOBAL, again, &hr));
  EXPECT_EQ(hr, DV_E_FORMATETC);
  folder.File("missing.txt");
  EXPECT_FALSE(GetBytes(d, cida, TYMED_HGLOBAL, again));
  s.Files()->Delete(0);
  EXPECT_TRUE(test::SamePaths(test::ReadShellIDList(d), Items(*s.Files())));
  EXPECT_EQ(s.OutstandingReferences(), 0);
}

TEST_F(DropFileSource, TakesFileListsAndNamesFromATarget) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  s.Files()->Add("C:\\old.txt");
  // CF_HDROP replaces the list, 8-bit or wide (a first character with a zero low byte included).
  ASSERT_EQ(Write(d, CF_HDROP, DropFiles(20, false, std::string("C:\\n1\0C:\\n2\0\0", 13))), S_OK);
  EXPECT_EQ(Items(*s.Files()), (std::vector<std::string>{"C:\\n1", "C:\\n2"}));
  std::wstring wide = std::wstring(L"\u0100x\0C:\\w\0\0", 9);
  ASSERT_EQ(Write(d, CF_HDROP, DropFiles(20, true, Wide(wide)), TYMED_ISTREAM), S_OK);
  ASSERT_EQ(s.Files()->Count(), 2);
  EXPECT_EQ(s.Files()->Get(0), WideToAnsi(L"\u0100x"));
  EXPECT_EQ(s.Files()->Get(1), "C:\\w");
  // "FileName" and "FileNameW" add a name.
  ASSERT_EQ(Write(d, FormatId("FileName"), std::string("C:\\added\0", 9)), S_OK);
  ASSERT_EQ(Write(d, FormatId("FileNameW"), Wide(std::wstring(L"C:\\addedW\0", 10))), S_OK);
  EXPECT_EQ(s.Files()->Count(), 4);
  EXPECT_EQ(s.Files()->Get(3), "C:\\addedW");
  // The map formats replace the mapped names.
  ASSERT_EQ(Write(d, FormatId("FileNameMapW"), Wide(std::wstring(L"p\0q\0\0", 5))), S_OK);
  EXPECT_EQ(Items(*s.MappedNames()), (std::vector<std::string>{"p", "q"}));
  ASSERT_EQ(Write(d, FormatId("FileNameMap"), std::string("r\0\0", 3)), S_OK);
  EXPECT_EQ(Items(*s.MappedNames()), (std::vector<std::string>{"r"}));
}

TEST_F(DropFileSource, AZeroInsideAWideFileNameEndsTheName) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  s.Files()->Add("C:\\first");
  // A peer's block with a stray zero and padding after the name: only the name is taken.
  ASSERT_EQ(Write(d, FormatId("FileNameW"), Wide(std::wstring(L"C:\\x.txt\0junk\0\0\0", 16))), S_OK);
  ASSERT_EQ(s.Files()->Count(), 2);
  EXPECT_EQ(s.Files()->Get(1), "C:\\x.txt");
  // So the next file list still holds both names and ends where it should.
  EXPECT_EQ(test::ReadHDrop(d), (std::vector<std::string>{"C:\\first", "C:\\x.txt"}));
  std::string bytes;
  ASSERT_TRUE(GetBytes(d, CF_HDROP, TYMED_HGLOBAL, bytes));
  EXPECT_EQ(bytes.size(), 21u + 8 + 1 + 8 + 1);
  // A name that is empty up to its zero adds nothing.
  EXPECT_EQ(Write(d, FormatId("FileNameW"), Wide(std::wstring(L"\0C:\\hidden\0", 11))), E_INVALIDARG);
  EXPECT_EQ(s.Files()->Count(), 2);
}

TEST_F(DropFileSource, APeersBadFileListIsRefusedAndNotKept) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  IDataObject* d = s.AsDataObject();
  s.Files()->Add("C:\\mine.txt");
  const std::string names("C:\\evil\0\0", 9);
  const std::vector<std::string> bad{
      DropFiles(20, false, "").substr(0, 12),                             // shorter than the header
      DropFiles(4, false, names),                                         // names inside the header
      DropFiles(static_cast<uint32_t>(20 + names.size()), false, names),  // names at the very end
      DropFiles(0x7FFFFFF0, false, names),                                // far outside
      DropFiles(20, false, std::string("C:\\no-terminator", 16)),         // a name running off the end
      DropFiles(20, true, std::string("C\0:\0\\", 5)),                    // a wide name without its zero
      DropFiles(20, false, std::string("\0\0", 2)),                       // no name at all
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    for (DWORD tymed : {DWORD{TYMED_HGLOBAL}, DWORD{TYMED_ISTREAM}}) {
      EXPECT_EQ(Write(d, CF_HDROP, bad[i], tymed), E_INVALIDARG) << i;
      EXPECT_EQ(Items(*s.Files()), (std::vector<std::string>{"C:\\mine.txt"})) << i;
    }
  }
  // Nothing of it is kept and offered back: the component's own list is what targets get.
  EXPECT_EQ(s.RawDataFormat().CompatibleFormats().Count(), 0);
  EXPECT_EQ(test::ReadHDrop(d), (std::vector<std::string>{"C:\\mine.txt"}));
  // Map blocks whose names do not end inside them are refused the same way.
  EXPECT_EQ(Write(d, FormatId("FileNameMap"), std::string("abc", 3)), E_INVALIDARG);
  EXPECT_EQ(Write(d, FormatId("FileNameMapW"), std::string("a\0b", 3)), E_INVALIDARG);
  EXPECT_EQ(s.MappedNames()->Count(), 0);
}

TEST_F(DropFileSource, FilesAreCopiedInAndEveryEditAnnouncesItself) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  TStringList source;
  source.Add("C:\\1");
  source.Add("C:\\2");
  s.SetFiles(&source);
  source.Add("C:\\3");
  source.Delete(0);
  EXPECT_EQ(Items(*s.Files()), (std::vector<std::string>{"C:\\1", "C:\\2"}));
  s.SetMappedNames(&source);
  EXPECT_EQ(Items(*s.MappedNames()), (std::vector<std::string>{"C:\\2", "C:\\3"}));

  struct TCount {
    int N = 0;
    void Handler(TObject*) { ++N; }
  } files, maps;
  // The data formats' announcements are bound to the component's DataChanging; count them
  // through a second listener chained in front.
  TFileDataFormat& fdf = s.FileDataFormat();
  TNotifyEvent original = fdf.OnChanging;
  EXPECT_TRUE(original == TNotifyEvent(static_cast<TCustomDropSource*>(&s), &TCustomDropSource::DataChanging));
  EXPECT_TRUE(s.FileMapDataFormat().OnChanging ==
              TNotifyEvent(static_cast<TCustomDropSource*>(&s), &TCustomDropSource::DataChanging));
  fdf.OnChanging = TNotifyEvent(&files, &TCount::Handler);
  s.FileMapDataFormat().OnChanging = TNotifyEvent(&maps, &TCount::Handler);
  s.Files()->Add("x");
  s.Files()->Clear();
  s.SetFiles(&source);
  s.MappedNames()->Add("y");
  EXPECT_EQ(files.N, 3);
  EXPECT_EQ(maps.N, 1);
  fdf.OnChanging = original;
}

TEST_F(DropFileSource, DataFormatsAndTheirClipboardFormatsComeInRegistryOrder) {
  const std::unique_ptr<TDropFileSource> sPtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& s = *sPtr;
  TDataFormats& list = *s.DataFormats();
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Formats(0), &s.FeedbackDataFormat());
  EXPECT_EQ(list.Formats(1), &s.RawDataFormat());
  EXPECT_EQ(list.Formats(2), &s.FileDataFormat());
  EXPECT_EQ(list.Formats(3), &s.FileMapDataFormat());
  auto classes = [](const TClipboardFormats& f) {
    std::vector<std::string> r;
    for (int i = 0; i < f.Count(); ++i) r.push_back(f.Formats(i)->ClassName());
    return r;
  };
  EXPECT_EQ(classes(s.FileDataFormat().CompatibleFormats()),
            (std::vector<std::string>{"TFileClipboardFormat", "TPIDLClipboardFormat", "TFilenameWClipboardFormat",
                                      "TFilenameClipboardFormat"}));
  EXPECT_EQ(classes(s.FileMapDataFormat().CompatibleFormats()),
            (std::vector<std::string>{"TFilenameMapWClipboardFormat", "TFilenameMapClipboardFormat"}));
  // A file data format of no component has the same formats (both scopes).
  TFileDataFormat free(nullptr);
  EXPECT_EQ(free.CompatibleFormats().Count(), 4);
  EXPECT_EQ(free.Owner(), nullptr);
  // Registered classes, in unit order.
  std::vector<std::string> names;
  for (int i = 0; i < TDataFormatClasses::Instance().Count(); ++i)
    names.push_back(TDataFormatClasses::Instance().Items(i)->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"TTextDataFormat", "TDataStreamDataFormat", "TVirtualFileStreamDataFormat",
                                             "TPIDLDataFormat", "TFileDataFormat", "TFileMapDataFormat"}));
  // The file formats know their fixed names.
  TFilenameClipboardFormat fn;
  EXPECT_EQ(fn.GetClipboardFormatName(), "FileName");
  EXPECT_THROW(fn.SetClipboardFormatName("Other"), Exception);
  TFilenameMapWClipboardFormat mapW;
  EXPECT_EQ(mapW.GetClipboardFormatName(), "FileNameMapW");
}

TEST_F(DropFileSource, TheFileNameFormatsConvertOnTheirOwnToo) {
  TFileDataFormat files(nullptr);
  TFilenameClipboardFormat name;
  TFilenameWClipboardFormat wide;
  // An empty list gives no name.
  EXPECT_FALSE(name.Assign(&files));
  EXPECT_FALSE(wide.Assign(&files));
  files.Files().Add("C:\\\xE9t\xE9.txt");  // 8-bit, ANSI code page
  files.Files().Add("C:\\second");
  ASSERT_TRUE(name.Assign(&files));
  EXPECT_EQ(name.Text(), "C:\\\xE9t\xE9.txt");
  ASSERT_TRUE(wide.Assign(&files));
  EXPECT_EQ(wide.GetText(), AnsiToWide("C:\\\xE9t\xE9.txt"));
  TFileDataFormat other(nullptr);
  ASSERT_TRUE(wide.AssignTo(&other));
  ASSERT_TRUE(name.AssignTo(&other));
  EXPECT_EQ(Items(other.Files()), (std::vector<std::string>(2, "C:\\\xE9t\xE9.txt")));
  // Through the data format's side of the table.
  TFileClipboardFormat hdrop;
  ASSERT_TRUE(other.AssignTo(&hdrop));
  EXPECT_EQ(Items(hdrop.Files()), Items(other.Files()));
  ASSERT_TRUE(files.Assign(&hdrop));
  EXPECT_EQ(Items(files.Files()), Items(other.Files()));
}

TEST_F(DropFileSource, PublishedPropertiesTravelWithTheForm) {
  RegisterClass(TDropFileSource::StaticClass());
  RegisterClass(TImageList::StaticClass());
  TMemoryStream stream;
  {
    const std::unique_ptr<TComponent> rootPtr(NewComponent<TComponent>(nullptr));
    TComponent& root = *rootPtr;
    root.SetName("Holder");
    auto* images = NewComponent<TImageList>(&root);
    images->SetName("Images1");
    auto* s = NewComponent<TDropFileSource>(&root);
    s->SetName("Source1");
    s->SetDragTypes(DragTypeBit(dtCopy) | DragTypeBit(dtLink));
    s->SetImages(images);
    s->SetImageHotSpotX(4);
    s->SetImageHotSpotY(5);
    s->SetAllowAsyncTransfer(true);
    s->Files()->Add("C:\\one");
    s->Files()->Add("C:\\two");
    s->MappedNames()->Add("uno");
    WriteComponent(stream, &root);
  }
  stream.SetPosition(0);
  const std::unique_ptr<TComponent> copyPtr(NewComponent<TComponent>(nullptr));
  TComponent& copy = *copyPtr;
  ReadComponent(stream, &copy);
  auto* s = dynamic_cast<TDropFileSource*>(copy.FindComponent("Source1"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->DragTypes(), DragTypeBit(dtCopy) | DragTypeBit(dtLink));
  EXPECT_EQ(s->Images(), copy.FindComponent("Images1"));
  EXPECT_EQ(s->ImageHotSpotX(), 4);
  EXPECT_EQ(s->ImageHotSpotY(), 5);
  EXPECT_TRUE(s->AllowAsyncTransfer());
  EXPECT_EQ(Items(*s->Files()), (std::vector<std::string>{"C:\\one", "C:\\two"}));
  EXPECT_EQ(Items(*s->MappedNames()), (std::vector<std::string>{"uno"}));
  // A source read from a form is a working source: its formats came from the registry.
  EXPECT_EQ(test::ReadHDrop(s->AsDataObject()), (std::vector<std::string>{"C:\\one", "C:\\two"}));
  UnRegisterClass(TDropFileSource::StaticClass());
  UnRegisterClass(TImageList::StaticClass());
}

}  // namespace
}  // namespace korv
