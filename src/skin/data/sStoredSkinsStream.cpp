// Stored skins as bytes, through the class library's component streaming.
#include <cstring>

#include "classlib/Streaming.h"
#include "skin/data/sSkinConvert.h"

namespace korv {

void WriteStoredSkins(TStream& stream, const TsStoredSkins& skins) {
  stream.WriteBuffer(kFilerSignature, sizeof kFilerSignature);
  TWriter writer(stream);
  writer.WriteCollection(&skins);
}

void ReadStoredSkins(TStream& stream, TsStoredSkins& skins) {
  try {
    char sig[sizeof kFilerSignature];
    if (stream.Read(sig, sizeof sig) != static_cast<int32_t>(sizeof sig) ||
        std::memcmp(sig, kFilerSignature, sizeof sig) != 0)
      throw EReadError("Invalid stream format");
    TReader reader(stream);
    reader.ReadCollection(&skins);
    if (stream.Position() != stream.Size()) throw EReadError("Invalid stream format");
  } catch (...) {
    skins.Clear();  // never a half-read collection
    throw;
  }
}

void ReadStoredSkinsResource(HINSTANCE module, const std::string& resName, TsStoredSkins& skins) {
  TResourceStream stream(module, resName, MAKEINTRESOURCEA(10));  // RT_RCDATA
  ReadStoredSkins(stream, skins);
}

}  // namespace korv
