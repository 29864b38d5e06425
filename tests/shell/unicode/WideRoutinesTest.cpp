#include <gtest/gtest.h>

#include <string>

#include "UnicodeTestSupport.h"
#include "classlib/Classes.h"
#include "classlib/Handles.h"
#include "shell/unicode/TntSysUtils.h"
#include "shell/unicode/TntSystem.h"
#include "shell/unicode/TntWindows.h"

namespace korv {
namespace {

using test::FullPath;
using test::SystemText;
using test::TForceAnsiPlatform;
using test::TSandbox;

TEST(WStrTest, AllocKeepsTheByteSizeBeforeTheText) {
  wchar_t* p = WStrAlloc(10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(WStrBufSize(p), 24u);
  EXPECT_EQ(p[0], L'\0');
  WStrDispose(p);
  EXPECT_EQ(WStrBufSize(nullptr), 0u);
  WStrDispose(nullptr);
  EXPECT_THROW((void)WStrAlloc(size_t{0x80000000}), EOutOfMemory);
}

TEST(WStrTest, NewCopiesWithTheTerminator) {
  EXPECT_EQ(WStrNew(nullptr), nullptr);
  wchar_t* p = WStrNew(L"ab\x263A");
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p, L"ab\x263A");
  EXPECT_EQ(WStrBufSize(p), 4u * 2 + 4);
  EXPECT_EQ(WStrLen(p), 3u);
  EXPECT_EQ(WStrEnd(p), p + 3);
  WStrDispose(p);
  EXPECT_EQ(WStrLen(nullptr), 0u);
}

TEST(WStrTest, LCopyStopsAtTheLimitOrTheNulAndTerminates) {
  wchar_t buf[8];
  std::wmemset(buf, L'#', 8);
  WStrLCopy(buf, L"abcdef", 3);
  EXPECT_STREQ(buf, L"abc");
  EXPECT_EQ(buf[4], L'#');
  WStrLCopy(buf, L"xy", 6);
  EXPECT_STREQ(buf, L"xy");
  WStrLCopy(buf, L"abc", 0);
  EXPECT_STREQ(buf, L"");
}

TEST(WStrTest, ScanFindsCharactersAndTheTerminator) {
  const wchar_t* s = L"a\\b\\c";
  EXPECT_EQ(WStrScan(s, L'\\'), s + 1);
  EXPECT_EQ(WStrScan(s, L'z'), nullptr);
  EXPECT_EQ(WStrScan(s, L'\0'), s + 5);
  EXPECT_EQ(WStrScan(static_cast<const wchar_t*>(nullptr), L'a'), nullptr);
}

TEST(WidePathTest, TrailingBackslashes) {
  EXPECT_EQ(WideIncludeTrailingBackslash(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(WideIncludeTrailingBackslash(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(WideIncludeTrailingBackslash(L""), L"\\");
  EXPECT_EQ(WideExcludeTrailingBackslash(L"C:\\a\\\\"), L"C:\\a\\");  // one only
  EXPECT_EQ(WideExcludeTrailingBackslash(L"C:\\a"), L"C:\\a");
  EXPECT_EQ(WideExcludeTrailingBackslash(L""), L"");
}

TEST(WidePathTest, LastDelimiterIsOneBased) {
  EXPECT_EQ(WideLastDelimiter(L"\\:", L"C:\\a\\b"), 5u);
  EXPECT_EQ(WideLastDelimiter(L"\\:", L"C:b"), 2u);
  EXPECT_EQ(WideLastDelimiter(L"\\:", L"name"), 0u);
  EXPECT_EQ(WideLastDelimiter(L"", L"a\\b"), 0u);
}

TEST(WidePathTest, PathAndNameSplitAtTheLastBackslashOrColon) {
  EXPECT_EQ(WideExtractFilePath(L"C:name"), L"C:");
  EXPECT_EQ(WideExtractFileName(L"C:name"), L"name");
  EXPECT_EQ(WideExtractFilePath(L"C:\\dir\\f\x00E9.txt"), L"C:\\dir\\");
  EXPECT_EQ(WideExtractFileName(L"C:\\dir\\f\x00E9.txt"), L"f\x00E9.txt");
  EXPECT_EQ(WideExtractFilePath(L"name"), L"");
  EXPECT_EQ(WideExtractFileName(L"name"), L"name");
  EXPECT_EQ(WideExtractFileName(L"C:\\dir\\"), L"");
}

TEST(WidePathTest, DriveOfDriveLettersUncNamesAndRelativeNames) {
  EXPECT_EQ(WideExtractFileDrive(L"\\\\server\\share\\dir\\file.txt"), L"\\\\server\\share");
  EXPECT_EQ(WideExtractFileDrive(L"\\\\server\\share"), L"\\\\server\\share");
  EXPECT_EQ(WideExtractFileDrive(L"\\\\server\\share\\"), L"\\\\server\\share");
  EXPECT_EQ(WideExtractFileDrive(L"C:"), L"C:");
  EXPECT_EQ(WideExtractFileDrive(L"C:\\Windows"), L"C:");
  EXPECT_EQ(WideExtractFileDrive(L"dir\\file"), L"");
  EXPECT_EQ(WideExtractFileDrive(L"\\dir"), L"");
  EXPECT_EQ(WideExtractFileDrive(L"\\\\"), L"\\\\");
  EXPECT_EQ(WideExtractFileDrive(L""), L"");
}

class WideBranchTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) Force_ = std::make_unique<TForceAnsiPlatform>();
  }
  std::unique_ptr<TForceAnsiPlatform> Force_;
};

TEST_P(WideBranchTest, ExpandFileNameHandlesPathsLongerThanTheFirstBuffer) {
  // A relative name the 8-bit calls accept whose full path still exceeds 260 characters.
  std::wstring name;
  while (name.size() < 240) name += L"segment\\";
  name += L"file.txt";
  const std::wstring expected = FullPath(name);
  ASSERT_GT(expected.size(), 260u);
  EXPECT_EQ(WideExpandFileName(L"short.txt"), FullPath(L"short.txt"));
  if (GetParam()) {
    EXPECT_EQ(WideExpandFileName(name), expected);
    std::wstring longer;
    while (longer.size() < 1000) longer += L"segment\\";
    EXPECT_EQ(WideExpandFileName(longer + L"x"), FullPath(longer + L"x"));
  } else {
    // The 8-bit call may refuse results past MAX_PATH (it does under Wine): then the result is
    // empty, never a cut or garbage path.
    char probe[MAX_PATH];
    const std::string narrow = WideToAnsiCP(name, CP_ACP);
    const bool platformCan = GetFullPathNameA(narrow.c_str(), MAX_PATH, probe, nullptr) != 0;
    EXPECT_EQ(WideExpandFileName(name), platformCan ? expected : std::wstring());
  }
}

TEST_P(WideBranchTest, GetFullPathNameReportsTheNeededSizeAndTheFilePart) {
  const std::wstring name = L"folder\\f\x00E9.txt";
  const std::wstring full = FullPath(name);
  wchar_t small[4] = {L'x', L'x', L'x', L'x'};
  wchar_t* part = small;
  DWORD n = WideGetFullPathName(name.c_str(), 4, small, part);
  EXPECT_EQ(n, full.size() + 1);
  if (!GetParam()) {
    EXPECT_EQ(small[0], L'\0');  // the 8-bit branch leaves an empty string
    EXPECT_EQ(part, nullptr);
  }
  wchar_t buf[MAX_PATH];
  n = WideGetFullPathName(name.c_str(), MAX_PATH, buf, part);
  EXPECT_EQ(n, full.size());
  EXPECT_EQ(std::wstring(buf), full);
  ASSERT_NE(part, nullptr);
  EXPECT_STREQ(part, L"f\x00E9.txt");
}

TEST_P(WideBranchTest, UpperCaseMapsWhatTheBranchCanMap) {
  EXPECT_EQ(WideUpperCaseEx(L"abc \x00E9z"), L"ABC \x00C9Z");
  EXPECT_EQ(WideCharUpper(L'q'), L'Q');
  // U+0434 has no 8-bit form in a Latin default code page: only the UTF-16 branch maps it.
  const wchar_t cyr = L'\x0434';
  if (GetParam() || IsWideCharMappable(cyr))
    EXPECT_EQ(WideCharUpper(cyr), L'\x0414');
  else
    EXPECT_EQ(WideCharUpper(cyr), cyr);
  wchar_t text[] = L"mixed Case";
  EXPECT_EQ(WideCharUpper(text), text);
  EXPECT_STREQ(text, L"MIXED CASE");
  wchar_t part[] = L"abcd";
  EXPECT_EQ(WideCharUpperBuff(part, 2), 2u);
  EXPECT_STREQ(part, L"ABcd");
}

TEST_P(WideBranchTest, SysErrorMessageIsTheTrimmedSystemText) {
  for (DWORD code : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_PATH_NOT_FOUND}, DWORD{ERROR_SHARING_VIOLATION}}) {
    const std::wstring text = WideSysErrorMessage(code);
    EXPECT_EQ(text, SystemText(code));
    ASSERT_FALSE(text.empty());
    EXPECT_GT(text.back(), L' ');
  }
  // A code the system has no text for.
  EXPECT_EQ(WideSysErrorMessage(0x2000ABCD), L"Unspecified error (536914893) from system.");
  EXPECT_EQ(WideSysErrorMessage(0xDEADBEEF), L"Unspecified error (-559038737) from system.");
}

TEST_P(WideBranchTest, CreateFileOpensNonAsciiNames) {
  TSandbox dir;
  const std::wstring name = dir.PathOf(L"\x00E9t\x00E9.txt");
  TUniqueFileHandle h(WideCreateFile(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(h);
  h.Reset();
  EXPECT_NE(GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Branches, WideBranchTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

// ---------------------------------------------------------------------------------------------
// Opening files: access and sharing on real files

// Tries to open the file a second time; returns the error code (0 when it opened).
DWORD SecondOpen(const std::wstring& name, DWORD access) {
  HANDLE h = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return 0;
}

class WideFileOpenTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFileBytes(Name, {'d', 'a', 't', 'a'}); }
  TSandbox Dir;
  std::wstring Name = Dir.PathOf(L"shared.bin");
};

TEST_F(WideFileOpenTest, SharingBitsDecideWhoElseMayOpen) {
  struct Case {
    uint32_t Mode;
    bool OthersRead;
    bool OthersWrite;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareCompat, false, false},   {fmOpenRead | fmShareExclusive, false, false},
      {fmOpenRead | fmShareDenyWrite, true, false}, {fmOpenRead | fmShareDenyRead, false, true},
      {fmOpenRead | fmShareDenyNone, true, true},
  };
  for (const Case& c : cases) {
    TUniqueFileHandle h(WideFileOpen(Name, c.Mode));
    ASSERT_TRUE(h) << std::hex << c.Mode;
    EXPECT_EQ(SecondOpen(Name, GENERIC_READ), c.OthersRead ? 0u : DWORD{ERROR_SHARING_VIOLATION}) << c.Mode;
    EXPECT_EQ(SecondOpen(Name, GENERIC_WRITE), c.OthersWrite ? 0u : DWORD{ERROR_SHARING_VIOLATION}) << c.Mode;
  }
}

TEST_F(WideFileOpenTest, AccessBitsDecideWhatTheHandleMayDo) {
  char buf[4];
  DWORD done = 0;
  {
    TUniqueFileHandle h(WideFileOpen(Name, fmOpenRead | fmShareDenyNone));
    ASSERT_TRUE(h);
    EXPECT_TRUE(ReadFile(h.Get(), buf, 4, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_FALSE(WriteFile(h.Get(), "x", 1, &done, nullptr));
  }
  {
    TUniqueFileHandle h(WideFileOpen(Name, fmOpenWrite | fmShareDenyNone));
    ASSERT_TRUE(h);
    EXPECT_FALSE(ReadFile(h.Get(), buf, 4, &done, nullptr));
    EXPECT_TRUE(WriteFile(h.Get(), "X", 1, &done, nullptr));
  }
  {
    TUniqueFileHandle h(WideFileOpen(Name, fmOpenReadWrite | fmShareDenyNone));
    ASSERT_TRUE(h);
    EXPECT_TRUE(ReadFile(h.Get(), buf, 4, &done, nullptr));
    EXPECT_EQ(std::string(buf, 4), "Xata");
    EXPECT_TRUE(WriteFile(h.Get(), "!", 1, &done, nullptr));
  }
}

TEST_F(WideFileOpenTest, UnknownSharingValueAndMissingFilesFail) {
  SetLastError(0);
  EXPECT_EQ(WideFileOpen(Name, fmOpenRead | 0x50), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
  EXPECT_EQ(WideFileOpen(Dir.PathOf(L"missing.bin"), fmOpenRead), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST_F(WideFileOpenTest, CreateTruncatesAndSharesNothing) {
  TUniqueFileHandle h(WideFileCreate(Name));
  ASSERT_TRUE(h);
  EXPECT_EQ(GetFileSize(h.Get(), nullptr), 0u);
  EXPECT_EQ(SecondOpen(Name, GENERIC_READ), DWORD{ERROR_SHARING_VIOLATION});
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(h.Get(), "ab", 2, &done, nullptr));
  EXPECT_EQ(WideFileCreate(Dir.PathOf(L"no\\such\\folder.bin")), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
}

}  // namespace
}  // namespace korv
