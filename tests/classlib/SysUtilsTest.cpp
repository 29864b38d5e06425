// Format, strict number parsing, locale-free floats, text, paths and file search.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "support/Sandbox.h"

namespace korv {
using test::TSandbox;
namespace {

std::string ConvertMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "<no error>";
}

TEST(FormatTest, DirectivesWidthsAndIndexes) {
  EXPECT_EQ(Format("%d|%5d|%-5d|%.3d", 42, 42, 42, -7), "42|   42|42   |-007");
  EXPECT_EQ(Format("%u %x %X", 3000000000u, 255, -1), "3000000000 FF FFFFFFFF");
  EXPECT_EQ(Format("%s/%.2s/%6s", "abc", "abc", "r"), "abc/ab/     r");
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("%*d|%-*d|", 4, 1, 3, 2), "   1|2  |");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%.2f %f %.0f", 3.14159, 2.0, 2.5), "3.14 2.00 2");
  EXPECT_EQ(Format("%.2n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%.0n Bytes", 512.0), "512 Bytes");
  EXPECT_EQ(Format("%n", -1234.5), "-1,234.50");
  EXPECT_EQ(Format("%.2f", -0.001), "0.00");
  EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(Format("%g", 0.5), "0.5");
  EXPECT_EQ(Format("%s", std::wstring(L"wide")), "wide");
  EXPECT_EQ(Format("%d", 'x' == 'x'), "1");
}

TEST(FormatTest, MismatchesRaiseTheConversionError) {
  auto msg = [](std::string_view fmt, auto... args) { return ConvertMessage([&] { (void)Format(fmt, args...); }); };
  EXPECT_EQ(msg("%d", "text"), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%s", 5), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(msg("%f", 5), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(msg("%d %d", 1), "Format '%d %d' invalid or incompatible with argument");
  EXPECT_EQ(msg("50%"), "Format '50%' invalid or incompatible with argument");
  EXPECT_EQ(msg("%q", 1), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(msg("%3:d", 1), "Format '%3:d' invalid or incompatible with argument");
  // Widths and precisions have one bound, written or given as an argument.
  EXPECT_EQ(msg("%*d", 2000000000, 1), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%.*f", 2000000000, 1.0), "Format '%.*f' invalid or incompatible with argument");
  EXPECT_EQ(msg("%999999d", 1), "Format '%999999d' invalid or incompatible with argument");
}

TEST(StrToIntTest, DecimalAndHexForms) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("  -17 "), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("0X1f"), 31);
  EXPECT_EQ(StrToInt("$FF00000F"), static_cast<int32_t>(0xFF00000Fu));  // wraps: system colours
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$000000000001"), 1);  // leading zeros do not count
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$8000000000000000"), INT64_MIN);
  EXPECT_EQ(StrToInt64("-$8000000000000000"), INT64_MIN);
  EXPECT_EQ(StrToIntDef("x", 9), 9);
}

TEST(StrToIntTest, EverythingElseRaises) {
  for (const char* bad : {"",
                          " ",
                          "+",
                          "-",
                          "$",
                          "0x",
                          "12a",
                          "1.0",
                          "1e3",
                          "2147483648",
                          "-2147483649",
                          "$100000000",
                          "0x",
                          "--1",
                          "- 1",
                          "1 2",
                          "\t1",
                          "$$1",
                          "0x-1",
                          "$17FFFFFFFFFFFFFFFF",
                          "99999999999999999999"}) {
    EXPECT_EQ(ConvertMessage([&] { (void)StrToInt(bad); }), std::string("'") + bad + "' is not a valid integer value")
        << bad;
  }
  for (const char* bad : {"9223372036854775808", "-9223372036854775809", "$10000000000000000"}) {
    EXPECT_THROW((void)StrToInt64(bad), EConvertError) << bad;
  }
  int32_t v = 77;
  EXPECT_FALSE(TryStrToInt("abc", v));
  EXPECT_EQ(v, 77);
}

TEST(FloatTest, LocaleFreeBothWays) {
  // A comma locale must change nothing.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "German");
  EXPECT_DOUBLE_EQ(StrToFloat("4.52"), 4.52);
  EXPECT_EQ(FloatToStr(0.25), "0.25");
  EXPECT_EQ(Format("%.2f|%g|%e|%n", 1.5, 0.5, 2.0, 1234.5), "1.50|0.5|2.00000000000000E+000|1,234.50");
  std::setlocale(LC_NUMERIC, saved.c_str());

  EXPECT_EQ(FloatToStr(100000.0), "100000");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(1e20), "1E+20");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(0.0), "0");
  for (double d : {0.1, 1.0 / 3, 123456.789, 1e-300, 6.02214076e23, -0.000123}) {
    EXPECT_EQ(StrToFloat(FloatToStr(d)), d) << FloatToStr(d);
  }
  EXPECT_DOUBLE_EQ(StrToFloat(" -1.5e+2 "), -150.0);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  for (const char* bad : {"", "1,5", "abc", "1e", "e5", "1.2.3", "0x10", "inf", "nan", "1e999"}) {
    EXPECT_THROW((void)StrToFloat(bad), EConvertError) << bad;
  }
  EXPECT_EQ(ConvertMessage([] { (void)StrToFloat("1,5"); }), "'1,5' is not a valid floating point value");
}

TEST(TextTest, CaseTrimQuoteReplace) {
  EXPECT_EQ(UpperCase("abc\xe9"), "ABC\xe9");      // ASCII only
  EXPECT_EQ(AnsiUpperCase("abc\xe9"), "ABC\xc9");  // the platform's rules (code page 1252)
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_TRUE(SameText("Key", "KEY"));
  EXPECT_TRUE(AnsiSameText("\xe9t\xe9", "\xc9T\xc9"));
  EXPECT_LT(AnsiCompareStr("a", "b"), 0);
  EXPECT_EQ(Trim("\t x \r\n"), "x");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
  EXPECT_EQ(StringReplace("xx", "x", "y", 0), "yx");
  EXPECT_EQ(WideToAnsi(AnsiToWide("caf\xe9")), "caf\xe9");
}

TEST(TextTest, AnsiUpperCaseIsThePlatformsForEveryByte) {
  // Each byte alone, then all of them in one text (longer than the platform's own short buffer).
  std::string all;
  for (int b = 1; b < 256; ++b) {
    std::string one(1, static_cast<char>(b)), expected = one;
    CharUpperBuffA(expected.data(), 1);
    EXPECT_EQ(AnsiUpperCase(one), expected) << b;
    all += static_cast<char>(b);
  }
  std::string expected = all;
  CharUpperBuffA(expected.data(), static_cast<DWORD>(expected.size()));
  EXPECT_EQ(AnsiUpperCase(all), expected);
  std::string inPlace = all;
  AnsiUpperCaseBuff(inPlace.data(), inPlace.size());
  EXPECT_EQ(inPlace, expected);
  // Letters of code page 1252 beyond Latin-1's pairs, and a NUL inside the text.
  EXPECT_EQ(AnsiUpperCase("\xff\x9a\x9c\xfe"), "\x9f\x8a\x8c\xde");
  EXPECT_EQ(AnsiUpperCase(std::string_view("a\0b", 3)), std::string_view("A\0B", 3));
}

TEST(TextTest, PlatformComparisonsOfBothWidths) {
  // A view with no data is an empty text, as "" is: equal to it and before any other text.
  const std::string_view none;
  EXPECT_EQ(AnsiCompareStr(none, ""), 0);
  EXPECT_EQ(AnsiCompareText("", none), 0);
  EXPECT_TRUE(AnsiSameText(none, none));
  EXPECT_LT(AnsiCompareText(none, "a"), 0);
  EXPECT_GT(AnsiCompareStr("a", none), 0);
  const std::wstring_view wnone;
  EXPECT_EQ(WideCompareStr(wnone, L""), 0);
  EXPECT_TRUE(WideSameText(wnone, wnone));
  EXPECT_LT(WideCompareText(wnone, L"a"), 0);
  EXPECT_TRUE(WideSameText(L"\x00E9t\x00E9", L"\x00C9T\x00C9"));
  EXPECT_FALSE(WideSameText(L"a", L"ab"));
  // Texts of the code page order alike in both widths, with and without case.
  const char* const texts[] = {"", "a", "A", "b", "ab", "a b", "\xe9t\xe9", "\xc9T\xc9", "z"};
  for (const char* a : texts)
    for (const char* b : texts) {
      const std::wstring wa = AnsiToWide(a), wb = AnsiToWide(b);
      EXPECT_EQ(AnsiCompareStr(a, b), WideCompareStr(wa, wb)) << a << " / " << b;
      EXPECT_EQ(AnsiCompareText(a, b), WideCompareText(wa, wb)) << a << " / " << b;
      EXPECT_EQ(AnsiCompareStr(a, b), -AnsiCompareStr(b, a)) << a << " / " << b;
    }
}

TEST(PathTest, SplittingNames) {
  EXPECT_EQ(ExtractFilePath("C:\\dir\\file.txt"), "C:\\dir\\");
  EXPECT_EQ(ExtractFileDir("C:\\dir\\file.txt"), "C:\\dir");
  EXPECT_EQ(ExtractFileDir("C:\\file.txt"), "C:\\");
  EXPECT_EQ(ExtractFileDir("\\\\file"), "\\\\");
  EXPECT_EQ(ExtractFileDir("file"), "");
  EXPECT_EQ(ExtractFileName("C:\\dir\\file.txt"), "file.txt");
  EXPECT_EQ(ExtractFileName("C:file"), "file");
  EXPECT_EQ(ExtractFileExt("a.b\\c"), "");
  EXPECT_EQ(ExtractFileExt("c.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileDrive("C:\\x"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\srv\\share\\x"), "\\\\srv\\share");
  EXPECT_EQ(ChangeFileExt("a\\b.txt", ".bak"), "a\\b.bak");
  EXPECT_EQ(ChangeFileExt("a.d\\b", ".bak"), "a.d\\b.bak");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x\\"), "C:\\x");
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[MAX_PATH];
    GetTempFileNameA(GetTempDir().c_str(), "kfd", 0, buf);
    DeleteFile(buf);
    Root = std::string(buf) + "\\";
  }
  void TearDown() override {
    for (const char* f : {"a\\b\\c\\f1.txt", "a\\b\\c\\f2.dat", "a\\b\\c\\.hidden"}) {
      SetFileAttributesA((Root + f).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFile(Root + f);
    }
    for (const char* d : {"a\\b\\c\\sub", "a\\b\\c", "a\\b", "a", ""}) RemoveDir(Root + d);
  }
  void Touch(const std::string& name, const std::string& text) {
    HANDLE h = CreateFileA((Root + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(h);
  }
  std::string Root;
};

TEST_F(FileTest, ForceDirectoriesAndFileQueries) {
  EXPECT_FALSE(DirectoryExists(Root));
  EXPECT_TRUE(ForceDirectories(Root + "a\\b\\c\\"));
  EXPECT_TRUE(DirectoryExists(Root + "a\\b\\c"));
  EXPECT_TRUE(ForceDirectories(Root + "a\\b\\c"));  // already there
  EXPECT_FALSE(ForceDirectories(""));
  Touch("a\\b\\c\\f1.txt", "12345");
  EXPECT_TRUE(FileExists(Root + "a\\b\\c\\f1.txt"));
  EXPECT_FALSE(FileExists(Root + "a\\b\\c"));
  EXPECT_FALSE(DirectoryExists(Root + "a\\b\\c\\f1.txt"));
  EXPECT_EQ(FileSizeOf(Root + "a\\b\\c\\f1.txt"), 5);
  EXPECT_EQ(FileSizeOf(Root + "missing"), -1);
  // A file in the way of a folder fails.
  EXPECT_FALSE(ForceDirectories(Root + "a\\b\\c\\f1.txt\\x"));
  EXPECT_TRUE(RenameFile(Root + "a\\b\\c\\f1.txt", Root + "a\\b\\c\\f2.dat"));
  EXPECT_FALSE(FileExists(Root + "a\\b\\c\\f1.txt"));
  EXPECT_TRUE(DeleteFile(Root + "a\\b\\c\\f2.dat"));
  EXPECT_FALSE(DeleteFile(Root + "a\\b\\c\\f2.dat"));
  EXPECT_EQ(ExpandFileName(Root + "a\\b\\..\\b\\c"), Root + "a\\b\\c");
  std::string longName = Root + std::string(300, 'x');
  EXPECT_EQ(ExpandFileName(longName), longName);  // longer than MAX_PATH
}

TEST_F(FileTest, FindFirstFiltersByAttributes) {
  ASSERT_TRUE(ForceDirectories(Root + "a\\b\\c\\sub"));
  Touch("a\\b\\c\\f1.txt", "1");
  Touch("a\\b\\c\\f2.dat", "22");
  Touch("a\\b\\c\\.hidden", "");
  SetFileAttributesA((Root + "a\\b\\c\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
  auto list = [&](const std::string& mask, DWORD attr) {
    std::vector<std::string> names;
    TSearchRec rec;
    for (DWORD r = FindFirst(Root + "a\\b\\c\\" + mask, attr, rec); r == 0; r = FindNext(rec))
      names.push_back(rec.Name);
    FindClose(rec);
    std::sort(names.begin(), names.end());
    return names;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(list("*", 0), (V{"f1.txt", "f2.dat"}));
  EXPECT_EQ(list("*", faDirectory), (V{".", "..", "f1.txt", "f2.dat", "sub"}));
  EXPECT_EQ(list("*", faAnyFile), (V{".", "..", ".hidden", "f1.txt", "f2.dat", "sub"}));
  EXPECT_EQ(list("*.dat", faAnyFile), (V{"f2.dat"}));
  TSearchRec rec;
  EXPECT_EQ(FindFirst(Root + "a\\b\\c\\f2.dat", 0, rec), 0u);
  EXPECT_EQ(rec.Size, 2);
  EXPECT_EQ(FindNext(rec), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  FindClose(rec);
  EXPECT_EQ(rec.FindHandle, INVALID_HANDLE_VALUE);
  EXPECT_NE(FindFirst(Root + "nothing\\*", faAnyFile, rec), 0u);
  EXPECT_EQ(rec.FindHandle, INVALID_HANDLE_VALUE);
}

TEST(ProcessTest, ExecutableFolder) {
  std::string exe = ParamStr0();
  EXPECT_TRUE(FileExists(exe));
  EXPECT_EQ(ExtractFileName(exe), "classlib_tests.exe");
  EXPECT_EQ(ExeFolder(), ExtractFilePath(exe));
  EXPECT_EQ(ExeFolder().back(), '\\');
  EXPECT_EQ(GetTempDir().back(), '\\');
}

TEST(ProcessTest, TempFolderLongerThanAPath) {
  // A TMP longer than MAX_PATH: the whole folder, or an error where the system refuses it (Wine
  // does), but never a cut-off text or the root.
  char saved[32768];
  const DWORD had = GetEnvironmentVariableA("TMP", saved, sizeof saved);
  ASSERT_LT(had, sizeof saved);
  const std::string longTmp = "C:\\" + std::string(MAX_PATH + 40, 't');
  ASSERT_TRUE(SetEnvironmentVariableA("TMP", longTmp.c_str()));
  try {
    EXPECT_EQ(GetTempDir(), longTmp + "\\");
  } catch (const EOSError& e) {
    EXPECT_NE(e.ErrorCode, 0u);
  }
  SetEnvironmentVariableA("TMP", had ? saved : nullptr);
  EXPECT_EQ(GetTempDir().back(), '\\');
}

// A name the code page cannot carry ("\u0101" becomes a look-alike "a" that names another
// file): refused, given by its short name where there is one; the temporary folder too.
TEST(CodePageNames, AreRefusedOrGivenByTheirShortNames) {
  const std::wstring lost = L"\u0101.txt";
  std::string out;
  if (WideToAnsiExact(lost, out)) GTEST_SKIP() << "the code page carries \u0101";
  EXPECT_EQ(AnsiFileName(lost, L"A~1.TXT"), "A~1.TXT");
  EXPECT_EQ(AnsiFileName(lost, L""), "") << "a name without a short form is left out";
  TSandbox box;
  const std::wstring temp = box.Dir(L"user " + lost);
  char saved[32768];
  const DWORD had = GetEnvironmentVariableA("TMP", saved, sizeof saved);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  const std::string dir = GetTempDir();
  SetEnvironmentVariableA("TMP", had ? saved : nullptr);
  wchar_t longForm[MAX_PATH * 2] = {};
  GetLongPathNameW(AnsiToWide(dir).c_str(), longForm, MAX_PATH * 2);
  EXPECT_TRUE(WideSameText(longForm, temp + L"\\")) << dir;
}

TEST(OSErrorTest, MessagesComeFromTheSystem) {
  try {
    RaiseLastOSError(ERROR_FILE_NOT_FOUND);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(e.Message(), "System Error.  Code: 2.\r\n" + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
  EXPECT_FALSE(SysErrorMessage(ERROR_FILE_NOT_FOUND).empty());
  EXPECT_NE(SysErrorMessage(ERROR_FILE_NOT_FOUND).back(), '\n');
  EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
  try {
    OleCheck(E_NOINTERFACE);
    FAIL();
  } catch (const EOleError& e) {
    EXPECT_EQ(e.ErrorCode, E_NOINTERFACE);
    EXPECT_FALSE(e.Message().empty());
  }
}

}  // namespace
}  // namespace korv
