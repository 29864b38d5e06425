// The demo's dialog: the program's title and an OK button, shown modally from the main window.
// Like every form of the program it carries a skin provider from its stored description, with no
// caption buttons, as the system's dialogs have.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"

namespace korv {

class TFlatButton;

class TAboutBox : public TForm {
  KORV_CLASS(TAboutBox, TForm)
 public:
  explicit TAboutBox(TComponent* owner);

  TPanel* InfoPanel = nullptr;
  TFlatButton* OKButton = nullptr;
};

}  // namespace korv
