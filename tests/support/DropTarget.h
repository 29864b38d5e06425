// A peer's view of data objects in tests: reading and writing formats through the platform's own
// functions (DragQueryFile, ILCombine, SHGetPathFromIDList), a drop target that records what a
// real drag brings, and popup windows to aim real input at.
#pragma once

// <windows.h> goes first: the other platform headers need it.
// clang-format off
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "support/GuiTest.h"

namespace korv::test {

// Global memory holding the bytes (caller frees).
[[nodiscard]] HGLOBAL GlobalFromBytes(const std::string& bytes);
// The bytes of a medium: HGLOBAL, or a stream read from offset 0.
[[nodiscard]] std::string MediumBytes(const STGMEDIUM& m);

// The name of a clipboard format: "CF_HDROP", "CF_TEXT", ... for predefined ones, else the
// registered name.
[[nodiscard]] std::string FormatName(CLIPFORMAT cf);
[[nodiscard]] CLIPFORMAT FormatId(const char* name);  // RegisterClipboardFormatA

struct TEnumerated {
  std::vector<std::string> Names;
  std::vector<FORMATETC> Formats;
};
// Every FORMATETC the data object enumerates for the direction (through Next one at a time).
[[nodiscard]] TEnumerated Enumerate(IDataObject* data, DWORD direction);
// The enumerated names without the clipboard's own formats ("Ole Private Data", "DataObject",
// "Wine Marshalled DataObject") and the system's synthesized ones.
[[nodiscard]] std::vector<std::string> WithoutClipboardFormats(const std::vector<std::string>& names);

// GetData of a format by name or id with the given media; the bytes, or nothing on failure
// (hr receives the result).
[[nodiscard]] bool GetBytes(IDataObject* data, CLIPFORMAT cf, DWORD tymed, std::string& bytes, HRESULT* hr = nullptr);
// CF_HDROP read through DragQueryFileW, in the ANSI code page.
[[nodiscard]] std::vector<std::string> ReadHDrop(IDataObject* data, HRESULT* hr = nullptr);
// "Shell IDList Array" resolved through ILCombine and SHGetPathFromIDListA, one path per item.
[[nodiscard]] std::vector<std::string> ReadShellIDList(IDataObject* data, HRESULT* hr = nullptr);
// "FileNameW" as UTF-16 up to its zero, converted to the ANSI code page.
[[nodiscard]] std::string ReadFileNameW(IDataObject* data, HRESULT* hr = nullptr);
// A 32-bit value format ("Preferred DropEffect"...); false when it cannot be read.
[[nodiscard]] bool ReadDWORD(IDataObject* data, const char* name, DWORD& value);
// SetData of bytes through global memory, fRelease TRUE (a refused medium is freed here).
HRESULT WriteBytes(IDataObject* data, CLIPFORMAT cf, const std::string& bytes);
// SetData of a 32-bit value through global memory, fRelease TRUE.
HRESULT WriteDWORD(IDataObject* data, const char* name, DWORD value);

// A drop target that records a real drag: the formats enumerated at DragEnter, the point and
// the allowed effects and keys, and at Drop the files in every file format; it then writes "Performed
// DropEffect" (when PerformedEffect is not ~0) and answers DropEffect.
class TTestDropTarget : public IDropTarget {
 public:
  TTestDropTarget();
  virtual ~TTestDropTarget() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** obj) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&Ref)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&Ref)); }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override;

  // Answers
  DWORD OverEffect = DROPEFFECT_COPY;       // shown while over the target
  DWORD DropEffect = DROPEFFECT_COPY;       // answered by Drop
  DWORD PerformedEffect = DROPEFFECT_COPY;  // written as "Performed DropEffect"; ~0: nothing
  std::function<void(POINTL)> OnOver;       // runs inside DragOver

  // Records
  LONG Ref = 1;
  int Enters = 0, Overs = 0, Leaves = 0, Drops = 0;
  POINTL EnterPoint{};
  DWORD EnterAllowed = 0;
  DWORD EnterKeys = 0;  // the key state (MK_*) at DragEnter
  TEnumerated EnterFormats;
  std::vector<std::string> HDrop, ShellIDList;
  std::string FileNameW;
  HRESULT HDropResult = E_FAIL, SetDataResult = E_FAIL;
  TEvent Entered, Left, Dropped;
};

// A popup window of the test process (WS_POPUP | WS_VISIBLE), optionally registered as a drop
// target. OnButtonDown runs inside WM_LBUTTONDOWN with the client point.
class TTestWindow {
 public:
  TTestWindow(int x, int y, int w, int h, IDropTarget* target = nullptr);
  ~TTestWindow();
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;
  [[nodiscard]] HWND Handle() const noexcept { return H_; }
  [[nodiscard]] bool Registered() const noexcept { return Registered_; }
  // Brings the window to the foreground (SendInput needs a foreground window of the process).
  [[nodiscard]] bool Activate();

  std::function<void(HWND, POINT)> OnButtonDown;
  TEvent ButtonDown;         // set when WM_LBUTTONDOWN arrives
  DWORD ButtonDownTime = 0;  // its message time
  int MouseMoves = 0;        // WM_MOUSEMOVE dispatched to the window
  std::string Error;         // an exception caught in the window procedure

 private:
  static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM w, LPARAM l);
  HWND H_ = nullptr;
  bool Registered_ = false;
};

// Sends a left and right button release when a button is down (also after a failed step of an
// input driver, which sends nothing more): the safety exit of every drag and gesture test.
void ReleaseMouseButtons() noexcept;


}  // namespace korv::test
