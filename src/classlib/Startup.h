// The library's start-up: one object a program creates at the start of main (or WinMain) and keeps
// until the end.
//
//   int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
//     korv::TLibraryStartup startup;
//     ... create the forms, korv::Application->Run() ...
//   }
//
// Its constructor starts every unit linked into the program, in this order:
//   1. the drag-and-drop units: OLE on the calling thread, the data and clipboard format pairs;
//   2. the wide-string units: the platform's code page values;
//   3. the shell units: OLE, the shell libraries, the desktop folder, TShellBrowser for reading;
//   4. the skin units: the skin command message, the menu painter, the painters, the skin classes;
//   5. the class library: Application and Screen.
// Its destructor frees the forms still alive and shuts the units down in the reverse order; it
// never throws. A component of a unit that was not started raises ENotStarted at its creation,
// naming what is missing, rather than working by halves.
#pragma once

#include <string>
#include <vector>

#include "classlib/SysUtils.h"

namespace korv {

// A component or routine used before the start-up of its unit.
KORV_EXCEPTION(ENotStarted, EInvalidOperation);

// A unit as the start-up sees it.
struct TLibraryUnit {
  const char* Name;  // in errors: "the skin units"
  int Order;         // lower starts first and stops last
  void (*Start)();   // raises on failure, leaving the unit stopped
  void (*Stop)() noexcept;
  bool (*Started)() noexcept;
};

// The start-up order of the library's units.
inline constexpr int kDragDropUnitOrder = 100;
inline constexpr int kWideStringUnitOrder = 200;
inline constexpr int kShellUnitOrder = 300;
inline constexpr int kSkinUnitOrder = 500;
inline constexpr int kClassLibUnitOrder = 900;

// Makes a unit known to TLibraryStartup while it lives. Each library keeps one at namespace scope
// under a C name that its CMake target asks the linker for, so the unit is known to every
// program that links the library; the order of these definitions does not matter.
class TLibraryUnitRegistration {
 public:
  explicit TLibraryUnitRegistration(const TLibraryUnit& unit);
  ~TLibraryUnitRegistration();
  TLibraryUnitRegistration(const TLibraryUnitRegistration&) = delete;
  TLibraryUnitRegistration& operator=(const TLibraryUnitRegistration&) = delete;

 private:
  const TLibraryUnit* FUnit;
};

// Raises ENotStarted for what (a class name, usually) when the unit is not started.
void RequireStarted(const TLibraryUnit& unit, const std::string& what);

class TLibraryStartup {
 public:
  // Starts every registered unit that is not running yet. Raises the error of a unit that cannot
  // start (the shell's message, for instance) after stopping the units it started; raises
  // EInvalidOperation while another TLibraryStartup lives.
  TLibraryStartup();
  // Stops the units this object started, last first.
  ~TLibraryStartup();
  TLibraryStartup(const TLibraryStartup&) = delete;
  TLibraryStartup& operator=(const TLibraryStartup&) = delete;

 private:
  void StopUnits() noexcept;
  std::vector<const TLibraryUnit*> FStarted;
};

// The class library's unit: Application and Screen (InitClassLib, DoneClassLib).
extern const TLibraryUnit ClassLibUnit;

}  // namespace korv
