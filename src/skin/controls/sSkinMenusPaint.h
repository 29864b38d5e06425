// The skinned menus' painting: the picture of a popup window (the "MAINMENU" section with its
// border, the extra side line with its rotated caption and glyph, the icon line, and the region
// rectangles of the border's corners), popup items painted from "MENUITEM" over that picture
// (check marks from "GLOBALINFO", dividers from "DIVIDERV", disabled items mixed 40 percent into
// the picture), and the items of a form's menu line.
//
// It is installed into the menu painter (TsSkinableMenus) at the skin units' start-up.
#pragma once

namespace korv {

void SkinMenusPaintingStartup() noexcept;
void SkinMenusPaintingShutdown() noexcept;

}  // namespace korv
