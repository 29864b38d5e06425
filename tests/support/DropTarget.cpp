#include "support/DropTarget.h"

#include <shellapi.h>

#include <cstring>

#include "support/Clipboard.h"

namespace korv::test {

HGLOBAL GlobalFromBytes(const std::string& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
  if (!h) return nullptr;
  if (void* p = GlobalLock(h)) {
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
  }
  return h;
}

std::string MediumBytes(const STGMEDIUM& m) {
  std::string s;
  if (m.tymed == TYMED_HGLOBAL && m.hGlobal) {
    size_t n = GlobalSize(m.hGlobal);
    if (void* p = GlobalLock(m.hGlobal)) {
      s.assign(static_cast<const char*>(p), n);
      GlobalUnlock(m.hGlobal);
    }
  } else if (m.tymed == TYMED_ISTREAM && m.pstm) {
    LARGE_INTEGER zero{};
    m.pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
    char buf[4096];
    for (;;) {
      ULONG got = 0;
      HRESULT hr = m.pstm->Read(buf, sizeof buf, &got);
      s.append(buf, got);
      if (FAILED(hr) || got == 0) break;
    }
  }
  return s;
}

std::string FormatName(CLIPFORMAT cf) {
  switch (cf) {
    case CF_TEXT:
      return "CF_TEXT";
    case CF_HDROP:
      return "CF_HDROP";
    case CF_UNICODETEXT:
      return "CF_UNICODETEXT";
    case CF_OEMTEXT:
      return "CF_OEMTEXT";
    case CF_LOCALE:
      return "CF_LOCALE";
    default:
      break;
  }
  char buf[256] = {};
  int n = GetClipboardFormatNameA(cf, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "#" + std::to_string(cf);
}

CLIPFORMAT FormatId(const char* name) { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name)); }

TEnumerated Enumerate(IDataObject* data, DWORD direction) {
  TEnumerated r;
  IEnumFORMATETC* e = nullptr;
  if (!data || FAILED(data->EnumFormatEtc(direction, &e)) || !e) return r;
  FORMATETC fe;
  ULONG got = 0;
  while (e->Next(1, &fe, &got) == S_OK && got == 1) {
    r.Formats.push_back(fe);
    r.Names.push_back(FormatName(fe.cfFormat));
    if (fe.ptd) CoTaskMemFree(fe.ptd);
  }
  e->Release();
  return r;
}

std::vector<std::string> WithoutClipboardFormats(const std::vector<std::string>& names) {
  std::vector<std::string> r;
  for (const auto& n : names)
    if (n != "Ole Private Data" && n != "DataObject" && n != "Wine Marshalled DataObject" && n != "CF_LOCALE" &&
        n != "CF_UNICODETEXT" && n != "CF_OEMTEXT")
      r.push_back(n);
  return r;
}

bool GetBytes(IDataObject* data, CLIPFORMAT cf, DWORD tymed, std::string& bytes, HRESULT* hr) {
  bytes.clear();
  FORMATETC fe{cf, nullptr, DVASPECT_CONTENT, -1, tymed};
  STGMEDIUM m{};
  HRESULT r = data ? data->GetData(&fe, &m) : E_POINTER;
  if (hr) *hr = r;
  if (r != S_OK) return false;
  bytes = MediumBytes(m);
  ReleaseStgMedium(&m);
  return true;
}

std::vector<std::string> ReadHDrop(IDataObject* data, HRESULT* hr) {
  HRESULT r = E_FAIL;
  std::vector<std::wstring> names = HDropFileNames(data, &r);
  if (hr) *hr = r;
  // Only S_OK counts: another success code from GetData is a fault of the source.
  return r == S_OK ? AnsiFileNames(names) : std::vector<std::string>{};
}

std::vector<std::string> ReadShellIDList(IDataObject* data, HRESULT* hr) {
  std::vector<std::string> paths;
  FORMATETC fe{FormatId(CFSTR_SHELLIDLIST), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m{};
  HRESULT r = data->GetData(&fe, &m);
  if (hr) *hr = r;
  if (r != S_OK) return paths;
  if (m.tymed == TYMED_HGLOBAL) {
    if (auto* cida = static_cast<const CIDA*>(GlobalLock(m.hGlobal))) {
      auto base = reinterpret_cast<const BYTE*>(cida);
      auto parent = reinterpret_cast<LPCITEMIDLIST>(base + cida->aoffset[0]);
      for (UINT i = 1; i <= cida->cidl; ++i) {
        auto child = reinterpret_cast<LPCITEMIDLIST>(base + cida->aoffset[i]);
        LPITEMIDLIST full = ILCombine(parent, child);
        char buf[MAX_PATH] = {};
        if (full && SHGetPathFromIDListA(full, buf))
          paths.emplace_back(buf);
        else
          paths.emplace_back();
        if (full) ILFree(full);
      }
      GlobalUnlock(m.hGlobal);
    }
  }
  ReleaseStgMedium(&m);
  return paths;
}

std::string ReadFileNameW(IDataObject* data, HRESULT* hr) {
  std::string bytes;
  if (!GetBytes(data, FormatId("FileNameW"), TYMED_HGLOBAL, bytes, hr)) return {};
  std::wstring w(bytes.size() / 2, L'\0');
  std::memcpy(w.data(), bytes.data(), w.size() * 2);
  size_t z = w.find(L'\0');
  if (z != std::wstring::npos) w.resize(z);
  return WideToAnsi(w);
}

bool ReadDWORD(IDataObject* data, const char* name, DWORD& value) {
  std::string bytes;
  if (!GetBytes(data, FormatId(name), TYMED_HGLOBAL, bytes) || bytes.size() < 4) return false;
  std::memcpy(&value, bytes.data(), 4);
  return true;
}

HRESULT WriteBytes(IDataObject* data, CLIPFORMAT cf, const std::string& bytes) {
  FORMATETC fe{cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m{};
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = GlobalFromBytes(bytes);
  const HRESULT hr = data->SetData(&fe, &m, TRUE);
  if (FAILED(hr)) ReleaseStgMedium(&m);  // a failed call leaves the medium with the caller
  return hr;
}

HRESULT WriteDWORD(IDataObject* data, const char* name, DWORD value) {
  return WriteBytes(data, FormatId(name), std::string(reinterpret_cast<const char*>(&value), 4));
}

// ---------------------------------------------------------------------------------------------
// TTestDropTarget

TTestDropTarget::TTestDropTarget() = default;

HRESULT STDMETHODCALLTYPE TTestDropTarget::QueryInterface(REFIID iid, void** obj) {
  if (!obj) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *obj = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *obj = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TTestDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) {
  ++Enters;
  EnterPoint = pt;
  EnterKeys = keyState;
  EnterAllowed = effect ? *effect : 0;
  EnterFormats = Enumerate(data, DATADIR_GET);
  if (effect) *effect &= OverEffect;
  Entered.Set();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TTestDropTarget::DragOver(DWORD, POINTL pt, DWORD* effect) {
  ++Overs;
  if (OnOver) OnOver(pt);
  if (effect) *effect &= OverEffect;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TTestDropTarget::DragLeave() {
  ++Leaves;
  Left.Set();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TTestDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  ++Drops;
  HDrop = ReadHDrop(data, &HDropResult);
  ShellIDList = ReadShellIDList(data);
  FileNameW = ReadFileNameW(data);
  if (PerformedEffect != ~DWORD{0}) SetDataResult = WriteDWORD(data, "Performed DropEffect", PerformedEffect);
  if (effect) *effect = DropEffect;
  Dropped.Set();
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// TTestWindow

namespace {
const char kWindowClass[] = "KorvDropSourceTestWindow";

void RegisterWindowClassOnce() {
  static bool done = false;
  if (done) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kWindowClass;
  RegisterClassA(&wc);
  done = true;
}
}  // namespace

TTestWindow::TTestWindow(int x, int y, int w, int h, IDropTarget* target) {
  RegisterWindowClassOnce();
  H_ = CreateWindowExA(0, kWindowClass, "drop test", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
  if (!H_) return;
  SetWindowLongPtrA(H_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(H_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTestWindow::WndProc));
  if (target) Registered_ = RegisterDragDrop(H_, target) == S_OK;
  UpdateWindow(H_);
}

TTestWindow::~TTestWindow() {
  if (!H_) return;
  if (Registered_) RevokeDragDrop(H_);
  DestroyWindow(H_);
}

bool TTestWindow::Activate() {
  SetForegroundWindow(H_);
  SetFocus(H_);
  return PumpUntil([&] { return GetForegroundWindow() == H_; });
}

LRESULT CALLBACK TTestWindow::WndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<TTestWindow*>(GetWindowLongPtrA(h, GWLP_USERDATA));
  if (self && msg == WM_MOUSEMOVE) ++self->MouseMoves;
  if (self && msg == WM_LBUTTONDOWN) {
    self->ButtonDownTime = static_cast<DWORD>(GetMessageTime());
    self->ButtonDown.Set();
    if (self->OnButtonDown) {
      try {
        POINT p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        self->OnButtonDown(h, p);
      } catch (const std::exception& e) {
        self->Error = e.what();
      } catch (...) {
        self->Error = "unknown exception";
      }
    }
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

void ReleaseMouseButtons() noexcept {
  INPUT in[2]{};
  UINT n = 0;
  if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) {
    in[n].type = INPUT_MOUSE;
    in[n++].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  }
  if (GetAsyncKeyState(VK_RBUTTON) & 0x8000) {
    in[n].type = INPUT_MOUSE;
    in[n++].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  }
  if (n) SendInput(n, in, sizeof(INPUT));
}

}  // namespace korv::test
