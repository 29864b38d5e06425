#include <gtest/gtest.h>

#include <string>

#include "UnicodeTestSupport.h"
#include "shell/unicode/TntSystem.h"

namespace korv {
namespace {

using test::TRandom;

TEST(Utf7Test, KnownVectorsEncodeAndDecode) {
  struct Vector {
    std::wstring Text;
    std::string Encoded;
  };
  const Vector vectors[] = {
      {L"Hi Mom -\x263A-!", "Hi Mom -+Jjo--!"},
      {L"\x65E5\x672C\x8A9E", "+ZeVnLIqe"},  // no closing "-" at the end of the text
      {L"A\x2262\x0391.", "A+ImIDkQ."},      // "." is direct and no base64 digit: no "-"
      {L"a+b", "a+-b"},
      {L"+", "+-"},
      {L"\x00E9", "+AOk"},
      {L"\x00E9.", "+AOk."},
      {L"\x00E9"
       L"a",
       "+AOk-a"},  // the next character is a base64 digit: "-" closes the run
      {L"\x00E9-", "+AOk--"},
      {L"~\\", "+AH4AXA"},  // neither is in a direct set
  };
  for (const Vector& v : vectors) {
    EXPECT_EQ(Utf7Encode(v.Text), v.Encoded);
    EXPECT_EQ(Utf7Decode(v.Encoded), v.Text);
    EXPECT_EQ(WideToAnsiCP(v.Text, CP_UTF7_CODEC), v.Encoded);
    EXPECT_EQ(AnsiToWideCP(v.Encoded, CP_UTF7_CODEC), v.Text);
  }
}

TEST(Utf7Test, DirectOptionalAndBlankCharactersStayAsTheyAre) {
  const std::wstring direct = L"ABCXYZabcxyz0189'(),-./:?";
  const std::wstring optional = L"!\"#$%&*;<=>@[]^_`{|}";
  const std::wstring blanks = L"\t\r\n ";
  for (const std::wstring& s : {direct, optional, blanks, direct + optional + blanks}) {
    EXPECT_EQ(Utf7Encode(s), std::string(s.begin(), s.end()));
  }
}

TEST(Utf7Test, EmptyInputGivesEmptyOutput) {
  EXPECT_EQ(Utf7Encode(L""), "");
  EXPECT_EQ(Utf7Decode(""), L"");
  EXPECT_EQ(WideToAnsiCP(L"", CP_UTF7_CODEC), "");
  EXPECT_EQ(AnsiToWideCP("", CP_UTF7_CODEC), L"");
}

TEST(Utf7Test, DecoderRulesForRunEnds) {
  EXPECT_EQ(Utf7Decode("+AOk-x"), L"\x00E9x");   // "-" that ends a run is dropped
  EXPECT_EQ(Utf7Decode("+AOk x"), L"\x00E9 x");  // any other ending character stays
  EXPECT_EQ(Utf7Decode("+AOk--"), L"\x00E9-");
  EXPECT_EQ(Utf7Decode("a+-+-b"), L"a++b");
  EXPECT_EQ(Utf7Decode("+A-"), L"");     // six zero bits: padding only
  EXPECT_EQ(Utf7Decode("~\\"), L"~\\");  // plain ASCII outside a run is taken as it is
}

TEST(Utf7Test, InvalidInputRaises) {
  const char* const invalid[] = {
      "+",         // a plus sign at the end
      "abc+",      //
      "+!",        // a plus sign followed by an ending character other than "-"
      "+ ",        //
      "+AOl",      // non-zero leftover bits
      "+AOl-",     //
      "\xE9",      // a direct byte above 127
      "ab\x80",    //
      "+AOk\xE9",  // a run ended by a byte above 127, which is then direct
      "+\xE9",     //
  };
  for (const char* s : invalid) {
    try {
      (void)Utf7Decode(s);
      ADD_FAILURE() << "no error for " << s;
    } catch (const ETntGeneralError& e) {
      EXPECT_STREQ(e.what(), "Invalid UTF7") << s;
    }
    EXPECT_THROW((void)AnsiToWideCP(s, CP_UTF7_CODEC), ETntGeneralError) << s;
  }
}

TEST(Utf7Test, FullOutputBufferRaisesBufferOverflow) {
  const std::wstring text =
      L"a\x263A"
      L"b";
  char out[8];
  // "a+Jjo-b" needs 7 bytes.
  EXPECT_EQ(Utf7Encode(text.data(), text.size(), out, 7), 7u);
  for (size_t cap = 0; cap < 7; ++cap) {
    try {
      (void)Utf7Encode(text.data(), text.size(), out, cap);
      ADD_FAILURE() << "no overflow at " << cap;
    } catch (const ETntInternalError& e) {
      EXPECT_STREQ(e.what(), "Buffer overflow");
    }
  }
  const std::string enc = "a+Jjo-b";
  wchar_t wout[8];
  EXPECT_EQ(Utf7Decode(enc.data(), enc.size(), wout, 3), 3u);
  EXPECT_THROW((void)Utf7Decode(enc.data(), enc.size(), wout, 2), ETntInternalError);
}

TEST(Utf7Test, RandomTextRoundTripsWithinTheReservedRoom) {
  TRandom rnd(7);
  for (int round = 0; round < 4000; ++round) {
    std::wstring s(rnd.Below(24), L'\0');
    for (wchar_t& c : s) {
      switch (rnd.Below(5)) {
        case 0:
          c = static_cast<wchar_t>(rnd.Below(128));
          break;  // ASCII, NUL and "+" included
        case 1:
          c = static_cast<wchar_t>(0xD800 + rnd.Below(0x800));
          break;  // surrogates, unpaired too
        case 2:
          c = static_cast<wchar_t>(0xFFF0 + rnd.Below(16));
          break;  // the top of the range
        default:
          c = static_cast<wchar_t>(rnd.Below(0x10000));
          break;
      }
    }
    const std::string enc = Utf7Encode(s);
    ASSERT_LE(enc.size(), s.size() * 5) << "round " << round;
    for (char b : enc) ASSERT_LT(static_cast<unsigned char>(b), 128u);
    ASSERT_EQ(Utf7Decode(enc), s) << "round " << round << " encoded " << enc;
  }
}

}  // namespace
}  // namespace korv
