// The forms the skin benchmarks paint, at the screen's size: a skinned form as the program's
// carry their provider (a panel, and a child beyond the client on both axes, so that the form
// shows its two skinned scroll bars), and the same form as a program without the library makes
// it (class-library panels, the system's frame and scroll bars).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/Forms.h"
#include "skin/core/sSkinManager.h"

namespace korv {
class TsSkinProvider;
}

namespace korv::bench {

struct TBenchForm {
  TForm* Form = nullptr;               // owned by the application
  TsSkinProvider* Provider = nullptr;  // nullptr for the unskinned form
  TControl* Panel = nullptr;           // the panel inside the client
  TControl* Beyond = nullptr;          // the child beyond the client
  [[nodiscard]] HWND Wnd() const { return Form->Handle(); }
};

// A form at (0, 0) of the screen's size, shown. The skinned one takes the default manager's skin
// (load it first).
[[nodiscard]] TBenchForm MakeBenchForm(bool skinned);

// The executable's stored skin loaded by the manager.
void LoadStoredSkin(TsSkinManager& sm);

// The class library and the skin units started (calls nest; they stay started).
struct TUnitsStarted {
  TUnitsStarted();
};

// A skin manager with its skin loaded (by load, which may set the manager up first), and both
// forms open: one skinned by it, and the same form unskinned. The forms go first.
struct TBenchScene {
  explicit TBenchScene(const std::function<void(TsSkinManager&)>& load = LoadStoredSkin);
  ~TBenchScene();
  TBenchScene(const TBenchScene&) = delete;
  TBenchScene& operator=(const TBenchScene&) = delete;
  TUnitsStarted Started;
  const std::unique_ptr<TsSkinManager> OwnedSm{NewComponent<TsSkinManager>(nullptr)};
  TsSkinManager& Sm = *OwnedSm;
  TBenchForm Skinned, Plain;
};

// Dispatches the paints the form's window and its children have pending, and flushes GDI.
void Drain(HWND wnd);
// The whole window repainted at once: frame, client and every child.
void RepaintWhole(HWND wnd);
// Shows this form alone of the two (the other is hidden, so that neither is drawn over or behind
// the other), in front and active, with its paints done.
void ShowAlone(const TBenchForm& shown, const TBenchForm& hidden);

}  // namespace korv::bench
