// MDI parent skinning. The provider of a skinned MDI parent form makes one TsMDIForm: it
// sub-classes the MDI client window (the system window that holds the MDI children), paints the
// client's background and its 2-pixel frame from the provider's cache (where the composition
// painted the "MDIAREA" section), keeps the "sMDICII" menu item that carries a maximised child's
// buttons on the menu line, and shows skinned scroll bars (with a grip between them) over the
// client in place of its own.
//
// The bars mirror the client's scroll state through a TsMDIScrollSource. The platform's MDI
// client hides its own bars and keeps their information empty, so the default source measures
// what the children cover and scrolls them itself (ScrollWindowEx with SW_SCROLLCHILDREN); tests
// give a source of their own.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/Classes.h"
#include "classlib/Menus.h"

namespace korv {

class TBitmap;
class TControl;
class TCustomForm;
class TsGrip;
class TsScrollBar;
class TsSkinProvider;

// The active MDI child window of an MDI client and whether it is maximised (nullptr: none).
[[nodiscard]] HWND ActiveMDIChildOf(HWND client, bool* maximized = nullptr) noexcept;
// An MDI child hidden behind another child of its client that is maximised and active.
[[nodiscard]] bool HiddenByMaximizedSibling(const TCustomForm& form);
// An MDI parent with a main menu and a maximised active child: its menu line carries the child's
// buttons.
[[nodiscard]] bool ShowsMDIChildButtons(const TCustomForm& form);

// Where the MDI scroll bars take the client's scroll state from, and how they move its view.
class TsMDIScrollSource {
 public:
  virtual ~TsMDIScrollSource() = default;
  // The SIF_ALL information of SB_HORZ or SB_VERT; false when there is none.
  virtual bool GetInfo(HWND client, int bar, SCROLLINFO& info) = 0;
  // Brings the view to position (in the scale of GetInfo) along that direction.
  virtual void ScrollTo(HWND client, int bar, int position) = 0;
};

// The platform's MDI client, measured. Positions count from where the view stood before any
// scrolling (the origin); the source remembers how far it has scrolled the client. The content
// is the union of the view, the view at the origin and the visible children's rectangles: nMin
// and nMax are its edges (nMax inclusive), nPage the client's width or height, nPos the view.
// ScrollTo moves the children by the difference (ScrollWindowEx, SW_SCROLLCHILDREN). Keeping the
// origin in the content keeps the range steady while the bars scroll.
class TsMDIClientScroll final : public TsMDIScrollSource {
 public:
  bool GetInfo(HWND client, int bar, SCROLLINFO& info) override;
  void ScrollTo(HWND client, int bar, int position) override;

 private:
  // The view's position on each axis (x, y) for FClient; a new client starts at the origin.
  [[nodiscard]] POINT& ViewOf(HWND client) noexcept;
  HWND FClient = nullptr;
  POINT FView{0, 0};
};

// A skinned bar's values mirrored from native scroll information: needed when nMax - nMin >=
// nPage; Max = nMax - nPage - nMin + 1 (1 when that is 0), Position = nPos - nMin, PageSize =
// nPage (80 for a page of 0); NativeMin = nMin, added back to the bar's position when it scrolls.
struct TsMDIBarValues {
  bool Needed = false;
  int Max = 0;
  int Position = 0;
  int PageSize = 0;
  int NativeMin = 0;
};
[[nodiscard]] TsMDIBarValues MirrorScrollInfo(const SCROLLINFO& info) noexcept;

// The page of a native bar without one.
inline constexpr int sMDIDefaultPage = 80;
// The thickness of the MDI client's frame.
inline constexpr int sMDIClientFrame = 2;

class TsMDIForm : public TPersistent {
  KORV_CLASS(TsMDIForm, TPersistent)
 public:
  // Makes the form's window (and so its MDI client), builds the child-buttons item, then Hook.
  explicit TsMDIForm(TsSkinProvider* provider);
  // Frees the child-buttons item and gives the client its procedure back (only while the
  // client's procedure is still this object's; otherwise a pass-through stays until the client
  // is destroyed).
  ~TsMDIForm() override;

  [[nodiscard]] TsSkinProvider* Provider() const noexcept { return FProvider; }
  [[nodiscard]] TCustomForm* Form() const noexcept { return FForm; }
  // The client answered command 7: its procedure is this object's.
  [[nodiscard]] bool Handled() const noexcept { return FHandled; }
  // The procedure the client had before this object's.
  [[nodiscard]] WNDPROC PreviousClientProc() const noexcept;

  // Sub-classes the MDI client unless it already answers the skin's command 7.
  void Hook();
  // On MDI activation: the child-buttons item goes first in the form's main menu while the active
  // child is maximised, and the child's own main menu is merged into the form's (hooked by the
  // menu painter); both leave otherwise. Then the scroll bars follow.
  void UpdateChildButtons();
  // Shows, places and feeds the skinned bars (and the grip) from the scroll source.
  void UpdateMdiScrolls();

  // The "MDIAREA" section painted into the provider's cache over the MDI client's window.
  void PaintArea();
  // The MDI client's window rectangle in the form's window coordinates (the cache's); empty
  // without a client.
  [[nodiscard]] TRect ClientWindowRect() const;
  // The client's area inside its frame, in the form's client coordinates.
  [[nodiscard]] TRect ClientArea() const;

  // The item named "sMDICII" and its three sub-items (restore, minimise, close).
  [[nodiscard]] TMenuItem* ChildButtonsItem() const noexcept { return FItem; }
  TMenuItem* ItemMDIRestore = nullptr;
  TMenuItem* ItemMDIMinimize = nullptr;
  TMenuItem* ItemMDIClose = nullptr;

  [[nodiscard]] TsScrollBar* VertBar() const noexcept { return FVertBar; }
  [[nodiscard]] TsScrollBar* HorzBar() const noexcept { return FHorzBar; }
  [[nodiscard]] TsGrip* Grip() const noexcept { return FGrip; }
  // One of this object's bars or its grip.
  [[nodiscard]] bool Owns(const TControl* control) const noexcept;
  // A component the provider was told is going (a bar, the grip, the item): forgotten.
  void Forget(const TComponent* component) noexcept;

  [[nodiscard]] TsMDIScrollSource& ScrollSource() const noexcept { return *FSource; }
  void SetScrollSource(std::unique_ptr<TsMDIScrollSource> source);

 private:
  struct TClientLink;
  friend LRESULT CALLBACK MDIClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  // The client's messages while sub-classed.
  LRESULT ClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CallPrevious(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) const;
  // The provider is skinned, the skin live and not changing, and no child is maximised.
  [[nodiscard]] bool PaintsClient() const;
  void PaintClient(HWND wnd, HDC given);
  void PaintFrame(HWND wnd);
  void ClientGone() noexcept;

  void BuildItem();
  // Merges the child's main menu into menu (nullptr child: the merged one out); true when the
  // merge changed.
  bool MergeChildMenu(TMainMenu* menu, TCustomForm* child);
  void SendToActiveChild(WPARAM command) const;
  void RestoreClick(TObject* Sender);
  void MinimizeClick(TObject* Sender);
  void CloseClick(TObject* Sender);
  void BarScrollChange(TObject* Sender, int OldPosition);
  TsScrollBar* NeedBar(bool vertical);

  TsSkinProvider* FProvider;
  TCustomForm* FForm;
  TClientLink* FLink = nullptr;  // the sub-class of the client, while this object's
  bool FHandled = false;
  TMenuItem* FItem = nullptr;
  TMainMenu* FMergedMenu = nullptr;  // the child's menu merged into the form's (compared only)
  TsScrollBar* FVertBar = nullptr;
  TsScrollBar* FHorzBar = nullptr;
  TsGrip* FGrip = nullptr;
  int FNativeMinV = 0;  // the native minimum each bar's position is counted from
  int FNativeMinH = 0;
  bool FScrollUpdating = false;  // the bars and the client do not feed each other
  std::unique_ptr<TsMDIScrollSource> FSource;
};

}  // namespace korv
