// Owning wrappers for platform handles and COM pointers, and scoped DC guards.
// Owned and borrowed handles are different types: a raw handle is always a borrowed view.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace korv {

// One owning handle: Traits::Close(h) frees it; Traits::Invalid() is the empty value.
template <class Traits>
class [[nodiscard]] TUniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  TUniqueHandle() noexcept = default;
  explicit TUniqueHandle(Handle h) noexcept : H_(h) {}
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  TUniqueHandle(TUniqueHandle&& o) noexcept : H_(o.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  ~TUniqueHandle() { Reset(); }

  [[nodiscard]] Handle Get() const noexcept { return H_; }
  explicit operator bool() const noexcept { return H_ != Traits::Invalid(); }
  // Gives up ownership.
  [[nodiscard]] Handle Release() noexcept { return std::exchange(H_, Traits::Invalid()); }
  void Reset(Handle h = Traits::Invalid()) noexcept {
    Handle old = std::exchange(H_, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For out-parameters: frees the current handle and exposes the slot.
  [[nodiscard]] Handle* Put() noexcept {
    Reset();
    return &H_;
  }

 private:
  Handle H_ = Traits::Invalid();
};

template <class H>
struct TGdiTraits {
  using Handle = H;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DeleteObject(h); }
};
template <class H>
using TGdiHandle = TUniqueHandle<TGdiTraits<H>>;
using TUniqueBitmap = TGdiHandle<HBITMAP>;
using TUniqueBrush = TGdiHandle<HBRUSH>;
using TUniquePen = TGdiHandle<HPEN>;
using TUniqueFont = TGdiHandle<HFONT>;
using TUniqueRgn = TGdiHandle<HRGN>;
using TUniquePalette = TGdiHandle<HPALETTE>;

struct TMemDCTraits {
  using Handle = HDC;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DeleteDC(h); }
};
using TUniqueDC = TUniqueHandle<TMemDCTraits>;  // CreateCompatibleDC / CreateDC

struct TIconTraits {
  using Handle = HICON;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DestroyIcon(h); }
};
using TUniqueIcon = TUniqueHandle<TIconTraits>;

struct TMenuTraits {
  using Handle = HMENU;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DestroyMenu(h); }
};
using TUniqueMenu = TUniqueHandle<TMenuTraits>;

struct THGlobalTraits {
  using Handle = HGLOBAL;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { GlobalFree(h); }
};
using TUniqueHGlobal = TUniqueHandle<THGlobalTraits>;

struct TKernelTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { CloseHandle(h); }
};
using TUniqueKernelHandle = TUniqueHandle<TKernelTraits>;  // events, threads, processes

struct TFileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { CloseHandle(h); }
};
using TUniqueFileHandle = TUniqueHandle<TFileHandleTraits>;

struct TFindTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { ::FindClose(h); }
};
using TUniqueFindHandle = TUniqueHandle<TFindTraits>;  // FindFirstFile / FindFirstFileEx

struct TModuleTraits {
  using Handle = HMODULE;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { FreeLibrary(h); }
};
using TUniqueModule = TUniqueHandle<TModuleTraits>;

// Memory of the COM task allocator (ID lists, strings the shell returns).
template <class T>
struct TCoTaskTraits {
  using Handle = T*;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { CoTaskMemFree(h); }
};
template <class T>
using TCoTaskPtr = TUniqueHandle<TCoTaskTraits<T>>;

// A window DC from GetDC/GetWindowDC/GetDCEx, released with ReleaseDC.
class [[nodiscard]] TWindowDC {
 public:
  TWindowDC() noexcept = default;
  TWindowDC(HWND wnd, HDC dc) noexcept : Wnd_(wnd), DC_(dc) {}
  static TWindowDC Client(HWND wnd) noexcept { return TWindowDC(wnd, GetDC(wnd)); }
  static TWindowDC Window(HWND wnd) noexcept { return TWindowDC(wnd, GetWindowDC(wnd)); }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  TWindowDC(TWindowDC&& o) noexcept : Wnd_(o.Wnd_), DC_(std::exchange(o.DC_, nullptr)) {}
  TWindowDC& operator=(TWindowDC&& o) noexcept {
    if (this != &o) {
      Reset();
      Wnd_ = o.Wnd_;
      DC_ = std::exchange(o.DC_, nullptr);
    }
    return *this;
  }
  ~TWindowDC() { Reset(); }
  [[nodiscard]] HDC Get() const noexcept { return DC_; }
  explicit operator bool() const noexcept { return DC_ != nullptr; }
  void Reset() noexcept {
    if (DC_) ReleaseDC(Wnd_, std::exchange(DC_, nullptr));
  }

 private:
  HWND Wnd_ = nullptr;
  HDC DC_ = nullptr;
};

// Selects an object into a DC and puts the previous one back.
class [[nodiscard]] TSelectGuard {
 public:
  TSelectGuard(HDC dc, HGDIOBJ obj) noexcept : DC_(dc), Old_(obj ? SelectObject(dc, obj) : nullptr) {}
  TSelectGuard(const TSelectGuard&) = delete;
  TSelectGuard& operator=(const TSelectGuard&) = delete;
  ~TSelectGuard() {
    if (Old_ && Old_ != HGDI_ERROR) SelectObject(DC_, Old_);
  }

 private:
  HDC DC_;
  HGDIOBJ Old_;
};

// BeginPaint/EndPaint pair: the window's invalid area is validated when the scope ends, on every
// path (a WM_PAINT that returns without EndPaint comes back at once).
class [[nodiscard]] TPaintScope {
 public:
  explicit TPaintScope(HWND wnd) noexcept : Wnd_(wnd), DC_(BeginPaint(wnd, &Ps_)) {}
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;
  ~TPaintScope() { EndPaint(Wnd_, &Ps_); }
  [[nodiscard]] HDC DC() const noexcept { return DC_; }
  [[nodiscard]] const PAINTSTRUCT& Info() const noexcept { return Ps_; }

 private:
  HWND Wnd_;
  PAINTSTRUCT Ps_{};
  HDC DC_;
};

// SaveDC/RestoreDC pair.
class [[nodiscard]] TSaveDCGuard {
 public:
  explicit TSaveDCGuard(HDC dc) noexcept : DC_(dc), State_(SaveDC(dc)) {}
  TSaveDCGuard(const TSaveDCGuard&) = delete;
  TSaveDCGuard& operator=(const TSaveDCGuard&) = delete;
  ~TSaveDCGuard() {
    if (State_) RestoreDC(DC_, State_);
  }

 private:
  HDC DC_;
  int State_;
};

// A COM interface pointer that owns one reference.
template <class T>
class TComPtr {
 public:
  TComPtr() noexcept = default;
  TComPtr(std::nullptr_t) noexcept {}
  // Takes over a reference the caller already holds.
  static TComPtr Attach(T* p) noexcept {
    TComPtr r;
    r.P_ = p;
    return r;
  }
  // Adds a reference of its own.
  static TComPtr Share(T* p) noexcept {
    if (p) p->AddRef();
    return Attach(p);
  }
  TComPtr(const TComPtr& o) noexcept : P_(o.P_) {
    if (P_) P_->AddRef();
  }
  TComPtr(TComPtr&& o) noexcept : P_(std::exchange(o.P_, nullptr)) {}
  TComPtr& operator=(TComPtr o) noexcept {
    std::swap(P_, o.P_);
    return *this;
  }
  ~TComPtr() { Reset(); }

  [[nodiscard]] T* Get() const noexcept { return P_; }
  T* operator->() const noexcept { return P_; }
  explicit operator bool() const noexcept { return P_ != nullptr; }
  void Reset() noexcept {
    if (T* p = std::exchange(P_, nullptr)) p->Release();
  }
  [[nodiscard]] T* Detach() noexcept { return std::exchange(P_, nullptr); }
  // Out-parameter slot (releases the current pointer first).
  [[nodiscard]] T** Put() noexcept {
    Reset();
    return &P_;
  }
  [[nodiscard]] void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
  template <class U>
  HRESULT As(REFIID iid, TComPtr<U>& out) const noexcept {
    if (!P_) return E_POINTER;
    return P_->QueryInterface(iid, out.PutVoid());
  }

 private:
  T* P_ = nullptr;
};

}  // namespace korv
