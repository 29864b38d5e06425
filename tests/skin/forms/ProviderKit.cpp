#include "ProviderKit.h"

#include "classlib/Graphics.h"
#include "skin/core/sSkinStartup.h"
#include "skin/data/sStoredSkins.h"

namespace korv::test {

namespace {

void Put(TBitmap& b, int x, int y, TColor c) {
  uint8_t* p = b.ScanLine(y) + x * 3;
  p[0] = static_cast<uint8_t>(c >> 16);
  p[1] = static_cast<uint8_t>(c >> 8);
  p[2] = static_cast<uint8_t>(c);
}

// One border frame at (left, 0): a one-pixel ring, a white middle the mask leaves out, and
// key-colour notches at the top corners (and the bottom ones with bottomNotches).
void DrawFrame(TBitmap& master, int left, TColor ring, bool bottomNotches) {
  const int n = kFrameSize;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int cx = x < n / 2 ? x : n - 1 - x;
      const int cy = y < n / 2 ? y : n - 1 - y;
      const bool notch = NotchPixel(cx, cy) && (y < n / 2 || bottomNotches);
      const bool edge = x == 0 || y == 0 || x == n - 1 || y == n - 1;
      Put(master, left + x, y, notch ? kKey : edge ? ring : 0xFFFFFF);
      Put(master, left + x, y + n, edge || notch ? 0 : 0xFFFFFF);  // the mask: 0 shows the picture
    }
}

TsSkinGeneral* AddSection(TsStoredSkin* skin, const char* name, TColor color, TColor hotColor) {
  TsSkinGeneral* g = skin->GeneralData()->Add();
  g->SectionName = name;
  g->Color = color;
  g->HotColor = hotColor;
  g->FontColor = "16777215 -1 -1 -1 -1";
  g->HotFontColor = "16777215 -1 -1 -1 -1";
  return g;
}

void AddImage(TsStoredSkin* skin, const char* section, const char* key, TRect r, int count, int maskType) {
  TsSkinImage* i = skin->Images()->Add();
  i->SectionName = section;
  i->PropertyName = key;
  i->Left = r.left;
  i->Top = r.top;
  i->Right = r.right;
  i->Bottom = r.bottom;
  i->ImageCount = count;
  i->MaskType = maskType;
}

}  // namespace

bool NotchPixel(int x, int y) noexcept { return (x == 0 && y <= 1) || (x == 1 && y == 0); }

void AddTestSkin(TsSkinManager& sm, const std::string& name) {
  TsStoredSkin* skin = sm.InternalSkins()->Add();
  skin->SetName(name);
  skin->Version = 5;
  TBitmap master(64, 32);
  DrawFrame(master, 0, kFrameActive, true);
  DrawFrame(master, kFrameSize, kFrameInactive, true);
  DrawFrame(master, 2 * kFrameSize, kTitleFrame, false);
  DrawFrame(master, 3 * kFrameSize, kTitleFrame, false);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      Put(master, 48 + x, y, kGripColor);
      Put(master, 48 + x, y + 6, 0);
    }
  skin->SetMasterBitmap(&master);
  AddSection(skin, "GLOBALINFO", kGlobalColor, kGlobalColor);
  AddSection(skin, "FORM", kFormColor, kFormHotColor);
  AddSection(skin, "FORMTITLE", kTitleColor, kTitleHotColor);
  AddSection(skin, "MENULINE", kGlobalColor, kGlobalColor);
  AddImage(skin, "FORM", "BORDERSMASK", Rect(0, 0, 2 * kFrameSize, 2 * kFrameSize), 2, 1);
  AddImage(skin, "FORMTITLE", "BORDERSMASK", Rect(2 * kFrameSize, 0, 4 * kFrameSize, 2 * kFrameSize), 2, 1);
  AddImage(skin, "GLOBALINFO", "GRIPIMAGE", Rect(48, 0, 54, 12), 1, 1);
}

// ---- the non-client painter ----

TNonClientPainter::TNonClientPainter(TCustomForm* form, TsSkinProvider* provider)
    : Form_(form), Provider_(provider), Saved_(form->WindowProc) {
  form->WindowProc = TWndMethod(this, &TNonClientPainter::Proc);
}

TNonClientPainter::~TNonClientPainter() {
  if (Form_->WindowProc == TWndMethod(this, &TNonClientPainter::Proc)) Form_->WindowProc = Saved_;
}

void TNonClientPainter::Proc(TMessage& m) {
  TsSkinProvider& p = *Provider_;
  switch (m.Msg) {
    case WM_WINDOWPOSCHANGING:
      if (p.InRegionUpdate) return;  // the provider's own region: nothing moves
      break;
    case WM_WINDOWPOSCHANGED: {
      if (p.InRegionUpdate) return;
      p.RegionChanged = true;
      Saved_(m);
      const TBitmap* cache = p.SkinData()->CacheBmp.get();
      if (!cache || cache->Width() != p.FormWidth() || cache->Height() != Form_->Height()) {
        p.SkinData()->BGChanged = true;
        RedrawWindow(Form_->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      }
      return;
    }
    case WM_NCPAINT: {
      if (!Form_->Visible()) return;
      if (p.RegionChanged && !p.InRegionUpdate) {
        p.BuildRegionList();
        p.RegionChanged = false;
        p.UpdateRgn();
      }
      HDC dc = GetWindowDC(Form_->Handle());
      const int saved = SaveDC(dc);
      p.PaintToWindow(dc);
      RestoreDC(dc, saved);
      ReleaseDC(Form_->Handle(), dc);
      p.InRegionUpdate = false;
      ++Paints;
      return;
    }
    case WM_PRINT:
      // The system prints the client where it belongs; the skinned strips go over its frame.
      Saved_(m);
      if (m.LParam & PRF_NONCLIENT) {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        const int saved = SaveDC(dc);
        p.PaintToWindow(dc);
        RestoreDC(dc, saved);
        ++Paints;
      }
      return;
    case WM_NCACTIVATE:
    case WM_SETTEXT: {
      // The system repaints its own caption for these: paint the skinned one over it.
      Saved_(m);
      if (Form_->Visible()) {
        HDC dc = GetWindowDC(Form_->Handle());
        p.PaintToWindow(dc);
        ReleaseDC(Form_->Handle(), dc);
      }
      return;
    }
    default:
      break;
  }
  Saved_(m);
}

// ---- fixture ----

namespace {

class TProviderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { RegisterClass(TsSkinProvider::StaticClass()); }
};
[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new TProviderEnvironment);

}  // namespace

void TProviderTest::SetUp() {
  TFormTest::SetUp();
  ASSERT_EQ(DefaultManager, nullptr) << "a manager of an earlier test is still alive";
}

void TProviderTest::TearDown() {
  TFormTest::TearDown();
  Manager.reset();
  EXPECT_EQ(DefaultManager, nullptr);
  EXPECT_EQ(MDIParentProvider, nullptr);
}

TsSkinManager* TProviderTest::LoadTestSkin() {
  Manager = std::make_unique<TsSkinManager>(nullptr);
  AddTestSkin(*Manager);
  Manager->SetSkinName("Test");
  EXPECT_TRUE(Manager->SkinData.Active);
  return Manager.get();
}

TForm* TProviderTest::NewSkinnedForm(TBorderStyle style, int x, int y, int w, int h) {
  TForm* form = NewForm(x, y, w, h);
  form->SetBorderStyle(style);
  auto* provider = NewComponent<TsSkinProvider>(form);
  provider->SetName("sSkinProvider1");
  return form;
}

TsSkinProvider* TProviderTest::ProviderOf(TCustomForm* form) {
  return dynamic_cast<TsSkinProvider*>(form->FindComponent("sSkinProvider1"));
}

}  // namespace korv::test
