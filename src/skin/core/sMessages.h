// The skin command message: one private window message, SM_ALPHACMD, whose high word of WParam
// names a command and whose low word carries a flag (1 = yes). The skin manager announces skins
// with it to every form; forms relay it to their controls; controls ask their parents for their
// cached background or colour with it and read the answer from a process-wide slot.
//
// This unit holds the message number, the command numbers, the answer slots, the program's two
// icons for title bars, and the routines that send a command to one control, a control tree, or
// every form of the application.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"
#include "skin/data/sConst.h"
#include "skin/data/sSkinData.h"

namespace korv {

class TCustomForm;

// Every sender and receiver uses this number. The start-up registers the name with the window
// system as well, but the registered number is not used.
inline constexpr UINT SM_ALPHACMD = 0xA100;

// Command numbers (high word of WParam).
enum TsSkinCommand : WORD {
  skcNewSkin = 1,              // a new skin is loaded; LParam = the manager
  skcRemoveSkin = 2,           // the skin is removed; LParam = the manager
  skcRefresh = 3,              // refresh from the current skin; LParam = the manager
  skcGetProvider = 4,          // which provider paints this form? Result := the provider
  skcGetCache = 5,             // hand over your cached background in ParentCacheInfo
  skcParentPainted = 6,        // your parent has painted: leave the update state and repaint
  skcHandlesSkinCmds = 7,      // do you understand skin commands? LParam := 1
  skcSetParentRepaint = 9,     // ParentRepaint := (WParamLo = 1)
  skcIsBGChanged = 10,         // is your cached background out of date? LParam := 1 or 0
  skcRefreshFollows = 16,      // a refresh follows; LParam = the manager
  skcNeedsParentImage = 19,    // does your painting show what lies under you? LParam := 1 or 0
  skcParentImageChanged = 20,  // the image under you changed (WParamLo 1: redraw)
  skcGetColor = 21,            // what colour do you show? answer in SkinColorReply
  skcNotPainted = 22,          // you were not painted: HalfVisible := true
};
// Receivers ignore commands above this number.
inline constexpr WORD skcLast = 22;

// WParam of a skin command: the command in the high word, the flag in the low word.
[[nodiscard]] constexpr WPARAM SkinCmdWParam(WORD command, WORD flag = 0) noexcept {
  return (static_cast<WPARAM>(command) << 16) | flag;
}
// The message record of a command (LParam as given, Result 0).
[[nodiscard]] inline TMessage SkinCmdMessage(WORD command, LPARAM lParam = 0, WORD flag = 0) noexcept {
  return TMessage{SM_ALPHACMD, SkinCmdWParam(command, flag), lParam, 0};
}

// The answer slot of command 5, written by the receiver during the call.
extern TCacheInfo ParentCacheInfo;
// The answer slot of command 21; 0xFF00FF (also its initial value) means no answer came.
extern TColor SkinColorReply;
inline constexpr TColor sNoColorReply = 0xFF00FF;

// The program file's own icons, loaded through the shell at start-up (nullptr when the shell
// gives none). The form provider draws them in title bars.
extern std::unique_ptr<TIcon> AppIconSmall;
extern std::unique_ptr<TIcon> AppIconLarge;

// Start-up: registers the message name and loads the icons. Shut-down frees the icons.
void SkinMessagesStartup();
void SkinMessagesShutdown() noexcept;

// ---- sending ------------------------------------------------------------------------------------

// A non-windowed control gets the command through Perform; a windowed one that is not being
// destroyed and has a window through SendMessageA; a windowed one without a window gets nothing
// (0). Returns the receiver's result.
LRESULT SendSkinCmd(TControl* control, WORD command);
LRESULT SendSkinCmdToHandle(HWND wnd, WORD command);
// Calls the control's WindowProc directly with the command (no window needed) and returns
// whether the answer left in LParam is 1.
bool QuerySkinCmd(TControl* control, WORD command);

// Delivers one message record to the children of Parent, by index from 0, up to the end or the
// first child that is being destroyed: a graphic child through Perform; a windowed child that
// answers command 7 through its WindowProc (it relays the message to its own children); any
// other windowed child is skipped and its children get the record instead. An exception inside
// the walk ends the walk at that level and is not passed on.
void AlphaBroadcast(TWinControl* parent, TMessage& message);
// Sends the record to every form owned by the application, last first, that is neither being
// destroyed nor still being read: to its window (created when needed), then to its controls
// (AlphaBroadcast), then to the MDI client window of an MDI frame.
void BroadcastToForms(TMessage& message);

// Command 6 through Perform to every windowed child that is not being destroyed, in child order.
void SendToChildWinControls(TWinControl* control);
// Command 9 with WParamLo 0 to the control (SendMessageA for a windowed control, creating its
// window; Perform otherwise) and then to each child, recursively.
void RepaintTree(TControl* control);
// Asks the control's window for its colour (command 21); without an answer the control's own
// Color. The result, as an RGB value, is left in SkinColorReply and returned.
TColor GetParentSkinColor(TControl* control);

// The first form up the owner chain, the component itself included; nullptr when there is none.
[[nodiscard]] TCustomForm* FirstOwnerForm(TComponent* component) noexcept;
// The control exists, is not being created, read, loaded or destroyed, and has a parent.
[[nodiscard]] bool ControlIsReady(const TControl* control) noexcept;
// The window's client area covers the whole window: its WM_NCPAINT has nothing to paint.
[[nodiscard]] bool WithoutNonClientArea(HWND wnd) noexcept;
// The desktop work area.
void GetWorkArea(TRect& rect) noexcept;
// DT_LEFT, DT_RIGHT or DT_CENTER for the alignment, with DT_EXPANDTABS | DT_VCENTER, adjusted
// for the control's reading order.
[[nodiscard]] UINT DrawTextFlags(const TControl* control, TAlignment alignment) noexcept;

// Paints the graphic children of Control into DC over the control's own cached background, which
// the control hands over through command 5. A child whose top-left pixel comes out as the key
// colour 0xFF00FF is not copied to DC. An empty clip box sends command 22 to the control and
// paints nothing.
void PaintGraphicChildren(HDC dc, TWinControl* control);
// The same over a cached background the caller hands over (not Ready: nothing is painted).
void PaintGraphicChildren(HDC dc, TWinControl* control, const TCacheInfo& cache);

}  // namespace korv
