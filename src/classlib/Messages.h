// The message record that travels through a control's WindowProc, and the class library's own
// control messages (CM_) and reflected notifications (CN_).
//
// Numbering: CM_ messages live at 0xB000.., CN_ messages at 0xB800 + the reflected WM_ number.
// Every reflected WM_ number is below 0x0200, so CN_ stays below 0xBA00. The skin engine's
// numbers 0xA100, 0xBC4D, 0xBCB3 and 0xBCB4 are clear of both ranges (checked below).
#pragma once

#include <windows.h>

#include <cstdint>

namespace korv {

// One message, passed by reference through WindowProc/WndProc/Dispatch. Handlers write their
// answer into Result; an answer written into LParam reaches only direct Perform callers.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  [[nodiscard]] WORD WParamLo() const noexcept { return LOWORD(WParam); }
  [[nodiscard]] WORD WParamHi() const noexcept { return HIWORD(WParam); }
  [[nodiscard]] WORD LParamLo() const noexcept { return LOWORD(LParam); }
  [[nodiscard]] WORD LParamHi() const noexcept { return HIWORD(LParam); }
  [[nodiscard]] WORD ResultLo() const noexcept { return LOWORD(Result); }
  [[nodiscard]] WORD ResultHi() const noexcept { return HIWORD(Result); }
};

// Typed views of common messages (read from a TMessage).
// Mouse messages: key flags in WParam, client (or screen, for WM_NC*) position in LParam.
struct TWMMouse {
  explicit TWMMouse(const TMessage& m) noexcept
      : Keys(static_cast<UINT>(m.WParam)),
        XPos(static_cast<int16_t>(LOWORD(m.LParam))),
        YPos(static_cast<int16_t>(HIWORD(m.LParam))) {}
  UINT Keys;
  int XPos;
  int YPos;
};
// Keyboard messages: character or virtual key in WParam, key data in LParam.
struct TWMKey {
  explicit TWMKey(const TMessage& m) noexcept
      : CharCode(static_cast<WORD>(m.WParam)), KeyData(static_cast<LONG>(m.LParam)) {}
  WORD CharCode;
  LONG KeyData;
};

[[nodiscard]] inline LPARAM PointToLParam(int x, int y) noexcept {
  return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(static_cast<int16_t>(x)), static_cast<WORD>(static_cast<int16_t>(y))));
}

// ---------------------------------------------------------------------------------------------
// Control messages (sent with Perform; never posted across processes).

inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
inline constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
inline constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
inline constexpr UINT CM_CANCELMODE = CM_BASE + 4;  // LParam: the control that keeps the mode
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 5;   // WParam: virtual key; Result 1 = handled
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;  // WParam: character; Result 1 = handled
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;  // LParam: the control that has the focus
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr UINT CM_HITTEST = CM_BASE + 10;  // LParam: client point; Result non-zero = hit
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;  // WParam: new visibility
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
inline constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 16;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 17;  // LParam: 0 to the control, the control to its parent
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 18;  // LParam: as CM_MOUSEENTER
inline constexpr UINT CM_MENUCHANGED = CM_BASE + 19;
inline constexpr UINT CM_BUTTONPRESSED = CM_BASE + 20;  // WParam: group index; LParam: the sender
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 21;
inline constexpr UINT CM_ENTER = CM_BASE + 22;
inline constexpr UINT CM_EXIT = CM_BASE + 23;
inline constexpr UINT CM_DESIGNHITTEST = CM_BASE + 24;
inline constexpr UINT CM_ICONCHANGED = CM_BASE + 25;
inline constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 26;
inline constexpr UINT CM_RELEASE = CM_BASE + 27;  // posted to a form that frees itself
inline constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 28;
inline constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 29;
inline constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 30;
inline constexpr UINT CM_WININICHANGE = CM_BASE + 31;
inline constexpr UINT CM_FONTCHANGE = CM_BASE + 32;
inline constexpr UINT CM_TIMECHANGE = CM_BASE + 33;
inline constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 34;
inline constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 35;  // WParam: the control; LParam: 1 inserted, 0 removed
inline constexpr UINT CM_CONTROLCHANGE = CM_BASE + 36;      // to the new parent: WParam control, LParam inserting
inline constexpr UINT CM_CHILDKEY = CM_BASE + 37;           // WParam: key; LParam: the control
inline constexpr UINT CM_RECREATEWND = CM_BASE + 38;        // posted: re-create the window
inline constexpr UINT CM_INVALIDATE = CM_BASE + 39;
inline constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 40;
inline constexpr UINT CM_BORDERCHANGED = CM_BASE + 41;
inline constexpr UINT CM_MOUSEWHEEL = CM_BASE + 42;
inline constexpr UINT CM_APPKEYDOWN = CM_BASE + 43;
inline constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 44;
inline constexpr UINT CM_HINTSHOW = CM_BASE + 45;
inline constexpr UINT CM_ISSHORTCUT = CM_BASE + 46;
inline constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 47;
inline constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 48;
inline constexpr UINT CM_CHANGED = CM_BASE + 49;  // LParam: the control whose value changed
inline constexpr UINT CM_LAST = CM_BASE + 0xFF;

// ---------------------------------------------------------------------------------------------
// Reflected notifications: a parent passes a child window's notification back to the child
// control as CN_BASE + the original message number.

inline constexpr UINT CN_BASE = 0xB800;
inline constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
inline constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
inline constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
inline constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
inline constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
inline constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
inline constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
inline constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
inline constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
inline constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
inline constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
inline constexpr UINT CN_LAST = CN_BASE + 0x1FF;

// Numbers the skin engine owns; no class-library message may take them.
namespace detail {
inline constexpr UINT ReservedMessages[] = {0xA100, 0xBC4D, 0xBCB3, 0xBCB4};
constexpr bool ClearOfReserved(UINT first, UINT last) {
  for (UINT r : ReservedMessages)
    if (r >= first && r <= last) return false;
  return true;
}
}  // namespace detail
static_assert(detail::ClearOfReserved(CM_BASE, CM_LAST), "CM_ range overlaps a reserved message");
static_assert(detail::ClearOfReserved(CN_BASE, CN_LAST), "CN_ range overlaps a reserved message");
static_assert(CM_LAST < CN_BASE, "CM_ and CN_ ranges overlap");

}  // namespace korv
