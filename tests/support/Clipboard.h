// The clipboard in tests: emptying it, and the file names a data object (or the OLE clipboard)
// carries as CF_HDROP.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace korv::test {

// Empties the clipboard (OLE and plain), whoever placed what on it.
void ClearClipboard();
// The file names of the data object's CF_HDROP (empty when it has none; hr receives GetData's
// result).
[[nodiscard]] std::vector<std::wstring> HDropFileNames(IDataObject* data, HRESULT* hr = nullptr);
// The file names of CF_HDROP on the OLE clipboard (empty when there is none).
[[nodiscard]] std::vector<std::wstring> ClipboardFiles();

}  // namespace korv::test
