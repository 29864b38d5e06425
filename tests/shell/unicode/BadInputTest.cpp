// Bulk bad input for the readers: truncated, mutated and random buffers that end at an
// inaccessible page, and streams that lie about their size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "UnicodeTestSupport.h"
#include "classlib/Classes.h"
#include "shell/unicode/TntClasses.h"
#include "shell/unicode/TntWideStrings.h"
#include "shell/unicode/TntWindows.h"

namespace korv {
namespace {

using Bytes = std::vector<uint8_t>;
using W = std::vector<std::wstring>;
using test::Lines;
using test::TGuardedBuffer;
using test::TRandom;

// A read-only stream over a guarded buffer.
class TGuardedStream : public TCustomMemoryStream {
 public:
  explicit TGuardedStream(const TGuardedBuffer& b) { SetPointer(b.Data(), static_cast<int64_t>(b.Size())); }
  int32_t Write(const void*, int32_t) override { return 0; }
};

// A stream that reports size bytes but delivers only the first available ones (a UTF-16 mark,
// then zeros).
class TLyingStream : public TStream {
 public:
  TLyingStream(int64_t size, int64_t available) : Size_(size), Available_(available) {}
  int32_t Read(void* buffer, int32_t count) override {
    int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, Available_ - Pos_));
    auto* p = static_cast<uint8_t*>(buffer);
    for (int64_t i = 0; i < n; ++i) p[i] = Pos_ + i == 0 ? 0xFF : Pos_ + i == 1 ? 0xFE : 'a';
    Pos_ += n;
    return static_cast<int32_t>(n);
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    Pos_ = (origin == soBeginning ? 0 : origin == soCurrent ? Pos_ : Size_) + offset;
    return Pos_;
  }
  int64_t Size() override { return Size_; }

 private:
  int64_t Size_, Available_, Pos_ = 0;
};

Bytes Utf16Image(const std::wstring& text, bool bigEndian) {
  Bytes b = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (wchar_t c : text) {
    const uint8_t lo = static_cast<uint8_t>(c & 0xFF), hi = static_cast<uint8_t>(c >> 8);
    if (bigEndian) {
      b.push_back(hi);
      b.push_back(lo);
    } else {
      b.push_back(lo);
      b.push_back(hi);
    }
  }
  return b;
}

// What loading must give: the plain functions over the same bytes.
W ExpectedLines(const Bytes& file) {
  const TCharSetMark m = DetectCharSet(file.data(), file.size());
  return SplitWideText(DecodeText(file.data() + m.MarkLength, file.size() - m.MarkLength, m.CharSet));
}

const std::wstring kSample =
    L"first line\r\n\x0434\x0430 \x263A\r\n\r\nthird\nfourth\rfifth\x2028sixth\r\n\xD83D\xDE00 pair \xD800 lone\r\nend";

TEST(BadInputTest, EveryTruncationOfAUtf16FileLoadsAPrefix) {
  const Bytes full = Utf16Image(kSample, false);
  const W fullLines = SplitWideText(kSample);
  for (size_t len = 0; len <= full.size(); ++len) {
    TGuardedBuffer buf(full.data(), len);
    TGuardedStream stream(buf);
    TTntStringList l;
    l.LoadFromStream(stream);
    ASSERT_EQ(stream.Position(), static_cast<int64_t>(len));
    if (len < 2) continue;  // no whole mark: read as 8-bit text
    const W got = Lines(l);
    ASSERT_LE(got.size(), fullLines.size()) << len;
    for (size_t i = 0; i < got.size(); ++i) {
      if (i + 1 < got.size())
        ASSERT_EQ(got[i], fullLines[i]) << len;
      else
        ASSERT_EQ(fullLines[i].compare(0, got[i].size(), got[i]), 0) << len;  // the cut line is a prefix
    }
  }
}

TEST(BadInputTest, MutatedFilesLoadAsThePlainReadersDecodeThem) {
  const Bytes seeds[] = {
      Utf16Image(kSample, false),
      Utf16Image(kSample, true),
      [] {
        Bytes b{0xEF, 0xBB, 0xBF};
        const std::string u = WideToAnsiCP(kSample, CP_UTF8);
        b.insert(b.end(), u.begin(), u.end());
        return b;
      }(),
      [] {
        const std::string a = WideToAnsiCP(kSample, CP_ACP);
        return Bytes(a.begin(), a.end());
      }(),
  };
  TRandom rnd(31337);
  for (int round = 0; round < 3000; ++round) {
    Bytes b = seeds[rnd.Below(4)];
    switch (rnd.Below(4)) {
      case 0:  // flip a few bytes
        for (uint32_t k = 1 + rnd.Below(4); k > 0 && !b.empty(); --k)
          b[rnd.Below(static_cast<uint32_t>(b.size()))] ^= static_cast<uint8_t>(1 + rnd.Below(255));
        break;
      case 1:  // cut the end
        b.resize(rnd.Below(static_cast<uint32_t>(b.size() + 1)));
        break;
      case 2:  // cut the start: marks become halves or vanish
        b.erase(b.begin(), b.begin() + rnd.Below(std::min<uint32_t>(5, static_cast<uint32_t>(b.size() + 1))));
        break;
      default:  // insert random bytes
        for (uint32_t k = 1 + rnd.Below(6); k > 0; --k)
          b.insert(b.begin() + rnd.Below(static_cast<uint32_t>(b.size() + 1)), static_cast<uint8_t>(rnd.Next()));
        break;
    }
    TGuardedBuffer buf(b.data(), b.size());
    TGuardedStream stream(buf);
    TTntStringList l;
    l.LoadFromStream(stream);
    ASSERT_EQ(Lines(l), ExpectedLines(b)) << "round " << round;
    ASSERT_LE(l.GetCount(), static_cast<int>(b.size()));
  }
}

TEST(BadInputTest, RandomBytesThroughDetectionAndDecoding) {
  TRandom rnd(5);
  for (int round = 0; round < 5000; ++round) {
    Bytes b(rnd.Below(40));
    for (auto& x : b) x = static_cast<uint8_t>(rnd.Below(4) == 0 ? 0 : rnd.Next());
    if (!b.empty() && rnd.Below(3) == 0) b[0] = 0xFF;
    TGuardedBuffer buf(b.data(), b.size());
    const TCharSetMark m = DetectCharSet(buf.Data(), buf.Size());
    ASSERT_LE(m.MarkLength, buf.Size());
    for (TStreamCharSet cs : {scAnsi, scUtf16, scUtf16Swapped, scUtf8}) {
      const std::wstring text = DecodeText(buf.Data() + m.MarkLength, buf.Size() - m.MarkLength, cs);
      if (cs == scUtf16 || cs == scUtf16Swapped) {
        ASSERT_EQ(text.size(), (buf.Size() - m.MarkLength) / 2);
      }
      for (const std::wstring& line : SplitWideText(text))
        ASSERT_EQ(line.find_first_of(std::wstring(L"\r\n\x2028\0", 4)), std::wstring::npos);
    }
  }
}

TEST(BadInputTest, LineBreakSearchStaysInsideTheText) {
  TRandom rnd(11);
  const wchar_t breaks[] = {L'\r', L'\n', L'\0', L'\x2028'};
  for (int round = 0; round < 4000; ++round) {
    const size_t units = rnd.Below(48);
    TGuardedBuffer buf(units * sizeof(wchar_t));
    auto* text = reinterpret_cast<wchar_t*>(buf.Data());
    for (size_t i = 0; i < units; ++i) {
      const uint32_t r = rnd.Below(40);
      text[i] = r < 2   ? breaks[rnd.Below(4)]
                : r < 4 ? static_cast<wchar_t>(0x2000 + rnd.Below(0x40))
                        : static_cast<wchar_t>(rnd.Below(0x10000));
      if (text[i] == L'\r' || text[i] == L'\n' || text[i] == 0 || text[i] == 0x2028) {
        if (r >= 2) text[i] = L'x';
      }
    }
    for (size_t start = 0; start <= units; ++start) {
      size_t expected = start;
      while (expected < units && text[expected] != L'\r' && text[expected] != L'\n' && text[expected] != 0 &&
             text[expected] != 0x2028)
        ++expected;
      ASSERT_EQ(FindLineBreak(text + start, text + units), text + expected) << round << " " << start;
    }
    for (const std::wstring& line : SplitWideText(std::wstring_view(text, units)))
      ASSERT_EQ(line.find_first_of(std::wstring(L"\r\n\x2028\0", 4)), std::wstring::npos);
  }
}

TEST(BadInputTest, Utf7DecoderNeverLeavesItsBuffers) {
  TRandom rnd(77);
  const std::string alphabet = "+-ABCZaz09/+!~ \r\n\x80\xFF";
  for (int round = 0; round < 5000; ++round) {
    std::string s;
    if (rnd.Below(2) == 0) {  // a mutated valid encoding
      std::wstring w(rnd.Below(12), L'\0');
      for (auto& c : w) c = static_cast<wchar_t>(rnd.Below(3) == 0 ? L'a' + rnd.Below(26) : rnd.Below(0x10000));
      s = Utf7Encode(w);
      for (uint32_t k = rnd.Below(3); k > 0 && !s.empty(); --k)
        s[rnd.Below(static_cast<uint32_t>(s.size()))] = alphabet[rnd.Below(static_cast<uint32_t>(alphabet.size()))];
      if (rnd.Below(4) == 0) s.resize(rnd.Below(static_cast<uint32_t>(s.size() + 1)));
    } else {
      s.resize(rnd.Below(24));
      for (auto& c : s) c = alphabet[rnd.Below(static_cast<uint32_t>(alphabet.size()))];
    }
    TGuardedBuffer in(s.data(), s.size());
    TGuardedBuffer out(s.size() * sizeof(wchar_t));  // one code unit per byte at most
    try {
      const size_t n = Utf7Decode(reinterpret_cast<const char*>(in.Data()), in.Size(),
                                  reinterpret_cast<wchar_t*>(out.Data()), s.size());
      const std::wstring decoded(reinterpret_cast<const wchar_t*>(out.Data()), n);
      ASSERT_EQ(Utf7Decode(Utf7Encode(decoded)), decoded) << s;
    } catch (const ETntGeneralError&) {
      // invalid input is reported, nothing else
    }
  }
}

TEST(BadInputTest, Utf7EncoderStaysInTheReservedRoom) {
  TRandom rnd(78);
  for (int round = 0; round < 2000; ++round) {
    std::wstring w(rnd.Below(30), L'\0');
    for (auto& c : w) c = static_cast<wchar_t>(rnd.Below(2) ? rnd.Below(0x10000) : rnd.Below(128));
    TGuardedBuffer out(Utf7EncodedCapacity(w.size()));
    const size_t n = Utf7Encode(w.data(), w.size(), reinterpret_cast<char*>(out.Data()), out.Size());
    ASSERT_EQ(Utf7Decode(std::string(reinterpret_cast<const char*>(out.Data()), n)), w);
  }
}

TEST(BadInputTest, StringTableBlocksOfAnyShape) {
  TRandom rnd(9);
  for (int round = 0; round < 5000; ++round) {
    Bytes b(rnd.Below(80));
    for (auto& x : b) x = static_cast<uint8_t>(rnd.Below(3) == 0 ? rnd.Below(6) : rnd.Next());
    TGuardedBuffer buf(b.data(), b.size());
    for (unsigned index = 0; index < 17; ++index) {
      const auto e = FindStringTableEntry(buf.Data(), buf.Size(), index);
      if (e) {
        ASSERT_LE(e->Offset + e->Length * 2, buf.Size());
      }
    }
  }
}

TEST(BadInputTest, StreamsTooLargeToHoldFailCleanly) {
  for (int64_t size : {int64_t{3} << 30, int64_t{0x7FFFFF00}}) {
    TTntStringList l;
    l.Add(L"kept");
    TLyingStream huge(size, size);
    EXPECT_THROW(l.LoadFromStream(huge), EOutOfMemory) << size;
    EXPECT_EQ(Lines(l), W{L"kept"});
    EXPECT_EQ(l.UpdateCount(), 0);
    TLyingStream huge2(size, size);
    EXPECT_THROW(l.AnsiStrings()->LoadFromStreamCodePage(huge2, CP_ACP), EOutOfMemory);
    EXPECT_EQ(Lines(l), W{L"kept"});
    EXPECT_EQ(l.UpdateCount(), 0);
  }
}

TEST(BadInputTest, ShortStreamsRaiseAReadError) {
  TTntStringList l;
  l.Add(L"kept");
  TLyingStream shortStream(100, 10);
  try {
    l.LoadFromStream(shortStream);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  EXPECT_EQ(Lines(l), W{L"kept"});
  EXPECT_EQ(l.UpdateCount(), 0);
}

}  // namespace
}  // namespace korv
