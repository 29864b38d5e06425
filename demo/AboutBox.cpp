#include "AboutBox.h"

#include "DemoForms.h"
#include "widgets/TFlatButtonUnit.h"

namespace korv {

KORV_DEFINE_CLASS(TAboutBox, TForm, nullptr, nullptr);

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  ReadStoredForm(this, kAboutBoxResource);

  InfoPanel = NewComponent<TPanel>(this);
  InfoPanel->SetName("InfoPanel");
  InfoPanel->SetParent(this);
  InfoPanel->SetBevelOuter(bvNone);
  InfoPanel->SetCaption("Korvani - Lumo! v3.1: a skinned demo of the components");
  InfoPanel->SetBounds(0, 0, ClientWidth(), ClientHeight() - 48);
  InfoPanel->SetAlign(alTop);

  OKButton = NewComponent<TFlatButton>(this);
  OKButton->SetName("OKButton");
  OKButton->SetParent(this);
  OKButton->SetCaption("OK");
  OKButton->ModalResult = mrOk;
  OKButton->SetBounds((ClientWidth() - 84) / 2, ClientHeight() - 36, 84, 24);
}

}  // namespace korv
