#include "ProviderKit.h"

#include <iterator>
#include <vector>

#include "skin/data/sStoredSkins.h"
#include "skin/paint/sStyleSimply.h"

namespace korv::test {

namespace {

void Put(TBitmap& b, int x, int y, TColor c) {
  uint8_t* p = b.ScanLine(y) + x * 3;
  p[0] = static_cast<uint8_t>(c >> 16);
  p[1] = static_cast<uint8_t>(c >> 8);
  p[2] = static_cast<uint8_t>(c);
}

// One border frame at (left, 0) with its mask below: the ring and the notches show, the white
// middle is left out by the mask.
void DrawFrame(TBitmap& master, int left, TColor ring, bool bottomNotches) {
  const int n = 3 * kCell;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const bool notch = NotchPixel(std::min(x, n - 1 - x), std::min(y, n - 1 - y)) && (y < n / 2 || bottomNotches);
      const bool edge = x == 0 || y == 0 || x == n - 1 || y == n - 1;
      Put(master, left + x, y, notch ? kKey : edge ? ring : 0xFFFFFF);
      Put(master, left + x, y + n, edge || notch ? 0 : 0xFFFFFF);
    }
}

}  // namespace

TPixelImage CaptureWhen(HWND wnd, bool clientOnly, const std::function<bool(const TPixelImage&)>& ready) {
  TPixelImage img;
  PumpUntil([&] {
    img = clientOnly ? CaptureClient(wnd) : CaptureWindow(wnd);
    return ready(img);
  });
  return img;
}

void AddTestSkin(TsSkinManager& sm) {
  TsStoredSkin* skin = sm.InternalSkins()->Add();
  skin->SetName("Test");
  TBitmap master(64, 32);
  DrawFrame(master, 0, kFrameActive, true);
  DrawFrame(master, 12, kFrameInactive, true);
  DrawFrame(master, 24, kTitleFrame, false);
  DrawFrame(master, 36, kTitleFrame, false);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      Put(master, 48 + x, y, kGripColor);
      Put(master, 48 + x, y + 6, 0);
    }
  skin->SetMasterBitmap(&master);
  const std::tuple<const char*, TColor, TColor> sections[] = {{"GLOBALINFO", kGlobalColor, kGlobalColor},
                                                              {"FORM", kFormColor, kFormHotColor},
                                                              {"FORMTITLE", kTitleColor, kTitleHotColor},
                                                              {"MENULINE", kGlobalColor, kGlobalColor}};
  const std::tuple<const char*, TColor, TColor> more[] = {
      {"SCROLLBAR1V", kTrackBefore, kTrackBefore},  {"SCROLLBAR1H", kTrackBefore, kTrackBefore},
      {"SCROLLBAR2V", kTrackAfter, kTrackAfter},    {"SCROLLBAR2H", kTrackAfter, kTrackAfter},
      {"SCROLLSLIDERV", kThumbColor, kThumbColor},  {"SCROLLSLIDERH", kThumbColor, kThumbColor},
      {"SCROLLBTNTOP", kArrowColor, kArrowColor},   {"SCROLLBTNBOTTOM", kArrowColor, kArrowColor},
      {"SCROLLBTNLEFT", kArrowColor, kArrowColor},  {"SCROLLBTNRIGHT", kArrowColor, kArrowColor},
      {"CHECKBOX", kCheckBoxColor, kCheckBoxColor}, {"MDIAREA", kMDIAreaColor, kMDIAreaColor}};
  std::vector<std::tuple<const char*, TColor, TColor>> all(std::begin(sections), std::end(sections));
  all.insert(all.end(), std::begin(more), std::end(more));
  for (auto [name, color, hot] : all) {
    TsSkinGeneral* g = skin->GeneralData()->Add();
    g->SectionName = name;
    g->Color = color;
    g->HotColor = hot;
    g->FontColor = g->HotFontColor = "16777215 -1 -1 -1 -1";
  }
  const std::tuple<const char*, const char*, TRect, int> images[] = {
      {"FORM", "BORDERSMASK", Rect(0, 0, 24, 24), 2},
      {"FORMTITLE", "BORDERSMASK", Rect(24, 0, 48, 24), 2},
      {"GLOBALINFO", "GRIPIMAGE", Rect(48, 0, 54, 12), 1}};
  for (auto [section, key, r, count] : images) {
    TsSkinImage* i = skin->Images()->Add();
    i->SectionName = section;
    i->PropertyName = key;
    i->Left = r.left, i->Top = r.top, i->Right = r.right, i->Bottom = r.bottom;
    i->ImageCount = count;
    i->MaskType = 1;
  }
}

TColor ButtonColor(std::string_view name, int frame) {
  int k = 0;
  for (char c : name) k = (k * 31 + c) & 0x7F;
  return RGB(0x40 + k, 0x20 + 0x60 * frame, 0x90 - 0x20 * frame);
}

std::unique_ptr<TsSkinManager> NewButtonSkin(std::initializer_list<TButtonImage> images) {
  auto sm = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  AddTestSkin(*sm);
  TsStoredSkin* skin = sm->InternalSkins()->Items(0);
  TBitmap* old = skin->MasterBitmap();
  const int y = old->Height();
  TBitmap master(old->Width() + 3 * 24 * static_cast<int>(images.size()), y + 2 * 18);
  HDC dc = master.Canvas()->Handle();
  BitBlt(dc, 0, 0, old->Width(), y, old->Canvas()->Handle(), 0, 0, SRCCOPY);
  int x = old->Width();
  for (const TButtonImage& i : images) {
    for (int f = 0; f < 3; ++f) FillDC(dc, Bounds(x + f * i.W, y, i.W, i.H), ButtonColor(i.Name, f));
    FillDC(dc, Bounds(x, y + i.H, 3 * i.W, i.H), 0);
    TsSkinImage* image = skin->Images()->Add();
    image->SectionName = i.Section, image->PropertyName = i.Name, image->ImageCount = 3, image->MaskType = 1;
    image->Left = x, image->Top = y, image->Right = x += 3 * i.W, image->Bottom = y + 2 * i.H;
  }
  skin->SetMasterBitmap(&master);
  sm->SetSkinName("Test");
  return sm;
}

void TProviderTest::SetUp() {
  TFormTest::SetUp();
  ASSERT_EQ(DefaultManager, nullptr) << "a manager of an earlier test is still alive";
}

void TProviderTest::TearDown() {
  TFormTest::TearDown();
  Manager.reset();
  EXPECT_EQ(DefaultManager, nullptr);
}

TsSkinManager* TProviderTest::LoadTestSkin() {
  Manager = std::unique_ptr<TsSkinManager>(NewComponent<TsSkinManager>(nullptr));
  AddTestSkin(*Manager);
  Manager->SetSkinName("Test");
  EXPECT_TRUE(Manager->SkinData.Active);
  return Manager.get();
}

TForm* TProviderTest::NewSkinnedForm(TBorderStyle style, int w, int h) {
  TForm* form = NewForm(100, 100, w, h);
  form->SetBorderStyle(style);
  form->SetCaption("");
  NewComponent<TsSkinProvider>(form)->SetName("sSkinProvider1");
  return form;
}

TForm* TProviderTest::ShowSkinnedForm(TBorderStyle style, int w, int h) {
  TForm* form = NewSkinnedForm(style, w, h);
  ShowPainted(form);
  return form;
}

void TProviderTest::ShowPainted(TForm* form) {
  TsSkinProvider* p = ProviderOf(form);
  form->Show();
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_TRUE(PumpUntil([&] { return p->ImageComposed && !p->SkinData()->BGChanged; }));
  PumpPending();
}

TsSkinProvider* TProviderTest::ProviderOf(TCustomForm* form) {
  return dynamic_cast<TsSkinProvider*>(form->FindComponent("sSkinProvider1"));
}

TPixelImage TProviderTest::Compose(TsSkinProvider* p) {
  p->SkinData()->BGChanged = true;
  p->RebuildRequested = true;
  p->PaintAll();
  return BitmapImage(*p->SkinData()->CacheBmp);
}

void TCaptionTest::SetUp() {
  TProviderTest::SetUp();
  Manager = NewButtonSkin({{"GLOBALINFO", "BICONCLOSE", 20, 18},
                           {"GLOBALINFO", "BICONMAX", 20, 18},
                           {"GLOBALINFO", "BICONMIN", 20, 18},
                           {"GLOBALINFO", "BICONHELP", 20, 18},
                           {"GLOBALINFO", "BICONNORM", 20, 18}});
}

void TCaptionTest::ShowActive() {
  ShowAndActivate(Form = ShowSkinnedForm());
  Wnd = Form->Handle();
  P = ProviderOf(Form);
}

TPoint TCaptionTest::Screen(TPoint w) const {
  const TPoint o = P->FormLeftTop();
  return Point(o.x + w.x, o.y + w.y);
}

int TCaptionTest::SystemHit(TPoint w) const {
  const TPoint s = Screen(w);
  return static_cast<int>(
      SendMessageA(Wnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(s.x), static_cast<WORD>(s.y))));
}

}  // namespace korv::test
