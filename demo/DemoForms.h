// What the demo's forms store: their captions, and the names of the resources that hold their
// stored descriptions (the form's own stored properties and the skin components it carries,
// written by the build's form writer).
#pragma once

namespace korv {

class TCustomForm;

// The main window's caption and the application's title.
inline constexpr const char kDemoTitle[] = " Korvani - Lumo! v3.1";
// The dialog's caption.
inline constexpr const char kAboutTitle[] = "About ...";

// RCDATA resources of the program: the main window's description (its caption and bounds, the
// skin manager with the stored skin, the skin provider) and the dialog's (caption, bounds and
// provider).
inline constexpr const char kMainFormResource[] = "TFORM1";
inline constexpr const char kAboutBoxResource[] = "TABOUTBOX";

// The skin every form is painted with: the stored skin's name without the " (internal)" that
// the stored item carries, and the skin folder the manager looks in first (beside the program;
// the demo ships none, so the stored skin is used).
inline constexpr const char kDemoSkinName[] = "Korvani";
inline constexpr const char kDemoSkinDirectory[] = ".\\Skins";

// Reads the stored description named resName (an RCDATA resource of the program) into form: its
// own stored properties and the components it carries, created with the form as their owner,
// inside the class library's loading bracket. Raises the reading error when the resource is
// missing or damaged.
void ReadStoredForm(TCustomForm* form, const char* resName);

}  // namespace korv
