#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "UnicodeTestSupport.h"
#include "classlib/Classes.h"
#include "classlib/Handles.h"
#include "shell/unicode/TntClasses.h"
#include "shell/unicode/TntSysUtils.h"

namespace korv {
namespace {

using Bytes = std::vector<uint8_t>;
using W = std::vector<std::wstring>;
using test::FullPath;
using test::Lines;
using test::SystemText;
using test::TSandbox;
using test::Utf16Bytes;

Bytes StreamBytes(TMemoryStream& ms) {
  const auto* p = static_cast<const uint8_t*>(ms.Memory());
  return Bytes(p, p + ms.Size());
}

void Put(TMemoryStream& ms, const Bytes& b) {
  if (!b.empty()) ms.WriteBuffer(b.data(), static_cast<int32_t>(b.size()));
}

std::string Narrow(const std::wstring& s) { return WideToAnsiCP(s, CP_ACP); }

TEST(CharSetTest, MarksAreRecognisedOnlyWhenWhole) {
  struct Case {
    Bytes Data;
    TStreamCharSet CharSet;
    size_t Mark;
  };
  const Case cases[] = {
      {{0xFF, 0xFE}, scUtf16, 2},
      {{0xFF, 0xFE, 'a', 0}, scUtf16, 2},
      {{0xFE, 0xFF, 0, 'a'}, scUtf16Swapped, 2},
      {{0xEF, 0xBB, 0xBF}, scUtf8, 3},
      {{0xEF, 0xBB, 0xBF, 'x'}, scUtf8, 3},
      {{0xEF, 0xBB}, scAnsi, 0},  // a truncated UTF-8 mark
      {{0xEF, 0xBB, 0xBE}, scAnsi, 0},
      {{0xFF}, scAnsi, 0},
      {{0xFE, 0xFE}, scAnsi, 0},
      {{}, scAnsi, 0},
      {{'a', 'b', 'c'}, scAnsi, 0},
  };
  for (const Case& c : cases) {
    test::TGuardedBuffer buf(c.Data.data(), c.Data.size());
    const TCharSetMark m = DetectCharSet(buf.Data(), buf.Size());
    EXPECT_EQ(m.CharSet, c.CharSet) << c.Data.size();
    EXPECT_EQ(m.MarkLength, c.Mark) << c.Data.size();
  }
}

TEST(CharSetTest, StreamDetectionLeavesTheStreamAfterTheMark) {
  TMemoryStream ms;
  Put(ms, {'x', 0xEF, 0xBB, 0xBF, 'a'});
  ms.SetPosition(1);
  EXPECT_EQ(DetectStreamCharSet(ms), scUtf8);
  EXPECT_EQ(ms.Position(), 4);
  ms.SetPosition(0);
  EXPECT_EQ(DetectStreamCharSet(ms), scAnsi);
  EXPECT_EQ(ms.Position(), 0);
  ms.SetPosition(4);
  EXPECT_EQ(DetectStreamCharSet(ms), scAnsi);  // one byte left
  EXPECT_EQ(ms.Position(), 4);
  ms.SetPosition(5);
  EXPECT_EQ(DetectStreamCharSet(ms), scAnsi);
  EXPECT_EQ(ms.Position(), 5);
}

TEST(CharSetTest, DecodeTextFollowsTheLoaderRules) {
  EXPECT_EQ(DecodeText("a\0b\0c", 5, scUtf16), L"ab");  // odd byte dropped
  EXPECT_EQ(DecodeText("a", 1, scUtf16), L"");
  EXPECT_EQ(DecodeText("\0a\0\0b\0", 6, scUtf16Swapped), std::wstring(L"a\0b", 3));  // swapped up to the NUL
  EXPECT_EQ(DecodeText("caf\xC3\xA9", 5, scUtf8), L"caf\x00E9");
  EXPECT_EQ(DecodeText("caf\xE9", 4, scAnsi), AnsiToWideCP("caf\xE9", CP_ACP));
  EXPECT_EQ(DecodeText(nullptr, 0, scUtf8), L"");
}

// ---------------------------------------------------------------------------------------------
// Loading and saving files

class TntFileTest : public ::testing::Test {
 protected:
  TSandbox Dir;
  std::wstring Name = Dir.PathOf(L"list.txt");
};

TEST_F(TntFileTest, SavingWritesUtf16LeWithTheMark) {
  TTntStringList l;
  EXPECT_EQ(l.FileCharSet(), scUtf16);
  l.SaveToFile(Name);
  EXPECT_EQ(test::ReadFileBytes(Name), (Bytes{0xFF, 0xFE}));  // an empty list: just the mark
  l.Add(L"a");
  l.Add(L"\x0434");
  l.Add(L"");
  l.SaveToFile(Name);
  EXPECT_EQ(test::ReadFileBytes(Name), Utf16Bytes(L"a\r\n\x0434\r\n\r\n", true));
}

TEST_F(TntFileTest, LoadingDetectsTheCharacterSet) {
  struct Case {
    Bytes File;
    TStreamCharSet CharSet;
    W Lines;
  };
  const Case cases[] = {
      {Utf16Bytes(L"a\r\n\x0434\x263A\r\nz", true), scUtf16, {L"a", L"\x0434\x263A", L"z"}},
      {{0xFE, 0xFF, 0, 'a', 0, '\r', 0, '\n', 0x04, 0x34}, scUtf16Swapped, {L"a", L"\x0434"}},
      {{0xFE, 0xFF, 0, 'a', 0, 0, 0, 'b'}, scUtf16Swapped, {L"a"}},  // a NUL ends the text
      {{0xEF, 0xBB, 0xBF, 'c', 'a', 'f', 0xC3, 0xA9, '\n', 0xE2, 0x98, 0xBA}, scUtf8, {L"caf\x00E9", L"\x263A"}},
      {{'c', 'a', 'f', 0xE9, '\r', '\n', 'x'}, scAnsi, {AnsiToWideCP("caf\xE9", CP_ACP), L"x"}},
      {{'x'}, scAnsi, {L"x"}},  // one byte: one line of 8-bit text
      {{0xEF, 0xBB}, scAnsi, {AnsiToWideCP("\xEF\xBB", CP_ACP)}},
      {{}, scAnsi, {}},
      {{0xFF, 0xFE}, scUtf16, {}},
      {{0xFF, 0xFE, 'a', 0, 'b'}, scUtf16, {L"a"}},  // odd length: the last byte is dropped
      {{0xFF, 0xFE, 'a'}, scUtf16, {}},
  };
  for (const Case& c : cases) {
    test::WriteFileBytes(Name, c.File);
    TTntStringList l;
    l.Add(L"old");
    l.LoadFromFile(Name);
    EXPECT_EQ(l.FileCharSet(), c.CharSet) << c.File.size();
    EXPECT_EQ(Lines(l), c.Lines) << c.File.size();
  }
}

TEST_F(TntFileTest, SavingIgnoresTheLoadedCharacterSet) {
  test::WriteFileBytes(Name, {'o', 'n', 'e', '\r', '\n', 't', 'w', 'o'});
  TTntStringList l;
  l.LoadFromFile(Name);
  EXPECT_EQ(l.FileCharSet(), scAnsi);
  l.SaveToFile(Name);
  EXPECT_EQ(l.FileCharSet(), scAnsi);
  EXPECT_EQ(test::ReadFileBytes(Name), Utf16Bytes(L"one\r\ntwo\r\n", true));
}

TEST_F(TntFileTest, NonAsciiFileNamesRoundTrip) {
  const std::wstring name = Dir.PathOf(L"\x0441\x043F\x0438\x0441\x043E\x043A \x263A.txt");
  TTntStringList l;
  l.Add(L"\x65E5\x672C");
  l.SaveToFile(name);
  TTntStringList back;
  back.LoadFromFile(name);
  EXPECT_EQ(Lines(back), W{L"\x65E5\x672C"});
  EXPECT_NE(GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TntFileTest, EightBitBranchOpensMappableNames) {
  test::TForceAnsiPlatform force;
  const std::wstring name = Dir.PathOf(L"caf\x00E9.txt");
  TTntStringList l;
  l.Add(L"x");
  l.SaveToFile(name);
  TTntStringList back;
  back.LoadFromFile(name);
  EXPECT_EQ(Lines(back), W{L"x"});
}

TEST_F(TntFileTest, LoadingFailsWhileAnotherHandleMayWrite) {
  test::WriteFileBytes(Name, Utf16Bytes(L"a", true));
  TUniqueFileHandle writer(
      CreateFileW(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  TTntStringList l;
  l.Add(L"kept");
  try {
    l.LoadFromFile(Name);
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open file \"" + Narrow(FullPath(Name)) + "\". " + Narrow(SystemText(ERROR_SHARING_VIOLATION)));
  }
  EXPECT_EQ(Lines(l), W{L"kept"});
  writer.Reset();
  l.LoadFromFile(Name);
  EXPECT_EQ(Lines(l), W{L"a"});
}

TEST_F(TntFileTest, ReadersShareButSavingNeedsTheFileAlone) {
  test::WriteFileBytes(Name, Utf16Bytes(L"a", true));
  TTntFileStream reader(Name, fmOpenRead | fmShareDenyWrite);
  TTntStringList l;
  l.LoadFromFile(Name);  // reading while another reader denies writing
  EXPECT_EQ(Lines(l), W{L"a"});
  try {
    l.SaveToFile(Name);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + Narrow(FullPath(Name)) + "\". " + Narrow(SystemText(ERROR_SHARING_VIOLATION)));
  }
}

// ---------------------------------------------------------------------------------------------
// TTntFileStream

TEST_F(TntFileTest, FileStreamErrorsNameTheFullPathAndTheSystemText) {
  const std::wstring missing = L"no-such-file-\x263A.txt";
  try {
    TTntFileStream s(missing, fmOpenRead);
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open file \"" + Narrow(FullPath(missing)) + "\". " + Narrow(SystemText(ERROR_FILE_NOT_FOUND)));
  }
  const std::wstring badFolder = Dir.PathOf(L"missing\\file.txt");
  try {
    TTntFileStream s(badFolder, fmCreate);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + Narrow(FullPath(badFolder)) + "\". " +
                                         Narrow(SystemText(ERROR_PATH_NOT_FOUND)));
  }
  test::WriteFileBytes(Name, {1});
  try {
    TTntFileStream s(Name, fmOpenRead | 0x70);  // no such sharing value
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(Narrow(SystemText(ERROR_INVALID_PARAMETER))), std::string::npos);
  }
}

TEST_F(TntFileTest, FileStreamReadsWritesAndClosesItsHandle) {
  {
    TTntFileStream s(Name, fmCreate);
    s.WriteBuffer("hello", 5);
    EXPECT_EQ(s.Size(), 5);
  }
  {
    TTntFileStream s(Name, fmOpenReadWrite | fmShareExclusive);
    char buf[5];
    s.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    s.SetPosition(0);
    s.WriteBuffer("J", 1);
  }
  EXPECT_EQ(test::ReadFileBytes(Name), (Bytes{'J', 'e', 'l', 'l', 'o'}));
  {
    TTntFileStream s(Name, fmCreate);  // truncates
  }
  EXPECT_TRUE(test::ReadFileBytes(Name).empty());
  EXPECT_TRUE(DeleteFileW(Name.c_str()));  // no handle was left open
}

// ---------------------------------------------------------------------------------------------
// Streams

TEST(TntStreamTest, MarkedLoadingWithoutDetectionReadsUtf16) {
  TTntStringList l;
  TMemoryStream one;
  Put(one, {'a'});
  one.SetPosition(0);
  l.Add(L"old");
  l.LoadFromStreamMarked(one, false);
  EXPECT_EQ(l.GetCount(), 0);  // one remaining byte: an empty text
  TMemoryStream ms;
  Put(ms, {0xFF, 0xFE, 'a', 0, 'b'});
  ms.SetPosition(0);
  l.LoadFromStreamMarked(ms, false);
  EXPECT_EQ(Lines(l), W{L"\xFEFF"
                        L"a"});
  EXPECT_EQ(ms.Position(), ms.Size());
  EXPECT_EQ(l.FileCharSet(), scUtf16);  // only loading a file sets it
}

TEST(TntStreamTest, LoadingStartsAtTheStreamPosition) {
  TMemoryStream ms;
  Put(ms, {'x', 'y'});
  Put(ms, Utf16Bytes(L"p\r\nq", true));
  ms.SetPosition(2);
  TTntStringList l;
  l.LoadFromStream(ms);
  EXPECT_EQ(Lines(l), (W{L"p", L"q"}));
  TMemoryStream out;
  l.SaveToStreamMarked(out, false);
  EXPECT_EQ(StreamBytes(out), Utf16Bytes(L"p\r\nq\r\n", false));
  TMemoryStream marked;
  l.SaveToStream(marked);
  EXPECT_EQ(StreamBytes(marked), Utf16Bytes(L"p\r\nq\r\n", true));
}

TEST(TntStreamTest, SortedListsLoadThroughTheDuplicatesRule) {
  TMemoryStream ms;
  Put(ms, Utf16Bytes(L"b\r\na\r\nB\r\nc", true));
  ms.SetPosition(0);
  TTntStringList l;
  l.SetSorted(true);
  l.LoadFromStream(ms);
  EXPECT_EQ(Lines(l), (W{L"a", L"b", L"c"}));
}

TEST(TntStreamTest, LongLinesSaveWhole) {
  TTntStringList l;
  const std::wstring big(200000, L'\x263A');
  l.Add(L"x");
  l.Add(big);
  l.Add(L"y");
  TMemoryStream ms;
  l.SaveToStream(ms);
  EXPECT_EQ(StreamBytes(ms), Utf16Bytes(L"x\r\n" + big + L"\r\ny\r\n", true));
  ms.SetPosition(0);
  TTntStringList back;
  back.LoadFromStream(ms);
  EXPECT_EQ(Lines(back), Lines(l));
}

TEST(TntStreamTest, EditedLoadedListsSaveTheirCurrentText) {
  // Many lines, loaded in one piece, then changed here and there.
  std::wstring text;
  W lines;
  for (int i = 0; i < 30000; ++i) {
    lines.push_back(L"line " + std::to_wstring(i) + (i % 7 == 0 ? L" \x263A" : L""));
    text += lines.back() + (i % 1000 == 999 ? L"\n" : L"\r\n");  // a few bare LFs
  }
  text += L"last without break";
  lines.push_back(L"last without break");
  TMemoryStream in;
  Put(in, Utf16Bytes(text, true));
  in.SetPosition(0);
  TTntStringList l;
  l.LoadFromStream(in);
  ASSERT_EQ(Lines(l), lines);
  l.Put(5, L"changed");
  lines[5] = L"changed";
  l.Delete(20000);
  lines.erase(lines.begin() + 20000);
  l.Insert(100, L"inserted");
  lines.insert(lines.begin() + 100, L"inserted");
  l.Exchange(1, 29000);
  std::swap(lines[1], lines[29000]);
  std::wstring expected;
  for (const auto& s : lines) expected += s + L"\r\n";
  TMemoryStream out;
  l.SaveToStream(out);
  EXPECT_EQ(StreamBytes(out), Utf16Bytes(expected, true));
}

// ---------------------------------------------------------------------------------------------
// The 8-bit view

TEST(AnsiAdapterTest, PresentsTheWideListInTheAdapterCodePage) {
  TTntStringList l;
  l.Add(L"caf\x00E9");
  l.Add(L"\x263A");
  TAnsiStrings* a = l.AnsiStrings();
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Count(), 2);
  EXPECT_EQ(a->Get(0), WideToAnsiCP(L"caf\x00E9", DefaultCodePage));
  EXPECT_EQ(a->Get(1), WideToAnsiCP(L"\x263A", DefaultCodePage));
  a->Insert(0, "first");
  a->Put(1, "caf\xE9!");
  TObject o;
  a->PutObject(2, &o);
  EXPECT_EQ(Lines(l), (W{L"first", AnsiToWideCP("caf\xE9!", DefaultCodePage), L"\x263A"}));
  EXPECT_EQ(l.GetObject(2), &o);
  EXPECT_EQ(a->GetObject(2), &o);
  a->Delete(0);
  EXPECT_EQ(l.GetCount(), 2);
  a->BeginUpdate();
  EXPECT_EQ(l.UpdateCount(), 1);
  a->EndUpdate();
  EXPECT_EQ(l.UpdateCount(), 0);
  a->Clear();
  EXPECT_EQ(l.GetCount(), 0);

  TAnsiStringsForWideStringsAdapter cyrillic(&l, 1251);
  EXPECT_EQ(cyrillic.GetAdapterCodePage(), 1251u);
  EXPECT_EQ(static_cast<TAnsiStringsForWideStringsAdapter*>(a)->GetAdapterCodePage(), DefaultCodePage);
  cyrillic.Add("\xE4\xE0");
  EXPECT_EQ(l.Get(0), L"\x0434\x0430");
  EXPECT_EQ(cyrillic.Get(0), "\xE4\xE0");
}

TEST(AnsiAdapterTest, SettingTheViewReplacesTheContents) {
  TTntStringList l;
  l.Add(L"old");
  TStringList src;
  src.Add("one");
  src.Add("two");
  l.SetAnsiStrings(&src);
  EXPECT_EQ(Lines(l), (W{L"one", L"two"}));
  l.Assign(l.AnsiStrings());  // the list from its own view: nothing lost
  EXPECT_EQ(Lines(l), (W{L"one", L"two"}));
  TStringList copy;
  copy.Assign(l.AnsiStrings());
  EXPECT_EQ(copy.Text(), "one\r\ntwo\r\n");
}

TEST(AnsiAdapterTest, StreamsInAnyCodePage) {
  TTntStringList l;
  TMemoryStream in;
  const std::string utf7 = "Hi Mom -+Jjo--!\r\n+ZeVnLIqe";
  in.WriteBuffer(utf7.data(), static_cast<int32_t>(utf7.size()));
  in.SetPosition(0);
  l.AnsiStrings()->LoadFromStreamCodePage(in, CP_UTF7_CODEC);
  EXPECT_EQ(Lines(l), (W{L"Hi Mom -\x263A-!", L"\x65E5\x672C\x8A9E"}));
  TMemoryStream out;
  l.AnsiStrings()->SaveToStreamCodePage(out, CP_UTF8);
  const std::string expected = "Hi Mom -\xE2\x98\xBA-!\r\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n";
  EXPECT_EQ(std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size())), expected);

  TMemoryStream bad;
  bad.WriteBuffer("ok+", 3);
  bad.SetPosition(0);
  EXPECT_THROW(l.AnsiStrings()->LoadFromStreamCodePage(bad, CP_UTF7_CODEC), ETntGeneralError);
  EXPECT_EQ(l.GetCount(), 2);  // unchanged
  EXPECT_EQ(l.UpdateCount(), 0);
}

}  // namespace
}  // namespace korv
