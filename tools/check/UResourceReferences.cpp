#include "UResourceReferences.h"

#include "animation/UGAnimation.h"
#include "audio/UGAudioSound.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "locations/ULocation.h"
#include "resources/UGConfig.h"
#include "resources/UGResource.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGSceneRoot.h"
#include "text/UGFont.h"
#include "widgets/UGWindow.h"

#include <algorithm>

namespace {

bool EndsWith(std::string_view Text, std::string_view Tail) {
  return Text.size() >= Tail.size() && Text.substr(Text.size() - Tail.size()) == Tail;
}

// The names that hold resource URLs without ending in "URL", with the class they need.
struct TNamedKind {
  std::string_view Name;
  TGClass (*Class)();
};
constexpr TNamedKind COtherNames[] = {{"Graphic", &TGGraphic::StaticClass},
                                      {"Texture", &TGGraphic::StaticClass},
                                      {"Avatar", &TGGraphic::StaticClass},
                                      {"ParticleSample", &TGGraphic::StaticClass},
                                      {"Font", &TGFont::StaticClass},
                                      {"LoopedSfx", &TGAudio::StaticClass},
                                      {"PDABriefingAvatar", &TGGraphic::StaticClass}};

// "URL" names by their ending, the most particular first.
constexpr TNamedKind CURLEndings[] = {
    {"SpriteURL", &TGSprite::StaticClass},   {"AnimationURL", &TGAnimation::StaticClass},
    {"SceneURL", &TGSceneRoot::StaticClass}, {"GfxURL", &TGGraphic::StaticClass},
    {"CursorURL", &TGGraphic::StaticClass},  {"IconURL", &TGGraphic::StaticClass},
    {"FontURL", &TGFont::StaticClass},       {"SfxURL", &TGAudio::StaticClass},
    {"SoundURL", &TGAudio::StaticClass},     {"MusicURL", &TGAudio::StaticClass},
    {"AudioURL", &TGAudio::StaticClass}};

// The value of a tag's attribute in a text file ("<img src=\"Demo\\Crate.png\">").
std::string TagAttribute(std::string_view Tag, std::string_view Name) {
  const size_t At = Tag.find(std::string(Name) + "=");
  if (At == std::string_view::npos) {
    return {};
  }
  size_t P = At + Name.size() + 1;
  const char Quote = P < Tag.size() ? Tag[P] : 0;
  if (Quote != '"' && Quote != '\'') {
    return {};
  }
  const size_t End = Tag.find(Quote, P + 1);
  return End == std::string_view::npos ? std::string()
                                       : std::string(Tag.substr(P + 1, End - P - 1));
}

int32_t LineAt(std::string_view Text, size_t Pos) {
  return 1 + static_cast<int32_t>(
                 std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(Pos), '\n'));
}

} // namespace

TGClass ExpectedResourceClass(std::string_view Name) {
  for (const TNamedKind& K : COtherNames) {
    if (Name == K.Name) {
      return K.Class();
    }
  }
  for (const TNamedKind& K : CURLEndings) {
    if (EndsWith(Name, K.Name)) {
      return K.Class();
    }
  }
  return nullptr;
}

bool NamesResource(std::string_view Name) {
  return EndsWith(Name, "URL") ||
         std::any_of(std::begin(COtherNames), std::end(COtherNames),
                     [Name](const TNamedKind& K) { return K.Name == Name; });
}

std::string ResourceKindName(TGClass Class) {
  const struct {
    TGClass (*Class)();
    const char* Name;
  } Kinds[] = {{&TGSprite::StaticClass, "picture"},      {&TGAnimation::StaticClass, "animation"},
               {&TGModel::StaticClass, "model"},         {&TGGraphic::StaticClass, "graphic"},
               {&TGSceneRoot::StaticClass, "scene"},     {&TGFont::StaticClass, "font"},
               {&TGModMusic::StaticClass, "module"},     {&TGAudio::StaticClass, "sound"},
               {&TGWindow::StaticClass, "window"},       {&TLocation::StaticClass, "location"},
               {&TGConfig::StaticClass, "configuration"}};
  for (const auto& K : Kinds) {
    if (Class && Class->InheritsFrom(K.Class())) {
      return K.Name;
    }
  }
  return "resource";
}

bool LooksLikeResourceURL(std::string_view Text) {
  if (Text.empty() || Text.size() > 260 || Text.front() == '.' || Text.front() == '\\' ||
      Text.find_first_of(" \t\r\n()=;,<>|*?\"'%{}+") != std::string_view::npos) {
    return false;
  }
  const std::string Name = ExtractFileName(FixURLSlashes(Text));
  const std::string Ext = ExtractFileExt(Name);
  return !Ext.empty() && Name.size() > Ext.size() && ResourceClass(Text) != nullptr;
}

TResourceReferences::TResourceReferences(TContentFiles& Files, TFindings& Findings)
    : FFiles(Files)
    , FFindings(Findings) {}

void TResourceReferences::SetURLFolder(const std::string& File, std::string Folder) {
  FURLFolders[UpperCase(File)] = std::move(Folder);
}

void TResourceReferences::Check(const std::string& File, int32_t Line, std::string_view URL,
                                TGClass Expected, std::string_view What) {
  const std::string U = Trim(URL);
  const std::string Where = What.empty() ? std::string() : " (" + std::string(What) + ")";
  const TGClass Class = ResourceClass(U);
  if (!Class) {
    FFindings.Error(File, Line,
                    "\"" + U + "\"" + Where +
                        " names no kind of resource the "
                        "engine reads (its extension is unknown)");
    return;
  }
  if (Expected && !Class->InheritsFrom(Expected)) {
    FFindings.Error(File, Line,
                    "\"" + U + "\"" + Where + " is a " + ResourceKindName(Class) + ", where a " +
                        ResourceKindName(Expected) + " is needed");
    return;
  }
  if (!FFiles.HasResource(U)) {
    FFindings.Error(File, Line,
                    "the " + ResourceKindName(Class) + " \"" + U + "\"" + Where + " is missing (" +
                        FindingPath(URLToFileName(U)) + ")");
  }
}

void TResourceReferences::CheckElement(const std::string& File, const TXMLFile& XML,
                                       const TGXMLNode* Node) {
  const int32_t Line = XML.LineOf(Node);
  for (int I = 0; I < Node->AttributeCount(); ++I) {
    const TGXMLAttribute A = Node->GetAttribute(I);
    if (NamesResource(A.Name()) && !IsBlank(A.AsString())) {
      Check(File, Line, FFolder + A.AsString(), ExpectedResourceClass(A.Name()), A.Name());
    }
  }
  // A dynamic property named like an attribute holds what the attribute would.
  if (Node->Name() == "DynProperty") {
    const std::string Name = Node->GetStrAttrDef("Name", "");
    const std::string Value = Node->GetStrAttrDef("Value", "");
    if (NamesResource(Name) && !IsBlank(Value)) {
      Check(File, Line, FFolder + Value, ExpectedResourceClass(Name), Name);
    }
  }
  // An animation's sequence of URLs: the values of its terms.
  if (NamesResource(Node->Name())) {
    for (const TGXMLNode* Term : *Node->GetChilds("Term")) {
      const std::string Value = Term->GetStrAttrDef("Value", "");
      if (!IsBlank(Value)) {
        Check(File, XML.LineOf(Term), FFolder + Value, ExpectedResourceClass(Node->Name()),
              Node->Name());
      }
    }
  }
  for (int C = 0; C < Node->GetChildsCount(); ++C) {
    for (const TGXMLNode* Child : *Node->GetIndexedChilds(C)) {
      CheckElement(File, XML, Child);
    }
  }
}

void TResourceReferences::CheckXMLFile(const std::string& File, const TXMLFile& XML,
                                       const std::vector<TScriptSite>& Scripts) {
  if (!XML.Parsed()) {
    return;
  }
  const auto Folder = FURLFolders.find(UpperCase(File));
  FFolder = Folder == FURLFolders.end() ? std::string() : Folder->second;
  CheckElement(File, XML, XML.Root.get());
  FFolder.clear();
  for (const TScriptSite& Site : Scripts) {
    for (const TScriptLiteral& L : ScriptStringLiterals(Site.Code)) {
      if (LooksLikeResourceURL(L.Text)) {
        Check(File, Site.Line + L.Line - 1, L.Text, nullptr, Site.What);
      }
    }
  }
}

void TResourceReferences::CheckTextFile(const std::string& File, std::string_view Text) {
  for (size_t P = Text.find('<'); P != std::string_view::npos; P = Text.find('<', P + 1)) {
    const size_t End = Text.find('>', P);
    if (End == std::string_view::npos) {
      break;
    }
    const std::string_view Tag = Text.substr(P + 1, End - P - 1);
    const bool Picture = Tag.substr(0, 4) == "img ";
    if (!Picture && Tag.substr(0, 5) != "font ") {
      continue;
    }
    const std::string Source = TagAttribute(Tag, "src");
    if (!Source.empty()) {
      Check(File, LineAt(Text, P), Source,
            Picture ? TGGraphic::StaticClass() : TGFont::StaticClass(),
            Picture ? "<img>" : "<font>");
    }
  }
}
