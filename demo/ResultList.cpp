#include "ResultList.h"

#include <windowsx.h>

#include <algorithm>

#include "classlib/Messages.h"
#include "classlib/SysUtils.h"

namespace korv {

namespace {
// Column widths in pixels and alignment, in column order.
struct TColumnLook {
  int Width;
  int Format;
};
constexpr TColumnLook kColumns[rcColumnCount] = {
    {150, LVCFMT_LEFT}, {250, LVCFMT_LEFT}, {50, LVCFMT_LEFT}, {80, LVCFMT_RIGHT}, {160, LVCFMT_LEFT}};

}  // namespace

KORV_DEFINE_CLASS(TResultList, TWinControl, nullptr, nullptr);

TResultList::TResultList(TComponent* owner) : TWinControl(owner) {
  // The system list captures the mouse and tells clicks itself.
  SetControlStyle(csDoubleClicks | csSetCaption);
  SetBounds(0, 0, 400, 200);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TResultList::~TResultList() { DestroyHandle(); }

void TResultList::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, WC_LISTVIEWA);
  p.Style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA;
  p.ExStyle |= WS_EX_CLIENTEDGE;
  p.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TResultList::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = FHandle;
  SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (int i = 0; i < rcColumnCount; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = kColumns[i].Format;
    col.cx = kColumns[i].Width;
    col.pszText = const_cast<char*>(ResultColumnCaption(i));
    col.iSubItem = i;
    if (SendMessageA(h, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col)) != i)
      RaiseLastOSError();
  }
  SendMessageA(h, LVM_SETITEMCOUNT, FRows.size(), 0);
}

void TResultList::SetRows(std::vector<TResultRow> rows) {
  if (FHandle) {
    // The list keeps the selection by index: drop it before the rows change under it.
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  }
  FRows = std::move(rows);
  if (FHandle) {
    SendMessageA(FHandle, LVM_SETITEMCOUNT, FRows.size(), 0);
    InvalidateRect(FHandle, nullptr, TRUE);
  }
  SelectionChanged();
}

int TResultList::RowAt(int x, int y) {
  LVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  SendMessageA(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.iItem < 0 || hit.iItem >= RowCount() || !(hit.flags & LVHT_ONITEM)) return -1;
  return hit.iItem;
}

TRect TResultList::RowRect(int row) {
  RECT r{LVIR_BOUNDS, 0, 0, 0};
  if (!SendMessageA(Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r))) return TRect{};
  return r;
}

bool TResultList::RowSelected(int row) {
  return (SendMessageA(Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TResultList::SetRowSelected(int row, bool selected) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::vector<int> TResultList::SelectedRows() {
  std::vector<int> rows;
  HWND h = Handle();
  int i = -1;
  while ((i = static_cast<int>(SendMessageA(h, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0) {
    if (i >= RowCount() || (!rows.empty() && i <= rows.back())) break;  // never loop on a confused answer
    rows.push_back(i);
  }
  return rows;
}

int TResultList::SelCount() { return static_cast<int>(SendMessageA(Handle(), LVM_GETSELECTEDCOUNT, 0, 0)); }

std::vector<std::string> TResultList::SelectedPaths() {
  std::vector<std::string> paths;
  for (int row : SelectedRows()) paths.push_back(FRows[static_cast<size_t>(row)].FullPath());
  return paths;
}

void TResultList::SelectionChanged() {
  if (OnSelectionChange) OnSelectionChange(this);
}

bool TResultList::SelectedRowPress(TMessage& m) {
  if (!OnSelectedRowPress || !FHandle || (m.WParam & (MK_SHIFT | MK_CONTROL))) return false;
  const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  const int row = RowAt(x, y);
  if (row < 0 || !RowSelected(row)) return false;
  // The list takes the focus with a press, a press it never sees included.
  if (GetFocus() != FHandle) ::SetFocus(FHandle);
  bool handled = false;
  OnSelectedRowPress(this, x, y, handled);
  if (handled || !FHandle) {
    m.Result = 0;
    return true;
  }
  // The list gets the press. A release the handler took out of the queue goes back in: the list
  // sees it exactly once, in its own loop (Windows) or after the press (Wine). The thread's key
  // state follows the messages taken, so it shows whether the release was taken.
  MSG pending;
  POINT at;
  if (GetKeyState(VK_LBUTTON) >= 0 && !PeekMessageA(&pending, FHandle, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE) &&
      GetCursorPos(&at)) {
    const TPoint p = ScreenToClient(at);
    WPARAM keys = 0;
    if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    PostMessageA(FHandle, WM_LBUTTONUP, keys, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  }
  return false;
}

void TResultList::Dispatch(TMessage& m) {
  // The second press of a double click may start a drag as well.
  if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && SelectedRowPress(m)) return;
  switch (m.Msg) {
    case CN_NOTIFY:
      CNNotify(m);
      return;
    case WM_ERASEBKGND:
      DefaultHandler(m);
      return;  // the list paints its own background
    default:
      break;
  }
  TWinControl::Dispatch(m);
}

void TResultList::CNNotify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  m.Result = 0;
  if (!hdr) return;
  switch (hdr->code) {
    case LVN_GETDISPINFOA:
      FillDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(hdr));
      return;
    case LVN_GETDISPINFOW:
      FillDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(hdr));
      return;
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED)) SelectionChanged();
      return;
    }
    case LVN_ODSTATECHANGED: {
      auto* nm = reinterpret_cast<NMLVODSTATECHANGE*>(hdr);
      if ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) SelectionChanged();
      return;
    }
    default:
      return;
  }
}

void TResultList::FillDispInfo(NMLVDISPINFOA& info) {
  LVITEMA& item = info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  if (item.iItem < 0 || item.iItem >= RowCount()) {
    item.pszText[0] = '\0';
    return;
  }
  const std::string& text = ResultColumnText(FRows[static_cast<size_t>(item.iItem)], item.iSubItem);
  lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
}

void TResultList::FillDispInfo(NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  if (item.iItem < 0 || item.iItem >= RowCount()) {
    item.pszText[0] = L'\0';
    return;
  }
  const std::wstring text = AnsiToWide(ResultColumnText(FRows[static_cast<size_t>(item.iItem)], item.iSubItem));
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

}  // namespace korv
