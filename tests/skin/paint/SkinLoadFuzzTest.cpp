// Thousands of damaged folder skins: mutated Options.dat text, truncated and lying BMP files,
// damaged JPEG files. Each one loads with sound tables or is refused as a whole, leaving nothing.
#include <gtest/gtest.h>

#include "SkinLoadKit.h"
#include "classlib/SysUtils.h"
#include "skin/data/SkinTextMutator.h"
#include "support/BadInput.h"

namespace korv::test {
namespace {

const char kOptions[] =
    "[GLOBALINFO]\nVERSION=1.0\nMASTERBITMAP=Master.bmp\nSHADOW1COLOR=0\n"
    "[FORM]\nCOLOR=0xEEECE8\nGRADIENTDATA=10521686;7889460;100;0;0\n"
    "BORDERSMASK=#(0,0,24,24)(2,1,0,1)\nGLYPH=@0024 0000 0032 0008 1 0\nPATTERN=~0000 0024 0032 0032 01 1\n"
    "FRAME=^0000 0000 0012 0012 0001 0001 0001 0001 1 0 0 0\nOWN=!own.BMP!2!1!2\nFILE=own.bmp\nTEX=tex.jpg\n"
    "[BUTTON]\nPARENTCLASS=FORM\nHOTPATTERN=tex.jpg\n";

void Put32(std::string& s, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4 && at + i < s.size(); ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// A BMP that lies about itself or ends early.
std::string DamageBmp(std::string s, TRandom& rng) {
  switch (rng.Below(6)) {
    case 0:
      s.resize(rng.Below(static_cast<uint32_t>(s.size())));
      break;
    case 1:  // a size the data does not hold: moderate (so the reader gets to the pixels) or absurd
      Put32(s, 18 + 4 * rng.Below(2), rng.Below(4) ? 1 + rng.Below(2048) : rng.Next());
      break;
    case 2:
      Put32(s, 10, rng.Below(4) ? rng.Below(static_cast<uint32_t>(s.size()) + 64) : rng.Next());  // pixel offset
      break;
    case 3: {
      static const uint16_t kBits[] = {0, 1, 2, 4, 8, 16, 24, 32, 33};
      s[28] = static_cast<char>(kBits[rng.Below(9)]);
      Put32(s, 30, rng.Below(7));  // compression
      break;
    }
    case 4:
      Put32(s, 46, rng.Below(3) ? rng.Below(300) : rng.Next());  // palette entries
      break;
    default:
      for (uint32_t n = 1 + rng.Below(8); n > 0; --n)
        s[rng.Below(static_cast<uint32_t>(std::min<size_t>(s.size(), 80)))] = static_cast<char>(rng.Next());
      break;
  }
  return s;
}

std::string DamageJpeg(std::string s, TRandom& rng) {
  if (rng.Below(2)) {
    s.resize(rng.Below(static_cast<uint32_t>(s.size())));
  } else {
    for (uint32_t n = 1 + rng.Below(6); n > 0; --n)
      s[rng.Below(static_cast<uint32_t>(s.size()))] = static_cast<char>(rng.Next());
  }
  return s;
}

using SkinLoadFuzz = TSkinLoadTest;

TEST_F(SkinLoadFuzz, EveryDamagedSkinLoadsSoundlyOrIsRefusedWhole) {
  const std::string master = BmpBytes(*MakeBitmap(32, 32, [](int x, int y) { return x * 8 | (y * 8) << 8 | 0x400000; }));
  const std::string own = Bmp8Bytes(6, 4, {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF}, [](int x, int) { return x % 4; });
  const std::string tex = JpegBytes(12, 12, 0x3070B0);
  Mutator text(977);
  TRandom rng(4242);
  int loaded = 0, refused = 0;
  for (int round = 0; round < 2000 && !HasFailure(); ++round) {
    std::string files[4] = {kOptions, master, own, tex};
    const int kind = round % 10;
    if (kind < 5)
      files[0] = text.Mutate(files[0]);
    else if (kind < 8)
      files[1 + round % 2] = DamageBmp(files[1 + round % 2], rng);
    else
      files[3] = DamageJpeg(files[3], rng);
    Write("Options.dat", files[0]);
    Write("Master.bmp", files[1]);
    Write("own.bmp", files[2]);
    Write("tex.jpg", files[3]);

    SCOPED_TRACE("round " + IntToStr(round));
    try {
      Load();
    } catch (const Exception&) {
      ++refused;
      ExpectUnskinned();
      continue;
    }
    ++loaded;
    ASSERT_TRUE(Sm->Active() && Sm->SkinData.Active);
    ASSERT_NO_FATAL_FAILURE(ExpectSoundImages());
    for (const TsPatternData& p : Sm->Textures) ASSERT_GE(p.Img->Width(), 1);
  }
  // Both outcomes occur, or the damage is not reaching the loader.
  EXPECT_GT(loaded, 300);
  EXPECT_GT(refused, 300);
}

}  // namespace
}  // namespace korv::test
