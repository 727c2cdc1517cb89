// Arbitrary bytes as a dictionary file: the CSV reader and the dictionary must either fail with
// an engine error (the dictionary keeping its content) or give rows of the header's width whose
// keys translate.
#include "base/UGError.h"
#include "io/UGStream.h"
#include "resources/UGLangDictionary.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  TGObjectPtr<TGCSV> Csv(new TGCSV());
  try {
    Csv->LoadFromText(Text);
    for (int R = 0; R < Csv->RowCount(); ++R) {
      for (int C = 0; C < Csv->ColCount(); ++C) {
        (void)Csv->Cells(R, C);
      }
    }
  } catch (const EGException&) {
  }
  TGObjectPtr<TGLangDictionary> Dic(new TGLangDictionary());
  TGMemoryStream Stream{std::string(Text)};
  try {
    Dic->Load(Stream);
  } catch (const EGException&) {
    if (Dic->GetCount() != 0) {
      std::abort(); // a failed first load leaves the dictionary empty
    }
    return 0;
  }
  for (int I = 0; I < Dic->GetCount() && I < 64; ++I) {
    (void)Dic->GetString("$" + Dic->GetKey(I) + "$ and $" + Dic->GetKey(I));
  }
  return 0;
}
