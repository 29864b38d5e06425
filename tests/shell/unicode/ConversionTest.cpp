#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "UnicodeTestIds.h"
#include "UnicodeTestSupport.h"
#include "shell/unicode/TntSysUtils.h"
#include "shell/unicode/TntSystem.h"
#include "shell/unicode/TntWindows.h"

namespace korv {
namespace {

using test::TForceAnsiPlatform;

TEST(CodePageTest, StartUpFollowsThePlatformVersion) {
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
  ASSERT_TRUE(GetVersionExW(&vi));
  const bool savedPlatform = PlatformIsUnicode;
  const UINT savedPage = DefaultCodePage;
  PlatformIsUnicode = !savedPlatform;
  DefaultCodePage = 12345;
  InitializeTntSystem();
  const bool nt = vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
  EXPECT_EQ(PlatformIsUnicode, nt);
  if (nt && vi.dwMajorVersion >= 5)
    EXPECT_EQ(DefaultCodePage, static_cast<UINT>(CP_THREAD_ACP));
  else
    EXPECT_EQ(DefaultCodePage, CodePageOfLocale(GetThreadLocale()));
  PlatformIsUnicode = savedPlatform;
  DefaultCodePage = savedPage;
}

TEST(CodePageTest, CodePageOfLocaleReadsTheLocalesAnsiCodePage) {
  EXPECT_EQ(CodePageOfLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)), 1252u);
  EXPECT_EQ(CodePageOfLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)), 1251u);
  // A locale that gives no number falls back to the platform's 8-bit code page.
  EXPECT_EQ(CodePageOfLocale(0x7FFFFFFF), GetACP());
}

TEST(ConversionTest, Utf8AndEightBitCodePagesGoThroughTheSystem) {
  const std::wstring text = L"caf\x00E9 \x0434\x0430 \x263A \xD83D\xDE00";
  const std::string utf8 = WideToAnsiCP(text, CP_UTF8_CODEC);
  EXPECT_EQ(utf8, "caf\xC3\xA9 \xD0\xB4\xD0\xB0 \xE2\x98\xBA \xF0\x9F\x98\x80");
  EXPECT_EQ(AnsiToWideCP(utf8, CP_UTF8_CODEC), text);
  EXPECT_EQ(WideToAnsiCP(L"caf\x00E9", 1252), "caf\xE9");
  EXPECT_EQ(AnsiToWideCP("caf\xE9", 1252), L"caf\x00E9");
  EXPECT_EQ(AnsiToWideCP("\xE4\xE0", 1251), L"\x0434\x0430");
  EXPECT_EQ(WideToAnsiCP(L"", 1252), "");
  EXPECT_EQ(AnsiToWideCP("", CP_UTF8_CODEC), L"");
}

TEST(ConversionTest, SwapByteOrderStopsAtTheNul) {
  wchar_t buf[] = {0x1234, 0xABCD, 0x00FF, 0, 0x1111};
  SwapByteOrder(buf);
  EXPECT_EQ(buf[0], 0x3412);
  EXPECT_EQ(buf[1], 0xCDAB);
  EXPECT_EQ(buf[2], 0xFF00);
  EXPECT_EQ(buf[3], 0);
  EXPECT_EQ(buf[4], 0x1111);
  SwapByteOrder(static_cast<wchar_t*>(nullptr));
}

TEST(ConversionTest, IsWideCharMappableUsesTheDefaultCodePage) {
  EXPECT_TRUE(IsWideCharMappable(L'A'));
  // Expected from the code page itself: a character is mappable when it survives a round trip.
  for (wchar_t c : {L'\x00E9', L'\x0434', L'\x263A', L'\x20AC'}) {
    BOOL usedDefault = FALSE;
    char out[8];
    int n = WideCharToMultiByte(CP_THREAD_ACP, 0, &c, 1, out, sizeof out, nullptr, &usedDefault);
    EXPECT_EQ(IsWideCharMappable(c), n > 0 && !usedDefault) << static_cast<int>(c);
  }
  EXPECT_FALSE(IsWideCharMappable(L'\x263A'));  // no 8-bit code page of a Latin locale has it
}

// ---------------------------------------------------------------------------------------------
// Resource strings

class LoadStringTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!GetParam()) Force_ = std::make_unique<TForceAnsiPlatform>();
  }
  std::unique_ptr<TForceAnsiPlatform> Force_;
};

TEST_P(LoadStringTest, CopiesAtMostSizeMinusOneCharacters) {
  wchar_t buf[16];
  std::wmemset(buf, L'#', 16);
  EXPECT_EQ(WideLoadString(nullptr, IDS_DIGITS, buf, 5), 4);
  EXPECT_STREQ(buf, L"0123");
  EXPECT_EQ(buf[5], L'#');  // nothing written past the given size
  EXPECT_EQ(WideLoadString(nullptr, IDS_DIGITS, buf, 16), 10);
  EXPECT_STREQ(buf, L"0123456789");
  EXPECT_EQ(WideLoadString(nullptr, IDS_DIGITS, buf, 1), 0);
  EXPECT_STREQ(buf, L"");
}

TEST_P(LoadStringTest, WithoutBufferReturnsTheEntryLength) {
  EXPECT_EQ(WideLoadString(nullptr, IDS_DIGITS, nullptr, 0), 10);
  wchar_t buf[4] = {L'x', L'y', L'z', 0};
  EXPECT_EQ(WideLoadString(nullptr, IDS_SECOND, buf, 0), 12);
}

TEST_P(LoadStringTest, ReadsOtherBlocksAndUtf16Text) {
  wchar_t buf[32];
  EXPECT_EQ(WideLoadString(nullptr, IDS_SECOND, buf, 32), 12);
  EXPECT_STREQ(buf, L"second block");
  EXPECT_EQ(WideLoadString(nullptr, IDS_CYRILLIC, buf, 32), 2);
  EXPECT_STREQ(buf, L"\x0434\x0430");
}

TEST_P(LoadStringTest, MissingEntriesGiveZero) {
  wchar_t buf[8] = L"keep";
  EXPECT_EQ(WideLoadString(nullptr, IDS_MISSING, buf, 8), 0);
  EXPECT_EQ(WideLoadString(nullptr, 40000, buf, 8), 0);  // a block that does not exist
}

TEST_P(LoadStringTest, ResourceStringRecords) {
  const TResStringRec byId{nullptr, UINT{IDS_DIGITS}};
  EXPECT_EQ(WideLoadResString(&byId), L"0123456789");
  EXPECT_EQ(WideLoadResString(nullptr), L"");
}

INSTANTIATE_TEST_SUITE_P(Branches, LoadStringTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

TEST(ResStringTest, LiteralTextsAreWidenedOrDecodedAfterTheUtf8Mark) {
  const TResStringRec plain{nullptr, "List index out of bounds (%d)"};
  EXPECT_EQ(WideLoadResString(&plain), L"List index out of bounds (%d)");
  const TResStringRec eightBit{nullptr, "caf\xE9"};
  EXPECT_EQ(WideLoadResString(&eightBit), AnsiToWideCP("caf\xE9", CP_ACP));
  const TResStringRec utf8{nullptr, "\xEF\xBB\xBF\xE2\x98\xBA ok"};
  EXPECT_EQ(WideLoadResString(&utf8), L"\x263A ok");
  // Exactly the mark and nothing after it: not longer than 3 bytes, so widened as it stands.
  const TResStringRec markOnly{nullptr, "\xEF\xBB\xBF"};
  EXPECT_EQ(WideLoadResString(&markOnly), AnsiToWideCP("\xEF\xBB\xBF", CP_ACP));
  const TResStringRec nullText{nullptr, static_cast<const char*>(nullptr)};
  EXPECT_EQ(WideLoadResString(&nullText), L"");
}

TEST(ResStringTest, StringTableEntriesAreFoundWithinTheBlockOnly) {
  // Entry 0: "ab", entry 1: empty, entry 2: "c".
  const uint8_t block[] = {2, 0, 'a', 0, 'b', 0, 0, 0, 1, 0, 'c', 0};
  auto e0 = FindStringTableEntry(block, sizeof block, 0);
  ASSERT_TRUE(e0);
  EXPECT_EQ(e0->Offset, 2u);
  EXPECT_EQ(e0->Length, 2u);
  auto e1 = FindStringTableEntry(block, sizeof block, 1);
  ASSERT_TRUE(e1);
  EXPECT_EQ(e1->Length, 0u);
  auto e2 = FindStringTableEntry(block, sizeof block, 2);
  ASSERT_TRUE(e2);
  EXPECT_EQ(e2->Offset, 10u);
  EXPECT_EQ(e2->Length, 1u);
  EXPECT_FALSE(FindStringTableEntry(block, sizeof block, 3));      // the block ends first
  EXPECT_FALSE(FindStringTableEntry(block, sizeof block - 1, 2));  // text cut short
  EXPECT_FALSE(FindStringTableEntry(block, sizeof block, 16));     // a block has 16 entries
  EXPECT_FALSE(FindStringTableEntry(nullptr, 0, 0));
}

}  // namespace
}  // namespace korv
