#include "AboutBox.h"

#include "DemoForms.h"
#include "widgets/TFlatButtonUnit.h"

namespace korv {

KORV_DEFINE_CLASS(TAboutBox, TForm, nullptr, nullptr);

namespace {

constexpr int kTextMargin = 16;  // between the text and the dialog's sides

}  // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  ReadStoredForm(this, kAboutBoxResource);

  InfoPanel = NewComponent<TPanel>(this);
  InfoPanel->SetName("InfoPanel");
  InfoPanel->SetParent(this);
  InfoPanel->SetBevelOuter(bvNone);
  InfoPanel->SetCaption("Korvani - Lumo! v3.1: a skinned demo of the components");
  // The text is one centred line: the dialog is as wide as that line needs in the font it is
  // drawn in, which differs from system to system, with a margin on both sides.
  TBitmap probe(1, 1);
  probe.Canvas()->SetFont(InfoPanel->Font());
  const int textWidth = probe.Canvas()->TextWidth(InfoPanel->Caption()) + 2 * kTextMargin;
  if (ClientWidth() < textWidth) SetClientWidth(textWidth);
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
