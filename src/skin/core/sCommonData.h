// The control skin link: what every skinned control and every form's skin provider owns to be
// painted from a skin. TsCommonData names the control's skin section, keeps the indexes of that
// section's records in the manager's tables, owns the control's background cache, tracks the hot,
// focused and out-of-date states, and answers the skin commands for the control (CommonWndProc)
// together with a few ordinary window messages (CommonMessage).
//
// A link is created by its owner's constructor and freed with it. The manager drives it through
// the skin commands: command 1 makes it Updating and re-indexed, command 3 ends the update and
// marks the cache out of date, command 2 forgets the skin. BGChanged is set by every change that
// can alter the control's look and cleared by the owner once it has rebuilt its cache.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"
#include "skin/data/sConst.h"

namespace korv {

class TacFreeWatch;
class TsSkinManager;
struct TsGeneralData;

// Control-type codes that never take the mouse-over state: 51 to 74, 110 and 141 to 161.
[[nodiscard]] constexpr bool IsNoHotType(int typeCode) noexcept {
  return (typeCode >= 51 && typeCode <= 74) || typeCode == 110 || (typeCode >= 141 && typeCode <= 161);
}

// The section a control of that type code uses when none is set ("PANEL" for 51...); nullptr for
// a code without one of its own (the owner's class name is used then).
[[nodiscard]] const char* DefaultSkinSection(int typeCode) noexcept;

class TsCommonData : public TPersistent {
  KORV_CLASS(TsCommonData, TPersistent)
 public:
  // Owner: the control, provider or other object the link paints for. With createCacheBmp the
  // link owns a (still empty) 24-bit cache bitmap from the start.
  TsCommonData(TObject* owner, bool createCacheBmp);
  ~TsCommonData() override;

  // ---- published properties ----

  // The own manager, else the default manager, else nullptr.
  [[nodiscard]] TsSkinManager* SkinManager() const noexcept;
  // The stored manager: nullptr also when the default manager was assigned.
  [[nodiscard]] TsSkinManager* StoredSkinManager() const noexcept { return FSkinManager; }
  // Takes a manager (the default one is stored as nullptr). Unless the owner is loading, looks the
  // section up in it and announces the result to the owner: command 3 when the section exists,
  // else command 2, LParam the manager.
  void SetSkinManager(TsSkinManager* value);
  [[nodiscard]] const std::string& SkinSection() const noexcept { return FSkinSection; }
  // Stores the name ("UNKNOWN" for an empty one), looks it up, and sends the owner control
  // command 3 (the section exists) or 2 when it has a parent and is not being destroyed.
  void SetSkinSection(const std::string& value);
  // Keep the control's own colour / font colour instead of the section's.
  [[nodiscard]] bool CustomColor() const noexcept { return FCustomColor; }
  void SetCustomColor(bool value);
  [[nodiscard]] bool CustomFont() const noexcept { return FCustomFont; }
  void SetCustomFont(bool value);

  // ---- the link's state, in its order ----

  bool Updating = false;              // inside a skin update: the control does not paint from its cache
  int BorderIndex = -1;               // the section's "BORDERSMASK" image, -1 when none
  int SkinIndex = -1;                 // the section in the manager's section table, -1 when none
  int Texture = -1;                   // the section's "PATTERN" texture image, -1 when none
  int HotTexture = -1;                // the section's "HOTPATTERN" texture image, -1 when none
  int32_t StoredValue = 0;            // what command 15 last brought (LParam); nothing reads it
  bool ParentRepaint = false;         // set by command 9 with WParamLo 1
  bool BGChanged = true;              // the background cache is out of date
  bool HalfVisible = true;            // the control does not lie wholly inside its parent's client area
  TControl* OwnerControl = nullptr;   // the owner when it is a control
  TObject* OwnerObject = nullptr;     // the owner
  std::unique_ptr<TBitmap> CacheBmp;  // the 24-bit background cache, or none
  int CtrlTypeCode = 0;               // chooses the default section and the hot behaviour
  bool Focused = false;               // the owner window has the focus
  bool MouseAbove = false;            // the pointer is over the control
  uint32_t CacheStamp = 0;            // counts the repaints of CacheBmp (TCacheInfo::Stamp)
  // The own manager announced a refresh (command 16) whose command 3 has not come yet. The cache
  // counts as out of date from the announcement on, so the control's first paint after it (its
  // parent repainting, say) already shows the refreshed skin.
  bool RefreshPending = false;

  // Where an owner that is not a control (the form's skin provider) takes the commands 2 and 3
  // that SetSkinManager announces.
  TWndMethod CommandHandler;

  // ---- operations ----

  // The owner has been read: the default section when none is set, else the section looked up
  // again; csParentBackground dropped from an unskinned owner while themes are in use; the
  // section's colours on a skinned edit control.
  void Loaded();
  // Looks the section's records up again and marks the cache out of date.
  void UpdateIndexes();
  // The owner is alive, the manager too (with checkActive: its skin is live), and SkinIndex names
  // one of its sections.
  [[nodiscard]] bool Skinned(bool checkActive = false) const;
  void BeginUpdate() noexcept { Updating = true; }
  void EndUpdate() noexcept { Updating = false; }
  void SetUpdating(bool value) noexcept { Updating = value; }
  // Whether painting must wait: no live skin, the control inside an update, or its parent's
  // background out of date (command 10 asked of the parent).
  [[nodiscard]] bool PaintDeferred() const;
  // The control shows its hot state: focused, or under the pointer when its type takes hover.
  [[nodiscard]] bool ControlIsActive() const;
  // The section shows some of what lies under it (TRANSPARENCY of 1 or more).
  [[nodiscard]] bool SectionTransparent() const;
  // The parent's answer to command 19 (false when the parent has no window).
  [[nodiscard]] bool ParentNeedsImage() const;
  // Whether the control's image depends on what lies under it.
  [[nodiscard]] bool NeedsParentImage() const;
  // Marks the cache out of date and invalidates a ready owner control.
  void Invalidate();
  // Makes the cache bitmap exist at the owner control's size, for a new picture (CacheStamp
  // counts it).
  void PrepareCache();
  // The parent's cached background (command 5), or a record that is not Ready.
  void GetParentCacheInfo(TCacheInfo& info) const;

  // The section record (nullptr when the link is not skinned or the index is out of the table).
  [[nodiscard]] const TsGeneralData* Section() const noexcept;
  // The owner control is an edit control (or the type code says so).
  [[nodiscard]] bool OwnerIsEdit() const noexcept;
  // Command 3 finds the control painted from the refreshed skin already: announced (command 16)
  // and its cache rebuilt since. Such a control needs no paint of its own for the refresh.
  [[nodiscard]] bool PaintedForRefresh() const noexcept { return RefreshPending && !BGChanged; }
  // The owner's colour and font colour from the section (unless custom); with onlyChanged, each
  // is set only when it differs.
  void ApplyEditColors(bool onlyChanged);

 private:
  // The owner as a component (nullptr for other objects).
  [[nodiscard]] TComponent* OwnerComponent() const noexcept;
  [[nodiscard]] bool OwnerDestroying() const noexcept;
  // UpdateIndexes when the manager has sections, else SkinIndex -1; true when the section exists.
  bool LookUpSection();
  void WatchManager(TsSkinManager* manager);
  void ManagerFreed() noexcept;

  std::string FSkinSection;
  bool FCustomFont = false;
  bool FCustomColor = false;
  TsSkinManager* FSkinManager = nullptr;
  // Asks the own manager to tell it when it is freed, so that the link never keeps a freed manager.
  std::unique_ptr<TacFreeWatch> FWatch;

  friend bool CommonWndProc(TMessage& message, TsCommonData* link);
};

// The skin commands for a link (Msg SM_ALPHACMD, command 1 to 22); true when handled. A nil
// link, another message or a higher command is not handled.
bool CommonWndProc(TMessage& message, TsCommonData* link);
// The skin commands (CommonWndProc) and the ordinary messages the link follows: moves, sizes,
// focus, the pointer entering and leaving, enabling, font changes and the UI-state message (which
// a skinned control swallows). True when handled.
bool CommonMessage(TMessage& message, TsCommonData* link);

// Copies the link's cache (from srcRect's top-left corner) onto dc over dstRect, clipped around
// the control's children: windowed children, opaque graphic children (and every child at design
// time) that meet dstRect are left out, so the graphic children painted after it show. With
// refresh the cache is first repainted from the skin (the installed background painter).
void PaintChildControls(TWinControl* control, TsCommonData* link, const TRect& srcRect, bool refresh, HDC dc,
                        const TRect& dstRect);
// The same copy around the children from another picture of the control: src at srcOrigin
// lands on dstRect's top-left corner.
void CopyAroundChildren(TWinControl* control, HDC src, TPoint srcOrigin, HDC dc, const TRect& dstRect);

// Paints a link's section into its cache (the section painting installs it at start-up; nothing
// is painted while none is installed). Returns the one installed before.
using TacBackgroundPainter = void (*)(TsCommonData& link);
TacBackgroundPainter SetBackgroundPainter(TacBackgroundPainter painter) noexcept;

}  // namespace korv
