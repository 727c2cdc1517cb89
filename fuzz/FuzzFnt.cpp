// Arbitrary bytes as a ".fnt" file: loading fails with an engine error, or gives a font that
// measures and lays out any text (the input itself) without faults, and saves.
#include "base/UGError.h"
#include "io/UGStream.h"
#include "text/UGFont.h"
#include "text/UGText.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
  TGObjectPtr<TGFont> Font(new TGFont());
  try {
    TGMemoryStream Stream{std::string(Bytes)};
    Font->LoadFromStream(Stream, nullptr);
  } catch (const EGException&) {
    return 0;
  }
  (void)Font->StringWidth(Bytes);
  TGObjectPtr<TGXMLNode> Saved(Font->SaveToXML());
  (void)Saved->SaveToString();
  TGObjectPtr<TGText> Text(new TGText());
  Text->SetFont(Font.get());
  Text->SetExtent(TGVector{200, 100, 0});
  Text->SetAlign(static_cast<TGAlign>(Size % 4));
  Text->SetVAlign(static_cast<TGVAlign>(Size % 3));
  Text->SetData(Bytes.substr(0, 4096));
  float W = 0;
  float H = 0;
  Text->GetDefaultExtent(W, H, 300);
  (void)Text->GetFormattedText();
  return 0;
}
