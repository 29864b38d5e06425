// What the skin loading tests share: folder skins written into a temporary folder, a manager
// that loads them with the passes the skin units install, and pictures made in code.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Graphics.h"
#include "skin/core/sSkinManager.h"
#include "support/Sandbox.h"

namespace korv::test {

// A 24-bit picture whose pixel (x, y) is colour(x, y).
[[nodiscard]] std::unique_ptr<TBitmap> MakeBitmap(int width, int height,
                                                  const std::function<TColor(int, int)>& colour);
// A pixel read through the scan lines.
[[nodiscard]] TColor PixelAt(const TBitmap& bmp, int x, int y);
// File images: a bitmap as the class library saves it (24-bit), an 8-bit BMP whose pixel (x, y)
// is palette[index(x, y)], a JPEG of one colour.
[[nodiscard]] std::string BmpBytes(const TBitmap& bmp);
[[nodiscard]] std::string Bmp8Bytes(int width, int height, const std::vector<TColor>& palette,
                                    const std::function<int(int, int)>& index);
[[nodiscard]] std::string JpegBytes(int width, int height, TColor colour);

class TSkinLoadTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a file of the folder skin "Test" (Options.dat, pictures); returns its full name.
  std::string Write(const std::string& name, const std::string& bytes);
  // Loads a skin through the SkinName setter (again when it is the current one), turning the
  // manager on first when a failed load left it off.
  void Load(const std::string& name = "Test");
  // The image or texture entry of these names, nullptr when there is none.
  [[nodiscard]] const TsMaskData* Image(std::string_view section, std::string_view key) const;
  [[nodiscard]] const TsPatternData* Texture(std::string_view section, std::string_view key) const;
  // The state a refused load must leave: no skin, no table, nothing open, nothing raised.
  void ExpectUnskinned() const;
  // The rules every kept image entry meets: counts in range, rectangle inside its source.
  void ExpectSoundImages() const;

  TSandbox Box;
  std::string SkinFolder;  // the folder skin "Test", with a trailing "\"
  TsSkinManager* Sm = nullptr;
};

}  // namespace korv::test
