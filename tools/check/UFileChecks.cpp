#include "UFileChecks.h"

#include "UResourceReferences.h"

#include "audio/UGAudioSound.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "graphics/UGBitmap.h"
#include "io/UGStream.h"
#include "locations/ULocation.h"
#include "platform/UAudioDecoders.h"
#include "resources/UGResource.h"

#include <array>
#include <charconv>
#include <memory>

namespace {

bool HasExtension(const std::string& File, std::initializer_list<std::string_view> Extensions) {
  const std::string Ext = ExtractFileExt(File);
  for (std::string_view E : Extensions) {
    if (SameText(Ext, E)) {
      return true;
    }
  }
  return false;
}

// The line a reader's message names ("... (line 12, column 3)"), or 1.
int32_t LineInMessage(const std::string& Message) {
  const size_t At = Message.find("(line ");
  int32_t Line = 1;
  if (At != std::string::npos) {
    const char* Start = Message.data() + At + 6;
    std::from_chars(Start, Message.data() + Message.size(), Line);
  }
  return Line;
}

const char* DecodeFailure(TDecodeResult Result) {
  switch (Result) {
  case drMem:
    return "there is not enough memory to decode it";
  case drDecode:
    return "its data cannot be decoded";
  default:
    return "it is in no format the audio decoders read";
  }
}

} // namespace

TFileChecks::TFileChecks(TContentFiles& Files, TFindings& Findings)
    : FFiles(Files)
    , FFindings(Findings) {}

bool TFileChecks::IsXMLFile(const std::string& File) {
  return HasExtension(File, {".loc", ".win", ".ani", ".cfg", ".sce", ".xmdl", ".xml"});
}

bool TFileChecks::CheckXML(const std::string& File) {
  const TXMLFile& XML = FFiles.XML(File);
  if (XML.Parsed()) {
    return true;
  }
  FReported.insert(UpperCase(File));
  FFindings.Error(File, XML.ErrorLine, "the file does not parse: " + XML.Error);
  return false;
}

void TFileChecks::LibraryError(const std::string& URL, const std::string& Message) {
  std::string File;
  try {
    File = URLToFileName(URL);
  } catch (const EGException&) {
    File = URL;
  }
  if (FReported.insert(UpperCase(File)).second) {
    FFindings.Error(File, LineInMessage(Message),
                    "the " + ResourceKindName(ResourceClass(URL)) +
                        " cannot be loaded: " + Message);
  }
}

void TFileChecks::CheckPicture(const std::string& File) {
  try {
    TGMemoryStream Stream(FFiles.Read(File));
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->LoadFromStream(Stream);
  } catch (const EGException& E) {
    if (FReported.insert(UpperCase(File)).second) {
      FFindings.Error(File, 1, "the picture cannot be decoded: " + E.Text());
    }
  }
}

void TFileChecks::CheckSound(const std::string& File, bool Module) {
  auto Data = std::make_shared<const std::string>(FFiles.Read(File));
  TDecodeResult Result = drOK;
  std::unique_ptr<TAudioSource> Source;
  if (Module) {
    Source = OpenModule(Data->data(), Data->size(), 44100, Result);
  } else {
    Source = OpenSoundStream(Data, Result);
  }
  // The first frames too: a sound whose header reads may still fail on its data.
  std::array<float, 2 * 1024> Frames{};
  if (Source && Source->Read(Frames.data(), 1024) <= 0 && Source->LengthSeconds() > 0) {
    Result = drDecode;
    Source.reset();
  }
  if (!Source) {
    FReported.insert(UpperCase(File));
    FFindings.Error(File, 1,
                    std::string(Module ? "the module" : "the sound") +
                        " cannot be decoded: " + DecodeFailure(Result));
  }
}

void TFileChecks::CheckResource(const std::string& File) {
  const std::string URL = FileNameToURL("\\" + File);
  try {
    FFiles.Library().GetResourceEx(URL, false);
  } catch (const std::exception& E) {
    const auto* G = dynamic_cast<const EGException*>(&E);
    LibraryError(URL, G ? G->Text() : std::string(E.what()));
  }
}

void TFileChecks::CheckFile(const std::string& File) {
  if (IsXMLFile(File) && !CheckXML(File)) {
    return;
  }
  const TGClass Class = ResourceClass(File);
  if (HasExtension(File, {".spr"})) {
    CheckPicture(File); // a picture converted for the cache, read by the bitmap alone
  } else if (!Class) {
    return; // no resource: texts and the like are read by their own checks
  } else if (!SameText(URLToFileName(FileNameToURL("\\" + File)), File)) {
    FFindings.Warning(File, 1,
                      "no URL reaches this file: the engine reads " +
                          LowerCase(ExtractFileExt(File)) + " files from the folder \"" +
                          ResourceDirectory(Class) + "\"");
  } else if (Class->InheritsFrom(TLocation::StaticClass())) {
    return; // the location checks load those
  } else if (Class->InheritsFrom(TGModMusic::StaticClass())) {
    CheckSound(File, true);
  } else if (Class->InheritsFrom(TGSound::StaticClass())) {
    CheckSound(File, false);
  } else {
    CheckResource(File);
  }
}
