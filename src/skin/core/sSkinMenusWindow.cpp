// The menu painter and the popup window: the picture of the open popup made for its window, the
// window sub-classed, shaped and framed from it, and the popup items handed to the painting.
// While a painter is active the thread's popup menu windows are caught as they are created, so
// that the painter's own are shaped before they are first shown.
#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinMenus.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

bool IsMenuWindow(HWND wnd) {
  char name[16] = {};
  return GetClassNameA(wnd, name, sizeof name) > 0 && std::strcmp(name, "#32768") == 0;
}

TSize WindowSize(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return TSize{r.right - r.left, r.bottom - r.top};
}

// Client origin - window origin: where the item DC's coordinates start in the window.
TPoint ClientOffset(HWND wnd) {
  POINT client{0, 0};
  RECT r{};
  if (!ClientToScreen(wnd, &client) || !GetWindowRect(wnd, &r)) return TPoint{0, 0};
  return TPoint{client.x - r.left, client.y - r.top};
}

bool SameSize(const TBitmap* bmp, TSize size) noexcept { return bmp->Width() == size.cx && bmp->Height() == size.cy; }

// The item is the first (last) of its visible siblings.
bool IsEdgeVisible(const TMenuItem* item, bool last) {
  const TMenuItem* parent = item->Parent();
  if (!parent) return true;
  const int n = parent->Count();
  for (int k = 0; k < n; ++k) {
    const TMenuItem* sibling = parent->Items(last ? n - 1 - k : k);
    if (sibling->Visible()) return sibling == item;
  }
  return false;
}

void CopyBlock(HDC dst, HDC src, int x, int y, int w, int h) {
  if (w > 0 && h > 0) BitBlt(dst, x, y, w, h, src, x, y, SRCCOPY);
}

// The popup windows the painter skins (the caught ones only once they show one of its menus):
// their frame and background come from the picture.
std::vector<HWND>& SkinnedWindows() {
  static std::vector<HWND> windows;
  return windows;
}

bool IsSkinnedWindow(HWND wnd) {
  const std::vector<HWND>& all = SkinnedWindows();
  return std::find(all.begin(), all.end(), wnd) != all.end();
}

// Sub-classes a popup window with MenuWindowProc, never twice: a window whose slot holds a saved
// procedure is sub-classed already, even when another sub-class came after ours.
void SubclassMenuWindow(HWND wnd) {
  const auto ours = reinterpret_cast<LONG_PTR>(&MenuWindowProc);
  if (GetWindowLongPtrA(wnd, GWLP_WNDPROC) == ours || GetWindowLongPtrA(wnd, GWLP_USERDATA) != 0) return;
  SetWindowLongPtrA(wnd, GWLP_USERDATA, GetWindowLongPtrA(wnd, GWLP_WNDPROC));
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, ours);
}

// ---- the desktop window manager's corner rounding ----

// Windows 11 rounds the corners of popup menu windows unless told not to; a window with a region
// cannot be rounded, and a rounded frame would cut the skin's. The attribute and its value.
constexpr DWORD kWindowCornerPreference = 33;  // DWMWA_WINDOW_CORNER_PREFERENCE
constexpr DWORD kDoNotRound = 1;               // DWMWCP_DONOTROUND

struct TDwmEntry {
  bool Loaded = false;
  TDwmSetWindowAttributeFn Fn = nullptr;
};

TDwmEntry& DwmEntry() {
  static TDwmEntry entry;
  return entry;
}

// Loaded by name at first use: the library may be missing, or lack the function (it stays loaded
// for the process).
TDwmSetWindowAttributeFn DwmSetWindowAttributeFn() {
  TDwmEntry& e = DwmEntry();
  if (!e.Loaded) {
    e.Loaded = true;
    if (HMODULE dwm = LoadLibraryA("dwmapi.dll"))
      e.Fn = reinterpret_cast<TDwmSetWindowAttributeFn>(
          reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
  }
  return e.Fn;
}

// Where the system does not know the attribute (before Windows 11) the call fails: nothing to do.
void KeepCornersSquare(HWND wnd) {
  if (TDwmSetWindowAttributeFn fn = DwmSetWindowAttributeFn()) {
    const DWORD preference = kDoNotRound;
    (void)fn(wnd, kWindowCornerPreference, &preference, sizeof preference);
  }
}

// ---- catching popup windows at creation ----

struct TMenuWatch {
  std::vector<TsSkinableMenus*> Painters;  // the active painters of the hook's thread
  HHOOK Hook = nullptr;
  DWORD Thread = 0;
};

TMenuWatch& MenuWatch() {
  static TMenuWatch watch;
  return watch;
}

LRESULT CALLBACK CatchMenuWindows(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HCBT_CREATEWND) {
    HWND wnd = reinterpret_cast<HWND>(wParam);
    if (IsMenuWindow(wnd)) SubclassMenuWindow(wnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The live item at a position of a menu handle (owner-drawn items carry their item).
TMenuItem* ItemAt(HMENU menu, UINT position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA;
  if (!menu || !GetMenuItemInfoA(menu, position, TRUE, &info)) return nullptr;
  void* data = reinterpret_cast<void*>(info.dwItemData);
  return TMenuItem::IsLive(data) ? static_cast<TMenuItem*>(data) : nullptr;
}

}  // namespace

TDwmSetWindowAttributeFn SetDwmSetWindowAttribute(TDwmSetWindowAttributeFn fn) noexcept {
  const TDwmSetWindowAttributeFn old = DwmSetWindowAttributeFn();  // loaded first: it can be put back
  DwmEntry().Fn = fn;
  return old;
}

void TsSkinableMenus::WatchMenuWindows(bool value) {
  TMenuWatch& w = MenuWatch();
  auto it = std::find(w.Painters.begin(), w.Painters.end(), this);
  if (value == (it != w.Painters.end())) return;
  if (!value) {
    w.Painters.erase(it);
    if (w.Painters.empty() && w.Hook) {
      UnhookWindowsHookEx(w.Hook);
      w.Hook = nullptr;
    }
    return;
  }
  // One hook, on the thread of the painters (the user-interface thread).
  if (w.Hook && w.Thread != GetCurrentThreadId()) return;
  w.Painters.push_back(this);
  if (!w.Hook) {
    w.Thread = GetCurrentThreadId();
    w.Hook = SetWindowsHookExA(WH_CBT, &CatchMenuWindows, nullptr, w.Thread);
  }
}

bool TsSkinableMenus::MenuWindowShowing(HWND wnd, const WINDOWPOS& pos) {
  if (pos.cx < 1 || pos.cy < 1) return false;
  // The menu the window shows: the painter's when its first item carries the painter's drawing.
  TMenuItem* item = ItemAt(reinterpret_cast<HMENU>(SendMessageA(wnd, MN_GETHMENU, 0, 0)), 0);
  if (!item) return false;
  for (TsSkinableMenus* painter : MenuWatch().Painters) {
    if (item->OnAdvancedDrawItem != TAdvancedMenuDrawItemEvent(painter, &TsSkinableMenus::DrawItem)) continue;
    TacMenuPainterState& st = MenuPainterState;
    TMenuItem* first = MenuFirstItem(item);
    const TSize size{pos.cx, pos.cy};
    if (first != st.CachedFirstItem) ResetMenuCache();
    if (st.MenuBackground && !SameSize(st.MenuBackground.get(), size)) st.MenuBackground.reset();
    painter->PrepareMenuBackground(first, size.cx, size.cy, nullptr);
    if (!st.MenuBackground) return false;
    SkinnedWindows().push_back(wnd);
    st.ItemOffset = ClientOffset(wnd);
    painter->ShapeMenuWindow(wnd, st.MenuBackground.get(), size);
    return true;
  }
  return false;
}

void TsSkinableMenus::PrepareMenuBackground(TMenuItem* firstItem, int width, int height, HWND wnd) {
  TacMenuPainterState& st = MenuPainterState;
  if (st.MenuBackground && firstItem == st.CachedFirstItem) {
    if (!wnd || SameSize(st.MenuBackground.get(), TSize{width, height})) return;
    // A picture made before the window was known, from one item's width: made again at the
    // window's size, with the extra line's data (its glyph is gone) asked for again.
    st.MenuBackground.reset();
    st.ExtraLineFetched = false;
  }
  if (width < 1 || height < 1) return;
  if (!st.ExtraLineFetched) FetchExtraLineData(firstItem, false);
  st.CachedFirstItem = firstItem;
  st.MenuBackground = std::make_unique<TBitmap>(width, height);
  st.FirstGlyphWidth = GetGlyphSize(firstItem).cx;
  st.IconColumnWidth = Margin + st.FirstGlyphWidth + Spacing;
  // Rectangles of an earlier skin never cut this window.
  RegionRects.clear();
  MenuPainting().PaintMenuBackground(*this);
  if (wnd) SkinMenuWindow(wnd, st.MenuBackground.get());
}

void TsSkinableMenus::SkinMenuWindow(HWND wnd, TBitmap* bmp) {
  if (Painting || !wnd || !IsWindow(wnd) || !IsMenuWindow(wnd)) return;
  TacMenuPainterState& st = MenuPainterState;
  SubclassMenuWindow(wnd);
  if (!IsSkinnedWindow(wnd)) SkinnedWindows().push_back(wnd);
  st.ItemOffset = ClientOffset(wnd);
  if (!st.IsNTPlatform || !bmp) return;
  const TSize size = WindowSize(wnd);
  if (!SameSize(bmp, size)) {
    // The picture was made without the window, one column wide: shaping the window to it would
    // cut every other column off. It is made again at the window's size first.
    if (bmp != st.MenuBackground.get() || !st.CachedFirstItem || !TMenuItem::IsLive(st.CachedFirstItem)) return;
    {
      // The new picture shapes the window below, not from inside.
      TFlagScope guard(Painting);
      PrepareMenuBackground(st.CachedFirstItem, size.cx, size.cy, wnd);
    }
    bmp = st.MenuBackground.get();
    if (!bmp || !SameSize(bmp, size)) return;
    InvalidateRect(wnd, nullptr, FALSE);
  }
  ShapeMenuWindow(wnd, bmp, size);
}

void TsSkinableMenus::ShapeMenuWindow(HWND wnd, TBitmap* bmp, TSize size) {
  TFlagScope guard(Painting);
  KeepCornersSquare(wnd);
  // A window not yet shown is neither redrawn nor framed: its first paint does it.
  const bool shown = IsWindowVisible(wnd) != FALSE;
  if (!RegionRects.empty()) {
    TUniqueRgn region(CreateRectRgn(0, 0, size.cx, size.cy));
    for (const TRect& r : RegionRects) {
      TUniqueRgn cut(CreateRectRgnIndirect(&r));
      CombineRgn(region.Get(), region.Get(), cut.Get(), RGN_DIFF);
    }
    // The system owns the region once it is set.
    if (SetWindowRgn(wnd, region.Get(), shown)) (void)region.Release();
    return;
  }
  if (!shown) return;
  TWindowDC dc = TWindowDC::Window(wnd);
  if (!dc) return;
  HDC src = bmp->Canvas()->Handle();
  const int f = MenuWindowFrame;
  CopyBlock(dc.Get(), src, 0, 0, CurrentExtraLineWidth(false) + f, size.cy);
  CopyBlock(dc.Get(), src, f, 0, size.cx - f, f);
  CopyBlock(dc.Get(), src, size.cx - f, f, f, size.cy - f);
  CopyBlock(dc.Get(), src, f, size.cy - f, size.cx - 2 * f, f);
}

void TsSkinableMenus::CopyFrameBeside(HWND wnd, TMenuItem* item, const TRect& rect) {
  TBitmap* bg = MenuPainterState.MenuBackground.get();
  TWindowDC dc = TWindowDC::Window(wnd);
  if (!dc) return;
  HDC src = bg->Canvas()->Handle();
  const int w = bg->Width(), h = bg->Height();
  if (IsEdgeVisible(item, false)) CopyBlock(dc.Get(), src, 0, 0, w, BorderWidth);
  if (IsEdgeVisible(item, true)) CopyBlock(dc.Get(), src, 0, h - BorderWidth, w, BorderWidth);
  // The item's rows in window coordinates.
  const int top = rect.top + MenuPainterState.ItemOffset.y;
  CopyBlock(dc.Get(), src, 0, top, CurrentExtraLineWidth(false) + std::max(SkinBorderWidth(), BorderWidth),
            RectHeight(rect));
  CopyBlock(dc.Get(), src, w - BorderWidth, top, BorderWidth, RectHeight(rect));
}

void TsSkinableMenus::DrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!FManager || !item || !ACanvas || item->HasState(csDestroying)) return;
  TacMenuPainterState& st = MenuPainterState;
  TMenuItem* first = MenuFirstItem(item);
  if (first != st.CachedFirstItem) ResetMenuCache();
  // Only a popup menu window is skinned: the DC of any other window counts as one without a window.
  HWND wnd = WindowFromDC(ACanvas->Handle());
  if (wnd && !IsMenuWindow(wnd)) wnd = nullptr;
  if (wnd) {
    st.ItemOffset = ClientOffset(wnd);
    const TSize size = WindowSize(wnd);
    PrepareMenuBackground(first, size.cx, size.cy, wnd);
  } else if (!st.MenuBackground || first != st.CachedFirstItem) {
    // The columns are measured (every item of the popup) only for a picture still to make.
    PrepareMenuBackground(first, RectWidth(ARect) + 2 * BorderWidth, ColumnsHeight(ACanvas, item) + 2 * BorderWidth,
                          nullptr);
  }
  if (!st.MenuBackground) return TacMenuPainting().DrawItem(*this, item, ACanvas, ARect, State);
  if (wnd && st.IsNTPlatform) CopyFrameBeside(wnd, item, ARect);
  if (!wnd && Application) {
    // The application hook finds the window once the menu is on the screen; one request at a time.
    MSG waiting;
    HWND app = Application->Handle();
    if (app && !PeekMessageA(&waiting, app, WM_SKINMENUITEM, WM_SKINMENUWINDOW, PM_NOREMOVE))
      PostMessageA(app, WM_SKINMENUITEM, 0, reinterpret_cast<LPARAM>(item));
  }
  MenuPainting().DrawItem(*this, item, ACanvas, ARect, State);
}

LRESULT CALLBACK MenuWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  const auto saved = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  switch (msg) {
    case WM_WINDOWPOSCHANGING: {
      // A caught window about to be shown: shaped now when it shows one of the painters' menus.
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (pos && (pos->flags & SWP_SHOWWINDOW) && !IsWindowVisible(wnd) && !IsSkinnedWindow(wnd)) {
        try {
          (void)TsSkinableMenus::MenuWindowShowing(wnd, *pos);
        } catch (...) {
          // Shown unskinned; its items are painted as they come.
        }
      }
      break;
    }
    case WM_ERASEBKGND:
    case WM_NCPAINT:
      // The items and the frame come from the picture.
      if (IsSkinnedWindow(wnd)) return 1;
      break;
    case WM_DESTROY:
      if (IsSkinnedWindow(wnd)) ResetMenuCache();
      break;
    case WM_NCDESTROY:
      std::erase(SkinnedWindows(), wnd);
      // The saved procedure goes back only while ours is installed; else ours stays a pass-through.
      if (saved && GetWindowLongPtrA(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&MenuWindowProc)) {
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
      }
      break;
    default:
      break;
  }
  return saved ? CallWindowProcA(saved, wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace korv
