// Controls that carry a skin link the way skinned controls do (every message through
// CommonMessage first), recording the skin commands they receive; and sections and images added
// to a manager's tables by hand.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/Controls.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"

namespace korv::test {

template <class Base>
class TLinked : public Base {
 public:
  explicit TLinked(TWinControl* parent, TRect bounds = Bounds(0, 0, 60, 40), int typeCode = 0)
      : Base(parent), Link(std::make_unique<TsCommonData>(this, true)) {
    Link->CtrlTypeCode = typeCode;
    this->SetParent(parent);
    this->SetBoundsRect(bounds);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) Got.emplace_back(m.WParamHi(), m.WParamLo());
    if (m.Msg == CM_MOUSEENTER && m.LParam == 0) ++Entered;
    if (CommonMessage(m, Link.get())) return;
    Base::WndProc(m);
  }
  // The commands received, without their flags.
  [[nodiscard]] std::vector<WORD> Commands() const {
    std::vector<WORD> out;
    for (const auto& c : Got) out.push_back(c.first);
    return out;
  }
  std::unique_ptr<TsCommonData> Link;
  std::vector<std::pair<WORD, WORD>> Got;  // command, flag
  int Entered = 0;                         // the pointer came over the control
};

using TLinkedWindow = TLinked<TCustomControl>;
using TLinkedGraphic = TLinked<TGraphicControl>;

// A section appended to the manager's table: colour, transparency, gradient and image percents.
inline void AddSection(TsSkinManager& sm, const std::string& name, TColor color, int transparency = 0,
                       int gradientPercent = 0, int imagePercent = 0) {
  TsGeneralData& g = sm.Sections.emplace_back();
  g.SectionName = name;
  g.Color = g.HotColor = color;
  g.Transparency = g.HotTransparency = transparency;
  g.GradientPercent = g.HotGradientPercent = gradientPercent;
  g.ImagePercent = g.HotImagePercent = imagePercent;
  for (int i = 1; i < 5; ++i) g.FontColor[i] = g.HotFontColor[i] = -1;
}

// An image with a picture of its own (the whole bitmap) appended to the manager's table; its index.
inline int AddImage(TsSkinManager& sm, const std::string& section, const std::string& key, std::unique_ptr<TBitmap> bmp,
                    int count, int maskType, TacImgType type = itisaBorder) {
  TsMaskData& m = sm.Images.emplace_back();
  m.ClassName = section;
  m.PropertyName = key;
  m.ImgType = type;
  m.R = Rect(0, 0, bmp->Width(), bmp->Height());
  m.Bmp = std::move(bmp);
  m.ImageCount = static_cast<int16_t>(count);
  m.MaskType = static_cast<int16_t>(maskType);
  m.Manager = &sm;
  return static_cast<int>(sm.Images.size()) - 1;
}

}  // namespace korv::test
