#include "SkinLoadKit.h"

#include "classlib/Classes.h"
#include "skin/paint/sSkinLoad.h"
#include "support/JpegEncoder.h"

namespace korv::test {

std::unique_ptr<TBitmap> MakeBitmap(int width, int height, const std::function<TColor(int, int)>& colour) {
  auto bmp = std::make_unique<TBitmap>(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* p = bmp->ScanLine(y);
    for (int x = 0; x < width; ++x, p += 3) {
      const TColor c = colour(x, y);
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  }
  return bmp;
}

TColor PixelAt(const TBitmap& bmp, int x, int y) {
  const uint8_t* p = bmp.ScanLine(y) + x * 3;
  return p[2] | p[1] << 8 | p[0] << 16;
}

std::string BmpBytes(const TBitmap& bmp) {
  TMemoryStream stream;
  bmp.SaveToStream(stream);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

std::string Bmp8Bytes(int width, int height, const std::vector<TColor>& palette,
                      const std::function<int(int, int)>& index) {
  const int rowBytes = DibRowBytes(width, 8);
  BITMAPINFOHEADER ih = DibHeader(width, height, 8);
  ih.biClrUsed = static_cast<DWORD>(palette.size());
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + sizeof ih + 4 * palette.size());
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(rowBytes * height);
  std::string out(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(&ih), sizeof ih);
  for (TColor c : palette) {
    const char quad[4] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c), 0};
    out.append(quad, 4);
  }
  for (int y = height - 1; y >= 0; --y) {  // bottom-up rows
    std::string row(static_cast<size_t>(rowBytes), '\0');
    for (int x = 0; x < width; ++x) row[static_cast<size_t>(x)] = static_cast<char>(index(x, y));
    out += row;
  }
  return out;
}

std::string JpegBytes(int width, int height, TColor colour) {
  const std::vector<uint8_t> jpg = EncodeJpeg(width, height, [colour](int, int, uint8_t* p) {
    p[0] = static_cast<uint8_t>(colour);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour >> 16);
  });
  return std::string(jpg.begin(), jpg.end());
}

void TSkinLoadTest::SetUp() {
  ASSERT_EQ(DefaultManager, nullptr) << "a manager of an earlier test is still alive";
  // The skin units' start-up installed the real passes.
  ASSERT_NE(dynamic_cast<TacSkinLoader*>(&SkinLoadPasses()), nullptr);
  SkinFolder = Box.Dir(std::string("Test")) + "\\";
  Sm = new TsSkinManager(nullptr);
  std::string dir = Box.AnsiPath();
  dir.pop_back();
  Sm->SetSkinDirectory(dir);
}

void TSkinLoadTest::TearDown() {
  delete Sm;
  EXPECT_EQ(DefaultManager, nullptr);
  EXPECT_FALSE(SkinChanging || NewSkinSending || CurrentSkinFile);
}

std::string TSkinLoadTest::Write(const std::string& name, const std::string& bytes) {
  return Box.File("Test\\" + name, bytes);
}

void TSkinLoadTest::Load(const std::string& name) {
  Sm->SetSkinName(name);  // loads it, or, while the manager is off, only takes the name
  if (!Sm->Active()) Sm->SetActive(true);
}

const TsMaskData* TSkinLoadTest::Image(std::string_view section, std::string_view key) const {
  const int i = Sm->GetMaskIndexByName(section, key);
  return i < 0 ? nullptr : &Sm->Images[static_cast<size_t>(i)];
}

const TsPatternData* TSkinLoadTest::Texture(std::string_view section, std::string_view key) const {
  for (const TsPatternData& p : Sm->Textures)
    if (p.ClassName == section && p.PropertyName == key) return &p;
  return nullptr;
}

void TSkinLoadTest::ExpectUnskinned() const {
  EXPECT_FALSE(Sm->Active());
  EXPECT_FALSE(Sm->SkinData.Active);
  EXPECT_TRUE(Sm->Sections.empty() && Sm->Images.empty() && Sm->Textures.empty() && !Sm->MasterBitmap);
  for (int16_t v : Sm->SkinIndexCache.Fields()) EXPECT_EQ(v, -1);
  EXPECT_FALSE(SkinChanging || CurrentSkinFile);
}

void TSkinLoadTest::ExpectSoundImages() const {
  EXPECT_TRUE(!Sm->MasterBitmap || !Sm->MasterBitmap->Empty());
  for (const TsMaskData& m : Sm->Images) {
    SCOPED_TRACE(m.ClassName + "/" + m.PropertyName);
    ASSERT_EQ(m.Manager, Sm);
    ASSERT_GE(m.ImageCount, 1);
    ASSERT_GE(m.MaskType, 0);
    ASSERT_GE(m.BorderWidth, 0);
    const TBitmap* source = m.Bmp ? m.Bmp.get() : Sm->MasterBitmap.get();
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(m.R.left >= 0 && m.R.top >= 0 && m.R.left < m.R.right && m.R.top < m.R.bottom &&
                m.R.right <= source->Width() && m.R.bottom <= source->Height());
  }
}

}  // namespace korv::test
