#include "support/Clipboard.h"

#include <ole2.h>
#include <shellapi.h>

#include "classlib/Handles.h"
#include "classlib/SysUtils.h"

namespace korv::test {

void ClearClipboard() {
  OleSetClipboard(nullptr);
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

std::vector<std::wstring> HDropFileNames(IDataObject* data, HRESULT* hr) {
  std::vector<std::wstring> files;
  FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  HRESULT r = data ? data->GetData(&fe, &medium) : E_POINTER;
  if (hr) *hr = r;
  if (FAILED(r)) return files;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
    auto drop = static_cast<HDROP>(medium.hGlobal);
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      UINT len = DragQueryFileW(drop, i, nullptr, 0);
      std::wstring name(len + 1, L'\0');
      DragQueryFileW(drop, i, name.data(), len + 1);
      name.resize(len);
      files.push_back(name);
    }
  }
  ReleaseStgMedium(&medium);
  return files;
}

std::vector<std::wstring> ClipboardFiles() {
  TComPtr<IDataObject> data;
  if (FAILED(OleGetClipboard(data.Put())) || !data) return {};
  return HDropFileNames(data.Get());
}

std::vector<std::string> AnsiFileNames(const std::vector<std::wstring>& names) {
  std::vector<std::string> ansi;
  ansi.reserve(names.size());
  for (const std::wstring& n : names) ansi.push_back(WideToAnsi(n));
  return ansi;
}

}  // namespace korv::test
