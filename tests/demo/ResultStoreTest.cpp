// The rows behind the result list: size texts, the type column and the rows read from a folder.
#include <windows.h>

#include <algorithm>

#include "DemoTestKit.h"
#include "ResultStore.h"
#include "classlib/SysUtils.h"

namespace korv::test {
namespace {

TEST(ByteSizeText, UnitsChangeAtTheirPowersOfTwo) {
  EXPECT_EQ(ByteSizeText(0), "0 Bytes");
  EXPECT_EQ(ByteSizeText(1), "1 Bytes");
  EXPECT_EQ(ByteSizeText(1023), "1,023 Bytes");
  EXPECT_EQ(ByteSizeText(1024), "1.00 KB");
  EXPECT_EQ(ByteSizeText(1536), "1.50 KB");
  EXPECT_EQ(ByteSizeText(1048575), "1,024.00 KB");  // 1023.999... KB, two decimals
  EXPECT_EQ(ByteSizeText(1048576), "1.00 MB");
  EXPECT_EQ(ByteSizeText(5 * 1048576 + 1048576 / 4), "5.25 MB");
  EXPECT_EQ(ByteSizeText(1073741823), "1,024.00 MB");
  EXPECT_EQ(ByteSizeText(1073741824), "1.00 GB");
  EXPECT_EQ(ByteSizeText(int64_t{3000} * 1073741824), "3,000.00 GB");
}

TEST(ByteSizeText, NegativeSizesReadAsNothing) { EXPECT_EQ(ByteSizeText(-5), "0 Bytes"); }

TEST(FileTypeText, IsTheLastExtensionWithoutItsDot) {
  EXPECT_EQ(FileTypeText("a.txt"), "txt");
  EXPECT_EQ(FileTypeText("archive.tar.gz"), "gz");
  EXPECT_EQ(FileTypeText("README"), "");
  EXPECT_EQ(FileTypeText("trailing."), "");
}

TEST(ResultColumns, EveryColumnHasACaptionAndItsField) {
  TResultRow row{"n", "f\\", "t", "s", "d", 1};
  const std::string expected[] = {row.Name, row.Folder, row.Type, row.Size, row.DateTime};
  for (int c = 0; c < rcColumnCount; ++c) {
    EXPECT_STRNE(ResultColumnCaption(c), "") << c;
    EXPECT_EQ(ResultColumnText(row, c), expected[c]) << c;
  }
  EXPECT_STREQ(ResultColumnCaption(rcColumnCount), "");
  EXPECT_EQ(ResultColumnText(row, -1), "");
  EXPECT_EQ(row.FullPath(), "f\\n");
}

TEST(ReadFolderRows, ListsTheFilesSortedByNameWithTheirFields) {
  TSandbox box;
  box.File("b.txt", std::string(2000, 'x'));
  box.File("A.csv", "12345");
  box.File("c", "");
  box.Dir("sub");  // folders are not rows
  box.File("Z.TXT", "z");
  std::vector<std::pair<int, int>> progress;
  std::vector<TResultRow> rows =
      ReadFolderRows(box.AnsiPath(), [&](int done, int total) { progress.emplace_back(done, total); });

  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].Name, "A.csv");
  EXPECT_EQ(rows[1].Name, "b.txt");
  EXPECT_EQ(rows[2].Name, "c");
  EXPECT_EQ(rows[3].Name, "Z.TXT");
  const int64_t sizes[] = {5, 2000, 0, 1};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].Folder, box.AnsiPath());
    EXPECT_EQ(rows[i].Bytes, sizes[i]);
    EXPECT_EQ(rows[i].Size, ByteSizeText(sizes[i]));
    EXPECT_EQ(rows[i].Type, FileTypeText(rows[i].Name));
    EXPECT_FALSE(rows[i].DateTime.empty());
    EXPECT_TRUE(FileExists(rows[i].FullPath())) << rows[i].FullPath();
  }
  ASSERT_EQ(progress.size(), 4u);
  for (size_t i = 0; i < progress.size(); ++i) EXPECT_EQ(progress[i], std::make_pair(static_cast<int>(i) + 1, 4));
}

// The 8-bit search lists "\u0101.txt" as "a.txt" (a look-alike naming the other file) or
// "?.txt" (naming none): every row must name its own file.
TEST(ReadFolderRows, NamesTheCodePageCannotCarryAreListedByTheirShortNames) {
  std::string probe;
  if (WideToAnsiExact(L"\u0101", probe)) GTEST_SKIP() << "the code page carries \u0101";
  TSandbox box;
  box.File(L"a.txt", "plain");
  box.File(L"\u0101.txt", "first");
  box.File(L"\u0101 long name.txt", "second");
  int leftOut = -1;
  std::vector<std::string> contents;
  for (const TResultRow& row : ReadFolderRows(box.AnsiPath(), {}, &leftOut)) {
    HANDLE h = CreateFileA(row.FullPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char text[8];
    DWORD n = 0;
    if (h != INVALID_HANDLE_VALUE && ReadFile(h, text, 8, &n, nullptr)) contents.emplace_back(text, n);
    CloseHandle(h);
  }
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"first", "plain", "second"}));
  EXPECT_EQ(leftOut, 0);
}

// The list shows ANSI text: the locale's own code page (Greek here) must not leak into it.
TEST(DateTimeText, IsWrittenInTheAnsiCodePageWhateverTheLocalesOwn) {
  const LCID greek = MAKELCID(MAKELANGID(LANG_GREEK, SUBLANG_GREEK_GREECE), SORT_DEFAULT);
  SYSTEMTIME local{2024, 5, 0, 17, 15, 30, 0, 0};  // an afternoon: the marker is Greek
  FILETIME lft{}, utc{};
  ASSERT_TRUE(SystemTimeToFileTime(&local, &lft) && LocalFileTimeToFileTime(&lft, &utc));
  wchar_t date[64] = {}, time[64] = {};
  ASSERT_GT(GetDateFormatW(greek, DATE_SHORTDATE, &local, nullptr, date, 64), 0);
  ASSERT_GT(GetTimeFormatW(greek, 0, &local, nullptr, time, 64), 0);
  EXPECT_EQ(DateTimeText(utc, greek), WideToAnsi(std::wstring(date) + L" " + time));
}

TEST(ReadFolderRows, AFolderNameWithoutItsDelimiterWorksToo) {
  TSandbox box;
  box.File("one.txt");
  std::vector<TResultRow> rows = ReadFolderRows(ExcludeTrailingPathDelimiter(box.AnsiPath()));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].FullPath(), box.AnsiPath() + "one.txt");
}

TEST(ReadFolderRows, AnEmptyFolderGivesNoRows) {
  TSandbox box;
  EXPECT_TRUE(ReadFolderRows(box.AnsiPath()).empty());
}

TEST(ReadFolderRows, AMissingFolderRaisesTheSystemError) {
  TSandbox box;
  try {
    (void)ReadFolderRows(box.AnsiPath() + "missing\\");
    FAIL() << "no error";
  } catch (const EOSError& e) {
    EXPECT_TRUE(e.ErrorCode == ERROR_PATH_NOT_FOUND || e.ErrorCode == ERROR_FILE_NOT_FOUND) << e.ErrorCode;
  }
}

}  // namespace
}  // namespace korv::test
