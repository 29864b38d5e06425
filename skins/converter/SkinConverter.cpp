// Converts a folder skin into a block of stored skins for embedding as a resource.
//
//   korv_skin_converter SKINFOLDER "SKIN NAME" OUTPUT.BIN
#include <iostream>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "skin/data/sSkinConvert.h"

int main(int argc, char** argv) {
  using namespace korv;
  if (argc != 4) {
    std::cerr << "usage: korv_skin_converter SKINFOLDER \"SKIN NAME\" OUTPUT.BIN\n";
    return 2;
  }
  try {
    TsStoredSkins skins(nullptr);
    TsStoredSkin* skin = skins.Add();
    skin->SetName(argv[2]);
    FolderSkinToStored(argv[1], *skin);
    TMemoryStream bytes;
    WriteStoredSkins(bytes, skins);
    bytes.SaveToFile(argv[3]);
    std::cout << skin->Name() << ": " << skin->GeneralData()->Count() << " sections, " << skin->Images()->Count()
              << " images, " << bytes.Size() << " bytes\n";
    return 0;
  } catch (const Exception& e) {
    std::cerr << "korv_skin_converter: " << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
}
