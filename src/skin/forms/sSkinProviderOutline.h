// The outline drag of skinned forms with ResizeMode rmBorder: while the mouse moves or sizes a
// form, an inverted (R2_NOT) outline of the new window rectangle is drawn on the desktop window's
// DC, and the window is moved once, when the drag ends. Drawing an outline twice at the same place
// removes it, so every drawn outline is remembered until it is drawn again: an abort erases
// exactly what is on the screen.
//
// There is one drag in the program at a time; its state is shared with the caption mouse
// handling, which moves the edges and the grab point (TsSkinProvider::StartOutline, DrawOutline,
// EndOutline, AbortOutline do the drawing, the start and the end).
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/Controls.h"

namespace korv {

class TsSkinProvider;

struct TsOutlineDrag {
  bool InProgress = false;             // between StartOutline and EndOutline or an abort
  bool Moving = false;                 // a move; else a size
  TsSkinProvider* Provider = nullptr;  // whose form is dragged
  HWND DesktopWnd = nullptr;           // the drawing target
  HDC DesktopDC = nullptr;
  int SavedDC = 0;
  // The window's new edges: screen coordinates, or MDI client coordinates for an MDI child.
  int Top = 0, Left = 0, Bottom = 0, Right = 0;
  int GrabX = 0, GrabY = 0;  // the mouse point when a move started (then the last one)
  bool FirstMove = false;    // no mouse move came since the start
  int SizeHit = 0;           // the border hit code a size drag follows (0 none)
  int MinWidth = 0;          // the form's size constraints when the drag started
  int MinHeight = 0;
  std::vector<TRect> Shown;  // the outlines on the screen now (screen coordinates)
};

// The drag in progress, or the last one.
extern TsOutlineDrag OutlineDrag;

}  // namespace korv
