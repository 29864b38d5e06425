// The skinned panel and the size grip. TsPanel is the class library's panel painted from a skin
// section ("PANEL" by default) through its own background cache, so that transparent children
// can be painted over it; TsGrip is a 20 x 20 panel painted as the size grip in a form's lower
// right corner. Without a live skin the panel paints as the class library's panel does.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/ExtCtrls.h"
#include "skin/core/sCommonData.h"
#include "skin/paint/sScreenImage.h"

namespace korv {

// A painting event: the sender and the canvas to paint on.
using TsPaintEvent = TMethod<void(TObject* Sender, TCanvas* Canvas)>;

class TsPanel : public TCustomPanel {
  KORV_CLASS(TsPanel, TCustomPanel)
 public:
  explicit TsPanel(TComponent* owner);
  ~TsPanel() override;
  // The link's own loading step (default section, edit colours) once the panel is made and once
  // it is read.
  void AfterConstruction() override;
  void Loaded() override;

  // The skin link: type code 51, with a cache bitmap (owned).
  [[nodiscard]] TsCommonData* SkinData() const noexcept { return FCommonData.get(); }
  // Called after the panel is painted: with the window's canvas when unskinned, with the cache's
  // canvas when the cache is rebuilt.
  TsPaintEvent OnPaint;

  void WndProc(TMessage& message) override;
  // The skinned painting onto dc: the cache rebuilt when it is out of date or the panel lies
  // partly outside its parent, the corners filled from what lies under it, the cache copied
  // around the windowed children, the graphic children painted over it.
  virtual void PaintPanel(HDC dc);

 protected:
  // The class library's panel painting, then PaintPanel on the same DC.
  void PaintWindow(HDC dc) override;

 private:
  [[nodiscard]] bool ForMyManager(const TMessage& m) const noexcept;
  void SkinCommand(TMessage& m);
  void UnskinnedMessage(TMessage& m);
  void SkinnedPaint(TMessage& m);
  // Background, border and caption into the cache, from the parent's image.
  void RebuildCache(const TCacheInfo& ci);
  // After the parent painted (it paints around its windowed children): whether the panel's window
  // may show something other than what it would paint now. wasUpdating: the link was held in its
  // update state, so the last paint was skipped.
  [[nodiscard]] bool StaleAfterParentPaint(bool wasUpdating);

  std::unique_ptr<TsCommonData> FCommonData;
  // What lay under the panel at its last skinned paint (FPainted: there was one).
  bool FPainted = false;
  TCacheInfo FUnder;
  // The cache in the screen's format, converted again only when the cache's pixels changed.
  TsScreenImage FScreen;
};

// A panel used as a form's size grip: 20 x 20, caption " ", section "CHECKBOX".
class TsGrip : public TsPanel {
  KORV_CLASS(TsGrip, TsPanel)
 public:
  explicit TsGrip(TComponent* owner);
};

}  // namespace korv
