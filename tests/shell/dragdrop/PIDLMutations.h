// "Shell IDList Array" blocks mutated in bulk, for the test and the benchmark that hand them to a
// drop source and read the file names back. Most blocks are rebuilt from mutated items, so every
// item chain stays well formed and the block gets past the layout checks to the shell: items cut
// short, retyped, with their trailing offset changed, dropped, doubled or made up. The rest have
// raw bytes changed or are cut anywhere. Header only (the benchmark has no test-support library).
#pragma once

// clang-format off
#include <windows.h>
#include <ole2.h>
// clang-format on

#include <cstring>
#include <string>
#include <vector>

#include "../../support/BadInput.h"
#include "shell/dragdrop/DragDropFile.h"

namespace korv::test {

// The items of an ID list string (each with its 16-bit count), without the ending zero.
inline std::vector<std::string> SplitIDList(const std::string& list) {
  std::vector<std::string> items;
  size_t pos = 0;
  while (pos + 2 <= list.size()) {
    const uint16_t cb = ReadU16(list.data() + pos);
    if (cb < 2 || pos + cb > list.size()) break;
    items.push_back(list.substr(pos, cb));
    pos += cb;
  }
  return items;
}

inline std::string JoinItems(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& it : items) s += it;
  return s + std::string(2, '\0');
}

// An item of the given bytes after its count.
inline std::string MakeItem(const std::string& payload) {
  const auto cb = static_cast<uint16_t>(payload.size() + 2);
  return std::string{static_cast<char>(cb & 0xFF), static_cast<char>(cb >> 8)} + payload;
}

// One mutation of a well-formed block (as WriteCIDA writes it).
inline std::string MutateCIDA(const std::string& good, TRandom& rnd) {
  std::vector<std::string> lists;
  ReadCIDA(good.data(), good.size(), lists);
  if (lists.empty()) return good;
  static const unsigned char kTypes[] = {0x1F, 0x2E, 0x2F, 0x23, 0x25, 0x30, 0x31, 0x32,
                                         0x35, 0x36, 0x3A, 0x41, 0x46, 0x70, 0xB1, 0xC3};
  const int edits = 1 + static_cast<int>(rnd.Below(3));
  for (int e = 0; e < edits; ++e) {
    std::string& list = lists[rnd.Below(static_cast<uint32_t>(lists.size()))];
    std::vector<std::string> items = SplitIDList(list);
    const size_t at = items.empty() ? 0 : rnd.Below(static_cast<uint32_t>(items.size()));
    switch (items.empty() ? 5 : rnd.Below(7)) {
      case 0: {  // cut short, keeping the count and the type
        std::string& it = items[at];
        if (it.size() > 3) it = MakeItem(it.substr(2, 1 + rnd.Below(static_cast<uint32_t>(it.size() - 3))));
        break;
      }
      case 1:  // another type
        if (items[at].size() > 2) items[at][2] = static_cast<char>(kTypes[rnd.Below(sizeof kTypes)]);
        break;
      case 2: {  // the trailing offset changed
        std::string& it = items[at];
        if (it.size() >= 4) {
          const uint32_t v = rnd.Below(2) ? rnd.Below(0x10000) & ~1u : rnd.Below(64) & ~1u;
          it[it.size() - 2] = static_cast<char>(v & 0xFF);
          it[it.size() - 1] = static_cast<char>(v >> 8);
        }
        break;
      }
      case 3: {  // bytes after the count changed
        std::string& it = items[at];
        for (int n = 1 + static_cast<int>(rnd.Below(4)); n > 0 && it.size() > 2; --n)
          it[2 + rnd.Below(static_cast<uint32_t>(it.size() - 2))] = static_cast<char>(rnd.Next());
        break;
      }
      case 4:  // dropped or doubled
        if (rnd.Below(2))
          items.erase(items.begin() + static_cast<std::ptrdiff_t>(at));
        else
          items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), items[at]);
        break;
      default: {  // a short item made up, of a known type
        std::string payload(1 + rnd.Below(40), '\0');
        for (char& c : payload) c = static_cast<char>(rnd.Below(3) ? rnd.Next() : 0);
        payload[0] = static_cast<char>(kTypes[rnd.Below(sizeof kTypes)]);
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(items.empty() ? 0 : at), MakeItem(payload));
        break;
      }
    }
    list = JoinItems(items);
  }
  std::string block(CIDASize(lists), '\0');
  WriteCIDA(lists, block.data(), block.size());
  if (rnd.Below(4) == 0) MutateBytes(block, rnd);  // raw bytes too: anywhere, header included
  return block;
}

// SetData of a "Shell IDList Array" block through global memory, fRelease TRUE (a refused medium
// is freed here, as it stays with the caller).
inline HRESULT SetCIDA(IDataObject* data, const std::string& block) {
  FORMATETC fe{static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Shell IDList Array")), nullptr, DVASPECT_CONTENT, -1,
               TYMED_HGLOBAL};
  STGMEDIUM m{};
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = GlobalAlloc(GMEM_MOVEABLE, block.empty() ? 1 : block.size());
  if (void* p = GlobalLock(m.hGlobal)) {
    if (!block.empty()) std::memcpy(p, block.data(), block.size());
    GlobalUnlock(m.hGlobal);
  }
  const HRESULT hr = data->SetData(&fe, &m, TRUE);
  if (FAILED(hr)) ReleaseStgMedium(&m);
  return hr;
}

struct TCIDAMutationRun {
  int Accepted = 0;      // SetData took the block: the list holds one name per ID list
  int Refused = 0;       // SetData refused it and left the list as it was
  int Inconsistent = 0;  // anything else
};

// Hands Count mutations of Good to the drop source through SetData (global memory, fRelease
// TRUE) and reads the file names back, from its list and as CF_HDROP. A crash ends the process.
inline TCIDAMutationRun RunCIDAMutations(TDropFileSource& source, const std::string& good, int count, uint32_t seed) {
  TCIDAMutationRun run;
  TRandom rnd(seed);
  IDataObject* data = source.AsDataObject();
  FORMATETC hdrop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  for (int i = 0; i < count; ++i) {
    const std::string block = MutateCIDA(good, rnd);
    source.Files()->Clear();
    source.Files()->Add("C:\\before.txt");
    if (FAILED(SetCIDA(data, block))) {
      if (source.Files()->Count() == 1 && source.Files()->Get(0) == "C:\\before.txt")
        ++run.Refused;
      else
        ++run.Inconsistent;
      continue;
    }
    std::vector<std::string> lists;
    const bool readable = ReadCIDA(block.data(), block.size(), lists);
    if (!readable || source.Files()->Count() != static_cast<int>(lists.size()) - 1) {
      ++run.Inconsistent;
      continue;
    }
    ++run.Accepted;
    STGMEDIUM out{};
    if (data->GetData(&hdrop, &out) == S_OK) ReleaseStgMedium(&out);
  }
  return run;
}

}  // namespace korv::test
