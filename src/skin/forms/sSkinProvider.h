// The form skin provider: the component a form carries to have its whole window, title bar and
// borders included, painted from the loaded skin.
//
// Dropped on a form (its owner, directly or through other components), the provider takes over
// the form's WindowProc when it is created and gives it back when it is destroyed. It keeps what
// the skinned non-client area needs: the skin link of the form (SkinData, section "FORM", whose
// cache bitmap holds the whole window image), the caption-button records, the saved strips of the
// title, buttons and menu line, the rectangles cut out of the window region, and flags.
//
// The non-client image is composed in the cache (PaintAll, PaintCaption) and copied to the window
// in four strips (PaintToWindow); the window region is the window rectangle less the key-colour
// corners of the skin's border and title images (BuildRegionList, UpdateRgn).
//
// The provider's window procedure (ProviderWndProc) answers the manager's skin commands, paints
// the frame from the cache, keeps the region, and keeps the system's own caption and frame
// painting off the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"
#include "skin/core/sCommonData.h"
#include "skin/forms/sSkinProviderGeometry.h"
#include "skin/paint/sScreenImage.h"

namespace korv {

class TsSkinProvider;
class TsMDIForm;
class TsGrip;
class TsScrollBar;
class TsSkinManager;

// The caption buttons a provider draws: the bits of the form's TBorderIcons (biSystemMenu,
// biMinimize, biMaximize, biHelp).
using TsBorderIcons = TBorderIcons;
inline constexpr TsBorderIcons kDefaultProviderIcons = biSystemMenu | biMinimize | biMaximize;
inline constexpr const char* kBorderIconIdents[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};

enum TsGripMode : uint8_t { gmNone, gmRightBottom };
inline constexpr const char* kGripModeIdents[] = {"gmNone", "gmRightBottom"};
// rmBorder: moving and sizing drag an outline instead of the window.
enum TsResizeMode : uint8_t { rmStandard, rmBorder };
inline constexpr const char* kResizeModeIdents[] = {"rmStandard", "rmBorder"};
inline constexpr const char* kAlignmentIdents[] = {"taLeftJustify", "taRightJustify", "taCenter"};

// Control-type code of a provider's skin link.
inline constexpr int kProviderTypeCode = 224;
// Size of a caption button without a skin image.
inline constexpr int kDefaultButtonSize = 21;
// The message by which a form may claim its own window region before the provider's first
// composition: sent with this wParam, an answer equal to it keeps the region.
inline constexpr UINT WM_SKINREGIONQUERY = 0xBC4D;
inline constexpr WPARAM kRegionKept = 0x41A2;

// Hit codes of the caption elements.
inline constexpr int htSkinMinimize = HTREDUCE;   // 8
inline constexpr int htSkinMaximize = HTZOOM;     // 9
inline constexpr int htSkinClose = HTCLOSE;       // 20
inline constexpr int htSkinHelp = HTHELP;         // 21
inline constexpr int htSkinMDIClose = 101;
inline constexpr int htSkinMDIRestore = 102;
inline constexpr int htSkinMDIMinimize = 103;
inline constexpr int htSkinTitleButton = 1000;    // + the extra button's index

// One caption button: its state (0 normal, 1 hot, 2 pressed), the index of its image in the
// manager's image table (-1 none) and its rectangle in window coordinates.
struct TsCaptionButton {
  int State = 0;
  int ImageIndex = -1;
  TRect Rect{};
};

// ---- which caption buttons and system-menu items a form shows ----

// The window state the rules look at: iconic counts as minimised.
struct TsSysButtonsState {
  TBorderStyle BorderStyle = bsSizeable;
  TWindowState WindowState = wsNormal;
  bool Iconic = false;
  TsBorderIcons Icons = kDefaultProviderIcons;
};
[[nodiscard]] bool CloseVisible(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool MaximizeVisible(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool MinimizeVisible(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool RestoreVisible(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool SizeVisible(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool MaximizeEnabled(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool MinimizeEnabled(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool RestoreEnabled(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool MoveEnabled(const TsSysButtonsState& s) noexcept;
[[nodiscard]] bool SizeEnabled(const TsSysButtonsState& s) noexcept;

// ---- title icon and extra title buttons ----

// The provider's own caption icon: a glyph, and a size (0: automatic).
class TsTitleIcon : public TPersistent {
  KORV_CLASS(TsTitleIcon, TPersistent)
 public:
  TsTitleIcon();
  ~TsTitleIcon() override;
  [[nodiscard]] TBitmap* Glyph() const noexcept { return FGlyph.get(); }
  void SetGlyph(const TBitmap* value) { FGlyph->Assign(value); }
  [[nodiscard]] int Height() const noexcept { return FHeight; }
  void SetHeight(int value) noexcept { FHeight = value; }
  [[nodiscard]] int Width() const noexcept { return FWidth; }
  void SetWidth(int value) noexcept { FWidth = value; }

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  std::unique_ptr<TBitmap> FGlyph;
  int FHeight = 0;
  int FWidth = 0;
};

// An extra caption button, placed left of the system buttons.
class TsTitleButton : public TCollectionItem {
  KORV_CLASS(TsTitleButton, TCollectionItem)
 public:
  explicit TsTitleButton(TCollection* collection);
  ~TsTitleButton() override;

  [[nodiscard]] const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& value) {
    if (value != FName) FName = value;
  }
  [[nodiscard]] TBitmap* Glyph() const noexcept { return FGlyph.get(); }
  void SetGlyph(const TBitmap* value) { FGlyph->Assign(value); }
  [[nodiscard]] bool UseSkinData() const noexcept { return FUseSkinData; }
  void SetUseSkinData(bool value) noexcept { FUseSkinData = value; }
  [[nodiscard]] bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool value) noexcept { FEnabled = value; }
  [[nodiscard]] std::string GetDisplayName() const override { return FName; }

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TsCaptionButton Data;

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  std::string FName;
  std::unique_ptr<TBitmap> FGlyph;
  bool FUseSkinData = true;
  bool FEnabled = true;
};

class TsTitleButtons : public TOwnedCollection {
  KORV_CLASS(TsTitleButtons, TOwnedCollection)
 public:
  explicit TsTitleButtons(TsSkinProvider* owner);
  [[nodiscard]] TsTitleButton* Items(int index) const { return static_cast<TsTitleButton*>(GetItem(index)); }
  TsTitleButton* Add() { return static_cast<TsTitleButton*>(TCollection::Add()); }
};

// ---- the system menu ----

// The popup that stands for the window's system menu while the form is skinned. Its items'
// visibility and enabling follow the form's border style, window state and the provider's
// BorderIcons; the same rules decide which caption buttons are drawn. Each item sends its system
// command to the form (minimising the application's main form minimises the application).
class TsSystemMenu : public TPopupMenu {
  KORV_CLASS(TsSystemMenu, TPopupMenu)
 public:
  explicit TsSystemMenu(TsSkinProvider* owner);
  ~TsSystemMenu() override;

  [[nodiscard]] TsSkinProvider* Provider() const noexcept { return FProvider; }
  [[nodiscard]] TCustomForm* Form() const noexcept { return FForm; }
  void SetForm(TCustomForm* form) noexcept { FForm = form; }
  // The rules' view of the form now.
  [[nodiscard]] TsSysButtonsState ButtonsState() const;
  // Shows and enables the items by the rules (nothing without a form).
  void UpdateItems();
  // With the provider's MakeSkinMenu: the first item "Available skins" (SkinSelectItem) and a
  // separator after it, built again from the manager's skin names (one radio item each, the
  // current skin checked). Without: both removed. Never more than one of each.
  void UpdateSkinItems();

  TMenuItem* ItemRestore = nullptr;
  TMenuItem* ItemMove = nullptr;
  TMenuItem* ItemSize = nullptr;
  TMenuItem* ItemMinimize = nullptr;
  TMenuItem* ItemMaximize = nullptr;
  TMenuItem* ItemClose = nullptr;
  TMenuItem* SkinSelectItem = nullptr;
  // The skin of each sub-item of SkinSelectItem, by index: a name is chosen as it is, "&" and all
  // (a caption shows "&" as an accelerator).
  std::vector<std::string> SkinNames;

 private:
  // WM_SYSCOMMAND with the command to the form's window (when it has one).
  void SendCommand(WPARAM command);
  void RestoreClick(TObject* sender);
  void MoveClick(TObject* sender);
  void SizeClick(TObject* sender);
  void MinimizeClick(TObject* sender);
  void MaximizeClick(TObject* sender);
  void CloseClick(TObject* sender);
  void SkinClick(TObject* sender);

  TsSkinProvider* FProvider;
  TCustomForm* FForm = nullptr;
  TMenuItem* FSkinSeparator = nullptr;
};

// ---- the provider ----

class TsSkinProvider : public TComponent {
  KORV_CLASS(TsSkinProvider, TComponent)
 public:
  explicit TsSkinProvider(TComponent* owner);
  // Gives the form back the WindowProc it had (only while the provider's is still installed;
  // a procedure installed later keeps working and passes through to the saved one).
  ~TsSkinProvider() override;
  void AfterConstruction() override;
  void Loaded() override;

  // ---- published properties ----
  [[nodiscard]] TsBorderIcons BorderIcons() const noexcept { return FBorderIcons; }
  void SetBorderIcons(TsBorderIcons value) noexcept;
  [[nodiscard]] TAlignment CaptionAlignment() const noexcept { return FCaptionAlignment; }
  void SetCaptionAlignment(TAlignment value);
  [[nodiscard]] TsCommonData* SkinData() const noexcept { return FSkinData.get(); }
  [[nodiscard]] TsGripMode GripMode() const noexcept { return FGripMode; }
  void SetGripMode(TsGripMode value) noexcept { FGripMode = value; }
  [[nodiscard]] bool MakeSkinMenu() const noexcept { return FMakeSkinMenu; }
  void SetMakeSkinMenu(bool value) noexcept { FMakeSkinMenu = value; }
  [[nodiscard]] const std::string& MenuLineSkin() const noexcept { return FMenuLineSkin; }
  void SetMenuLineSkin(const std::string& value);
  [[nodiscard]] TsResizeMode ResizeMode() const noexcept { return FResizeMode; }
  void SetResizeMode(TsResizeMode value) noexcept { FResizeMode = value; }
  [[nodiscard]] bool ScreenSnap() const noexcept { return FScreenSnap; }
  void SetScreenSnap(bool value) noexcept { FScreenSnap = value; }
  [[nodiscard]] int SnapBuffer() const noexcept { return FSnapBuffer; }
  void SetSnapBuffer(int value) noexcept { FSnapBuffer = value; }
  [[nodiscard]] bool ShowAppIcon() const noexcept { return FShowAppIcon; }
  void SetShowAppIcon(bool value);
  [[nodiscard]] TsTitleButtons* TitleButtons() const noexcept { return FTitleButtons.get(); }
  void SetTitleButtons(const TsTitleButtons* value) { FTitleButtons->Assign(value); }
  [[nodiscard]] TsTitleIcon* TitleIcon() const noexcept { return FTitleIcon.get(); }
  [[nodiscard]] const std::string& TitleSkin() const noexcept { return FTitleSkin; }
  void SetTitleSkin(const std::string& value);
  [[nodiscard]] bool UseGlobalColor() const noexcept { return FUseGlobalColor; }
  void SetUseGlobalColor(bool value);

  // ---- state shared with the window procedure, caption mouse handling and client painting ----
  std::vector<TRect> RegionList;  // window rectangles cut out of the window region
  bool RegionChanged = true;      // the region list is rebuilt at the next non-client paint
  bool FormAutoScroll = false;    // the form's AutoScroll when the provider was made
  int HotButton = 0;              // hit code of the hot or pressed caption element (0 none)
  std::unique_ptr<TBitmap> ButtonsBackground;  // the title strip under the caption buttons
  bool ClientRepaint = false;     // the client image is refreshed at the next client paint
  bool ClientPaintSkipped = false;  // the system's client paint came while painting had to wait
  bool ImageComposed = false;     // a full composition has been done
  bool IconsPending = false;      // the first live skin is still to come (an MDI parent's helper)
  bool MenuLineReady = false;     // the menu bar has been made owner-drawn
  TsCaptionButton ButtonMin, ButtonMax, ButtonClose, ButtonHelp;
  TsCaptionButton MDIMin, MDINorm, MDIClose;  // a maximised MDI child's buttons on the menu line
  TBorderIcons SavedBorderIcons = 0;          // the form's BorderIcons when the provider was made
  int VertOffset = 0;             // how far the skinned scroll bars shifted the children
  int HorzOffset = 0;
  int ContentHeight = 0;          // bottom and right extents of the visible controls
  int ContentWidth = 0;
  bool Scrolling = false;
  bool InRegionUpdate = false;    // the provider is applying its own region
  // The region the provider set last and what it was made from: while the window, its size and
  // RegionList are the same, UpdateRgn makes and sets nothing. Whatever else sets the window's
  // region forgets it.
  struct TRegionMade {
    HWND Wnd = nullptr;
    int Width = 0, Height = 0;
    std::vector<TRect> List;
  };
  TRegionMade RegionMade;
  bool RebuildRequested = true;   // the next composition rebuilds the whole image
  TsMDIForm* MDIHelper = nullptr;  // an MDI parent's helper (made by the MDI support)
  bool FormActive = true;         // the form is the active window
  TsScrollBar* VertBar = nullptr;  // the form's skinned scroll bars, or none
  TsScrollBar* HorzBar = nullptr;
  std::unique_ptr<TBitmap> MenuLineBackground;  // the menu-line strip
  TCustomForm* Form = nullptr;    // the form (not owned)
  int MenuLineCount = -1;         // rows of the menu bar; -1: count again
  TsSystemMenu* SystemMenu = nullptr;  // owned; made at the first skinning
  std::unique_ptr<TBitmap> TitleBackground;  // the title strip before the title was painted
  int TitleButtonImage = -1;      // "TITLEBUTTON" image of the skin

  // The skin state the form's sections and images are painted in: the active form shows the
  // sections' own values and first frames (0), an inactive one their hot values (1).
  [[nodiscard]] int SkinState() const noexcept { return FormActive ? 0 : 1; }
  // The WindowProc the provider found on the form (and gives back).
  [[nodiscard]] TWndMethod SavedWindowProc() const;
  // The form's messages while the provider lives. The skin commands are answered (answers left
  // in the record reach direct Perform callers), and while the form is skinned the non-client
  // area is painted from the cache, the region kept at the skin's corners, and the system's own
  // caption and frame painting kept off the window; everything else passes on to the saved
  // procedure.
  void ProviderWndProc(TMessage& message);
  // Screen snapping: position becomes edge - size when position + size lies less than SnapBuffer
  // from edge.
  void SnapToEdge(int& position, int edge, int size) const noexcept;

 private:
  // ---- the window procedure's steps (sSkinProviderWndProc.cpp, sSkinProviderNonClient.cpp) ----
  void SkinnedDispatch(TMessage& m);
  void UnskinnedHandling(TMessage& m);
  // SM_ALPHACMD while skinned; every command is consumed.
  void SkinnedCommand(TMessage& m);
  // Command 1 (from the provider's manager) while unskinned and while skinned, command 3.
  void UnskinnedNewSkin(TMessage& m);
  void SkinnedNewSkin(TMessage& m);
  // Their common start: the form hidden behind its region (with hide), the indexes looked up
  // again, and for a skin with the form's section the caption-button images; false when the form
  // keeps its own look.
  bool BeginNewSkin(bool hide);
  // Command 3: the new look composed, the region set, and the window painted once with its
  // children.
  void Refresh();
  // After a new skin's lookup: a skin without the form's section leaves the form its own look
  // (no region); false then.
  bool KeepSkinnedLook();
  // The skin command passed on to the skinned scroll bars' windows.
  void ForwardToBars(const TMessage& m);
  // Command 2 from the provider's manager: the form goes back to its own look.
  void RemoveSkin(TMessage& m);
  void WMActivate(TMessage& m);
  // WM_SETTEXT and WM_SETICON.
  void WMSetCaption(TMessage& m);
  void WMPaint(TMessage& m);
  void WMSize(TMessage& m);
  void WMGetMinMaxInfo(TMessage& m);
  void WMWindowPosChanging(TMessage& m);
  // A size change about to happen: the region for the new size is set now, without a redraw, so
  // that what the change shows is never clipped by the region of the old size.
  void ShapeForNewSize(const WINDOWPOS& pos);
  // The window has a region of the skin's: bordered or with a sizing frame, and not an iconic
  // top-level window (kept off the screen, it has no iconic bar to shape).
  [[nodiscard]] bool RegionWanted() const;
  void WMWindowPosChanged(TMessage& m);
  void WMMeasureItem(TMessage& m);
  // WM_NCPAINT and WM_PRINT.
  void NonClientPaint(TMessage& m);
  void WMNCActivate(TMessage& m);
  // The client painted into a DC being printed: at the client's place in the window (inWindow),
  // or at the DC's origin.
  void PrintClient(HDC dc, bool inWindow);
  // The frame copied from the cache to dc (a borderless form with a sizing frame: its edges).
  void PaintFrame(HDC dc);
  // The window region less the header, set without redraw, so the system's own caption painting
  // stays off the screen (from the whole window when there is no region).
  void CutHeader();
  // An empty region (the window hidden while the skin changes), rebuilt at the next paint.
  void HideByRegion();
  // The window region removed (the system's shape back).
  void DropRegion(bool redraw);
  // The non-client area repainted (WM_NCPAINT sent) and, with client, the client painted now
  // (invalidated first: a paint message alone paints nothing that is not invalid).
  void RepaintForm(bool client, bool frame = true);
  // An MDI parent's helper made (it hooks the MDI client) or hooked again.
  void HookMDIClient();
  // The skinned MDI parent's provider (not this one) while neither it nor its form is going.
  [[nodiscard]] TsSkinProvider* MDIParent() const;
  // WM_NCPAINT to the other MDI children of the parent (only the visible ones).
  void NcPaintMDISiblings(bool visibleOnly);
  // The form's window is visible, the form not loading, not being created or destroyed.
  [[nodiscard]] bool FormPaintable() const;
  [[nodiscard]] bool FormCreating() const;
  [[nodiscard]] bool Bordered() const;
  [[nodiscard]] bool CacheSizeDiffers() const;
  // Commands 1 and 2 carry the manager that sends them: is it the provider's?
  [[nodiscard]] bool FromOwnManager(const TMessage& m) const;
  // A borderless form's first child aligned alClient, when windowed, repaints.
  void RepaintClientChild();
  // Non-client paints and region updates in progress: only the outermost one ends the region
  // update, as the system may paint the frame again from inside SetWindowRgn.
  int FPaintNesting = 0;
  struct TNesting {
    explicit TNesting(int& n) noexcept : N(++n) {}
    ~TNesting() { --N; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;
    int& N;
  };

 public:

  // Prepares the form for the skin: the link loaded, the system menu made, an MDI parent's helper
  // made once a skin is live, the caption-button images looked up, the form's colour taken from
  // the skin. The form keeps its own border icons (its window's system menu and boxes). Nothing
  // without a manager.
  void AttachSkin();

  // ---- geometry (from the form, on every call) ----
  [[nodiscard]] TsFormFrame Frame() const;
  [[nodiscard]] int SysBorderHeight() const;
  [[nodiscard]] int SysBorderWidth() const;
  [[nodiscard]] int SysCaptionHeight() const;
  [[nodiscard]] int FormBorderHeight() const;
  [[nodiscard]] int FormWidth() const;
  [[nodiscard]] int MenuHeight() const;
  [[nodiscard]] int HeaderHeight() const;
  [[nodiscard]] int ClientOffsetX() const;
  [[nodiscard]] int ClientOffsetY() const;
  // The form's top-left corner on the screen (an MDI child's from its client origin).
  [[nodiscard]] TPoint FormLeftTop() const;
  // The form shows its menu line: not a dialog nor an MDI child, with a visible top item.
  [[nodiscard]] bool MenuPresent() const;
  // Rows of the menu line (counted once, then cached in MenuLineCount).
  [[nodiscard]] int MenuLines();
  // The visible top items that the menu painter draws, with their widths on the system's bar
  // (nothing without a window).
  void MenuLineItems(std::vector<TMenuItem*>& items, std::vector<int>& widths) const;

  // ---- icon and caption-button sizes ----
  [[nodiscard]] bool IconVisible() const;  // bsSingle or bsSizeable, and ShowAppIcon
  [[nodiscard]] int IconWidth() const;
  [[nodiscard]] int IconHeight() const;
  [[nodiscard]] TRect IconRect() const;
  [[nodiscard]] int SysButtonHeight() const;
  [[nodiscard]] int SysButtonWidth(const TsCaptionButton& button) const;
  [[nodiscard]] int TitleBarStripWidth(int imageIndex) const;
  [[nodiscard]] int VisibleSysButtons() const;
  [[nodiscard]] int ButtonsWidth() const;
  // The rules' view of the form (border style, window state, BorderIcons).
  [[nodiscard]] TsSysButtonsState ButtonsState() const;
  // Draws the caption icon into the cache bitmap.
  void DrawAppIcon();

  // ---- the non-client image ----
  // Composes the cache when SkinData is marked changed.
  void PaintAll();
  // Repaints the title strip of the cache.
  void PaintCaption();
  // Brings the cache up to date and copies the non-client strips to dc.
  void PaintToWindow(HDC dc);
  // Marks the image for a full rebuild and asks the form for a non-client paint (nothing
  // without a window: never creates one).
  void FullRedraw();
  // Fills RegionList from the key-colour corners of the border and title images, for the form's
  // size or for another one.
  void BuildRegionList();
  void BuildRegionList(int width, int height);
  // Applies RegionList to the window (unless a form answers the region query first), as the
  // window rectangle of the form's size (or of another one) less the list, without redrawing it:
  // the callers paint what the change shows.
  void UpdateRgn();
  void UpdateRgn(int width, int height);
  // Places the caption buttons right to left from the right frame (close, maximise, minimise,
  // help, then the extra title buttons) and paints them into the cache.
  void PaintCaptionButtons();
  // Looks the caption buttons' images up: "BICON*" of GLOBALINFO for single and sizeable forms,
  // "SICON*" for the others (the big ones when the skin has no small close image); the form
  // section's "BICON*" when GLOBALINFO has no "BICONCLOSE"; the MDI parent's child buttons; the
  // extra title buttons' "TITLEBUTTON".
  void UpdateButtonImages();

  // ---- the menu line ----
  void RepaintMenuItem(TMenuItem* item, const TRect& rect, TOwnerDrawState state);
  void InitMenuItems(bool active);
  void RefreshMenuBar();

  // ---- caption buttons, system menu and outline drag ----
  // A menu-bar item shown hot (and its rectangle), repainted normal when a caption button
  // becomes hot.
  TMenuItem* HotMenuItem = nullptr;
  TRect HotMenuItemRect{};
  // The system buttons are placed, painted and counted: biSystemMenu and a system menu.
  [[nodiscard]] bool SysButtonsShown() const noexcept;
  // The record of a caption element's hit code (nullptr for codes without a button).
  [[nodiscard]] TsCaptionButton* ButtonRecord(int code);
  [[nodiscard]] const TsCaptionButton* ButtonRecord(int code) const;
  // The image a button shows now: the restore image ("BICONNORM") for maximise while maximised
  // and for minimise while minimised, else its record's.
  [[nodiscard]] int ButtonImage(int code) const;
  // Maximise and minimise are enabled as the system menu's items (restore while maximised or
  // minimised), an extra button by its Enabled; the others always.
  [[nodiscard]] bool ButtonEnabled(int code) const;
  [[nodiscard]] int TitleButtonWidth(const TsTitleButton& button) const;
  // The hot (1) and pressed (2) states by hit code; the element that loses the state goes back
  // to 0. Each change repaints the button in the cache and on the window.
  void SetHotButton(int code);
  void SetPressedButton(int code);
  // Puts the strip under one button back and draws that button alone, in the cache and on the
  // window.
  void RepaintButton(int code);
  // Pops the system menu up at a screen point (with MakeSkinMenu, the skin sub-menu built anew).
  void ShowSystemMenu(int x, int y);
  // The system menu of a right click on the caption, a click on the icon or Alt+Space: the
  // skinned one with the manager's skinned popups, else the window's own, its items enabled as
  // the form's state says; the chosen command goes to the form.
  void PopupSystemMenu(int x, int y);
  // The caption buttons' hit codes in the order they are placed, right to left: close, maximise
  // and minimise when visible, help with biHelp (the system ones only with a system menu), then
  // the extra title buttons.
  [[nodiscard]] std::vector<int> CaptionButtonCodes() const;
  // An MDI parent's menu line carries its maximised active child's minimise, restore and close
  // buttons (MDIMin, MDINorm, MDIClose), right-aligned, and the child's icon at its start.
  [[nodiscard]] bool ChildButtonsShown() const;
  // A skin image by name: GLOBALINFO's, else the form section's (-1 when neither has it).
  [[nodiscard]] int SkinImage(const char* name) const;
  // The rows the caption buttons are drawn in (window coordinates, the whole form wide).
  [[nodiscard]] TRect CaptionButtonRow() const;
  // A button left of the icon's right edge is neither drawn alone nor hit: the title is too
  // narrow for it.
  [[nodiscard]] bool ButtonFits(const TRect& r) const;

  // ---- caption mouse handling (sSkinProviderCaption.cpp) ----
  // The caption element under the message's screen point: the icon (HTSYSMENU, only where an
  // icon is drawn), a caption button (its code; HTCAPTION for a disabled one), an extra title
  // button (1000 + index), the grip (HTBOTTOMRIGHT), an MDI child button on the menu line, -1
  // (HTTRANSPARENT) at a maximised form's edges, or 0 (the system answers). The element found
  // becomes the hot one (not while a button is held down).
  [[nodiscard]] int CaptionHitTest(const TMessage& message);
  // The 1-based position, counted from the right, of the placed caption button whose columns
  // (both ends included) hold window x; 0 for none.
  [[nodiscard]] int ButtonAtPoint(int x) const;
  // A screen point in the form's window coordinates.
  [[nodiscard]] TPoint WindowPoint(TPoint screen) const;
  // The hit code a button press or release at a window point answers (no hot-state change).
  [[nodiscard]] int ElementAt(TPoint p) { return HitCode(p, false); }
  // The MDI parent's menu line brought up to date after a child was maximised, restored,
  // minimised or closed, and the parent's update state ended.
  void RefreshMDIParent();
  // The caption button held down (its code while the mouse is captured for it; 0 none).
  [[nodiscard]] int PressedButton() const noexcept { return FPressCode; }
  // With ResizeMode rmBorder: an outline of the new window rectangle on the desktop while the
  // mouse drags (one drag in the program at a time); the window moves once, at the end. X, Y:
  // the mouse point (screen) when the drag starts. DrawOutline(X, Y) toggles the outline of a move at the
  // top-left corner (X, Y), or of a size at the drag's edges. An abort (capture loss, Escape,
  // cancel, disabling, destruction) erases it and moves nothing. rmStandard: nothing happens.
  void StartOutline(int x, int y, bool moving);
  void DrawOutline(int x, int y);
  void EndOutline();
  void AbortOutline();

  // ---- the client area: its painting and the skinned scroll bars (sSkinProviderClient*.cpp) ----
  TsGrip* Grip = nullptr;          // the grip in the corner between both bars, or none (owned)
  TControl* PaintChild = nullptr;  // the one child PaintForm paints instead of the client, or none
  bool ClientPainting = false;     // PaintForm is running
  TsScreenImage ClientImage;       // the client part of the cache in the screen's format
  // WM_PAINT and WM_PRINTCLIENT of the form: through the form's canvas, PaintForm on dc unless
  // the link is updating, the form is being destroyed, or it is an MDI child behind the parent's
  // maximised active child. Without a dc, the paint DC of BeginPaint (the invalid area is then
  // validated on every path); a dc given is painted into alone.
  void PaintClient(HDC dc = nullptr);
  // The client background from the cache with the graphic children over it, the windowed children
  // told to repaint (command 6); or, when PaintChild names one of the form's controls, only that
  // child over its piece of the cache.
  void PaintForm(HDC dc);
  // The extent the bars must cover: the largest bottom (right) edge of the visible children that
  // stand at the top (left) or where they were put, measured as if unscrolled, + 2, + the other
  // bar's thickness when that bar exists. The provider's bars and grip do not count.
  [[nodiscard]] int ContentExtent(bool vertical) const;
  // ContentHeight and ContentWidth taken again (the window procedure does it before a resize).
  void MeasureContent();
  // Creates, places, shows or frees the bars and the grip for the content and the client size.
  // Nothing while loading or destroying, while the form is created, or for MDI forms.
  void UpdateScrolls();
  // The bar's position back to 0, the children back by the offset (also without a bar).
  void ResetScroll(bool vertical);
  // Puts the bars and the grip on top of the form's other children, as the system's own bars
  // (in the non-client area) always are; the window procedure calls it whenever a child window
  // of the form is made, the bars' and the grip's own included.
  void RaiseScrollParts();
  // Moves every child but the scroll parts by (dx, dy) through its bounds, alignment held.
  void ShiftChildren(int dx, int dy);
  // The provider's bars and grip, the MDI helper's, and any skinned bar linked to a form.
  [[nodiscard]] bool IsScrollPart(const TControl* control) const;
  // The bars' OnScrollChange: the children follow the position (offset = -Position).
  void BarScrollChange(TObject* Sender, int OldPosition);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  class TWndProcLink;
  // The painting steps of PaintAll.
  [[nodiscard]] bool FastPathApplies();
  void PaintTitle(const TsFormFrame& frame);
  void PaintGrip();
  // The skin's grip image (-1 none) and where it is drawn, in window coordinates.
  [[nodiscard]] int GripImage(TRect& place) const;
  void PaintMenuLine(const TsFormFrame& frame);
  // The maximised MDI child's icon at the start of the menu line.
  void DrawChildIcon(const TsFormFrame& frame);
  // Places the child's buttons at the end of the menu line and draws them (their places emptied
  // when they are not shown).
  void PaintChildButtons();
  // Puts the menu line's own picture (before items, icon and buttons) back under r.
  void RestoreMenuLine(const TRect& r);
  void PaintCaptionText(const TsFormFrame& frame);
  void SaveButtonsBackground(const TsFormFrame& frame);
  // The title section's index ("FORMTITLE" when TitleSkin is empty), -1 when the skin has none.
  [[nodiscard]] int TitleSkinIndex() const;
  [[nodiscard]] TsSkinManager* Manager() const;
  // Marks the link changed and asks a shown form for a non-client paint.
  void LookChanged();
  // Draws one placed caption button into the cache.
  void DrawCaptionButton(int code);
  // Aborts this form's outline drag on the messages that end it without a release; true when
  // the message is consumed (Escape).
  bool OutlineWatch(TMessage& message);
  // ---- caption mouse handling ----
  int HitCode(TPoint p, bool setHot);
  // The hit code of a placed button at a position from the right (HTCAPTION when disabled).
  [[nodiscard]] int ButtonPositionCode(int position) const;
  void WMNCHitTest(TMessage& m);
  void WMNCLButtonDown(TMessage& m);
  void WMNCLButtonUp(TMessage& m);
  void WMLButtonUp(TMessage& m);
  void WMNCLButtonDblClk(TMessage& m);
  // The right click is on the caption and the provider shows the system menu for it.
  [[nodiscard]] bool OwnsCaptionRightClick(const TMessage& m) const;
  void WMNCRButtonDown(TMessage& m);
  void WMNCRButtonUp(TMessage& m);
  void WMMouseMove(TMessage& m);
  void WMSysCommand(TMessage& m);
  void MDIChildSysCommand(TMessage& m, WPARAM command);
  // A release with that hit code at a screen point: the held button's command when it is released
  // over itself, else the outline's end or the system's handling.
  void ButtonUp(TMessage& m, int code, TPoint screen);
  void ButtonCommand(int code, TPoint screen);
  // A caption button held down: pressed look, the mouse captured for the form.
  void BeginPress(int code);
  // The held button let go (the capture too); returns its code.
  int EndPress();
  // The held button follows the mouse: pressed over itself, normal elsewhere.
  void TrackPress(TPoint p);
  // Ends a held button on the messages that take the mouse away (no command runs).
  void PressWatch(const TMessage& message);
  // The outline follows the mouse (screen point q).
  void OutlineFollow(TPoint q);
  int FPressCode = 0;
  bool FPressArmed = false;     // the held button showed pressed (it can act)
  bool FOwnSysCommand = false;  // the move or size command comes from the caption press

  TsBorderIcons FBorderIcons = kDefaultProviderIcons;
  bool FMakeSkinMenu = true;
  bool FShowAppIcon = true;
  TAlignment FCaptionAlignment = taLeftJustify;
  std::unique_ptr<TsTitleIcon> FTitleIcon;
  std::unique_ptr<TsTitleButtons> FTitleButtons;
  TsGripMode FGripMode = gmNone;
  std::unique_ptr<TsCommonData> FSkinData;
  TsResizeMode FResizeMode = rmStandard;
  bool FScreenSnap = false;
  int FSnapBuffer = 10;
  bool FUseGlobalColor = true;
  std::string FTitleSkin;
  std::string FMenuLineSkin;
  TWndProcLink* FLink = nullptr;  // frees itself with the form once it is left as a pass-through
  friend class TsProviderWatch;
  const uint64_t FSerial;  // tells this provider from a later one made at the same address
};

// Whether a provider outlives what runs after the watch is made: processing pending messages may
// free its form (a queued release), and the provider with it.
class TsProviderWatch {
 public:
  explicit TsProviderWatch(const TsSkinProvider* provider) noexcept;
  [[nodiscard]] bool Alive() const noexcept;
  // The provider while it is alive, else nullptr.
  [[nodiscard]] TsSkinProvider* Get() const noexcept { return Alive() ? FProvider : nullptr; }

 private:
  TsSkinProvider* FProvider;
  uint64_t FSerial;
};

// The provider of the application's MDI parent form, or nullptr.
extern TsSkinProvider* MDIParentProvider;

// The provider of the form that owns Component (the component itself counts), asked of the
// form's window with skin command 4; nullptr without a form or a provider that answers.
[[nodiscard]] TsSkinProvider* SendFormSkinQuery(TComponent* component);
// Hands a message record to the first provider the form owns that is not being destroyed.
void SendToProvider(TCustomForm* form, TMessage& message);

// Sends WM_NCPAINT to a window (nothing without one).
void SendNcPaint(HWND wnd);
// Copies r of src to the same place in dst (nothing for an empty r).
void CopySameRect(HDC dst, const TRect& r, HDC src);

// Start-up: the provider's class made known to the component streaming; shut-down: forgotten.
void SkinProviderStartup() noexcept;
void SkinProviderShutdown() noexcept;

}  // namespace korv
