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

// Reads the stored description named resName (an RCDATA resource of the program) into form: its
// own stored properties and the components it carries, created with the form as their owner.
void ReadStoredForm(TCustomForm* form, const char* resName);

}  // namespace korv
