// The clipboard in tests: emptying it, and the file names a data object (or the OLE clipboard)
// carries as CF_HDROP, also in the ANSI code page for the 8-bit interfaces.
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
// File names in the ANSI code page.
[[nodiscard]] std::vector<std::string> AnsiFileNames(const std::vector<std::wstring>& names);

}  // namespace korv::test
