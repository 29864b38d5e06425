// Finding sections, images and textures by name, with the parent-class fall-back; the tables are
// built by hand.
#include <gtest/gtest.h>

#include "SkinCoreKit.h"

namespace korv::test {
namespace {

using SkinLookupsTest = TSkinCoreTest;

void AddSection(TsSkinManager& sm, const std::string& name, const std::string& parent) {
  TsGeneralData& g = sm.Sections.emplace_back();
  g.SectionName = name;
  g.ParentClass = parent;
}

TEST_F(SkinLookupsTest, ParentChainsEndAtTheirFirstRepeat) {
  TsSkinManager& sm = *NewManager();
  AddSection(sm, "A", "B");  // A -> B -> C -> A; D names itself
  AddSection(sm, "B", "C");
  AddSection(sm, "C", "A");
  AddSection(sm, "D", "D");
  sm.Images.push_back(Image("C", "BORDERSMASK"));
  sm.Images.push_back(Image("D", "PATTERN"));
  sm.Images.push_back(Image("B", "PATTERN", itisaTexture));
  EXPECT_EQ(sm.GetMaskIndex(0, "A", "BORDERSMASK"), 0);
  EXPECT_EQ(sm.GetMaskIndex(0, "A", "GLYPHMASK"), -1);  // once round the cycle, then stop
  EXPECT_EQ(sm.GetTextureIndex(2, "C", "PATTERN"), 2);
  EXPECT_EQ(sm.GetTextureIndex(3, "D", "PATTERN"), -1);  // not a texture, and no other parent
  EXPECT_EQ(sm.GetMaskIndex(-1, "C", "BORDERSMASK"), -1);
  EXPECT_EQ(sm.GetMaskIndexByName("C", "BORDERSMASK"), 0);
  EXPECT_EQ(sm.GetSkinIndex("c"), -1);  // names are exact
  EXPECT_EQ(sm.GetPatternIndex(0, "A", "HOTPATTERN"), -1);
  TsPatternData& p = sm.Textures.emplace_back();
  p.ClassName = "B";
  p.PropertyName = "HOTPATTERN";
  EXPECT_EQ(sm.GetPatternIndex(0, "A", "HOTPATTERN"), 0);
  EXPECT_EQ(GetMaskIndex(nullptr, 0, "A", "BORDERSMASK"), -1);
}

}  // namespace
}  // namespace korv::test
