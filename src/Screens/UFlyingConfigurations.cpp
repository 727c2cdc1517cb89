#include "Screens/UFlyingConfigurations.h"

#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGLivePicture.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "objects/UGameObject.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TFlyingConfig)
G_IMPLEMENT_CLASS(TFlyingConfigurations)

namespace {

// The failure as said to the log: an engine error's own text, without where it was raised.
std::string ReasonOf(const std::exception& E) {
  const auto* Engine = dynamic_cast<const EGException*>(&E);
  return Engine ? Engine->Text() : std::string(E.what());
}

// Every key of the envelope from the second on has its value negated.
void NegateLaterKeys(TGRealEnv* Env) {
  for (int I = 1; I < Env->Count(); ++I) {
    const TGVarTerm& Term = Env->Terms(I);
    Env->SetRealValue(Term.Time, -Term.Value.ToSingle());
  }
}

void AdaptChannel(TGMovie* Movie, TGameObject* AGameObject, TFlyingConfigKeySet AKeySet,
                  const TGFlatVector& AStartPos, const TGFlatVector& AScale, TGColor AColor,
                  float AAngle) {
  if (SameText(Movie->Caption(), TFlyingConfig::CGameObjectChannel)) {
    if (auto* Picture = TryObjectCast<TGLivePicture>(Movie)) {
      Picture->Gfx()->SetResValue(0, AGameObject ? AGameObject->Gfx() : nullptr);
    }
  }
  if (AKeySet.Contains(fcsStartPos)) {
    Movie->X()->SetRealValue(0, AStartPos.X);
    Movie->Y()->SetRealValue(0, AStartPos.Y);
  }
  if (AKeySet.Contains(fcsScale)) {
    Movie->ScaleX()->SetRealValue(0, AScale.X);
    Movie->ScaleY()->SetRealValue(0, AScale.Y);
    if (AScale.X < 0) {
      NegateLaterKeys(Movie->ScaleX());
    }
    if (AScale.Y < 0) {
      NegateLaterKeys(Movie->ScaleY());
    }
  }
  if (AKeySet.Contains(fcsAngle)) {
    TGRealEnv* Angle = Movie->Angle();
    // An angle that is never keyed holds its default from the start: it turns as the object
    // stood all the same.
    if (Angle->Count() == 0) {
      Angle->SetRealValue(0, Angle->DefValue().ToSingle());
    }
    for (int I = 0; I < Angle->Count(); ++I) {
      const TGVarTerm& Term = Angle->Terms(I);
      Angle->SetRealValue(Term.Time, Term.Value.ToSingle() + AAngle);
    }
  }
  if (AKeySet.Contains(fcsColor)) {
    Movie->Alpha()->SetRealValue(0, static_cast<float>(AColor.A) / 255.0f);
    Movie->Color()->SetColorValue(0, AColor);
  }
}

} // namespace

// --- One configuration ---------------------------------------------------------------------------

void TFlyingConfig::LoadFromXML(const TGXMLNode* Node) {
  for (const char* Required : {"Name", "URL"}) {
    if (Node->GetStrAttrDef(Required, "").empty()) {
      throw Error("A flight configuration has no \"%s\"", std::string(Required));
    }
  }
  FName = Node->GetStrAttr("Name");
  FAniURL = Node->GetStrAttr("URL");
  FSoundURL = Node->GetStrAttrDef("SoundURL", "");
  FCorrectPosition = Node->GetBoolAttrDef("CorrectPosition", true);
}

TGAnimation* TFlyingConfig::StartAnimation(TGameObject* AGameObject, TFlyingConfigKeySet AKeySet,
                                           const TGFlatVector& AStartPos,
                                           const TGFlatVector& AScale, TGColor AColor,
                                           float AAngle) const {
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Source =
      Library ? TryObjectCast<TGAnimation>(Library->GetResourceEx(FAniURL, false)) : nullptr;
  if (!Source) {
    throw Error("Flying configuration %s: no animation %s", FName, FAniURL);
  }
  TGObjectPtr<TGAnimation> Animation(static_cast<TGAnimation*>(Source->Clone(nullptr)));
  if (!FCorrectPosition || AKeySet.Mask == 0) {
    return Animation.release();
  }
  for (int32_t I = 0; I < Animation->Count(); ++I) {
    auto* Movie = TryObjectCast<TGMovie>(Animation->Channels(I));
    if (Movie && !Movie->Locked()) {
      AdaptChannel(Movie, AGameObject, AKeySet, AStartPos, AScale, AColor, AAngle);
    }
  }
  return Animation.release();
}

// --- The catalogue -------------------------------------------------------------------------------

TFlyingConfigurations::TFlyingConfigurations(TGObject* AOwner)
    : TGObject(AOwner) {
  FList.SetCaseSensitive(false);
}

void TFlyingConfigurations::Destroy() {
  Clear();
  inherited::Destroy();
}

void TFlyingConfigurations::OwnedObjectDestroying(TGObject* Obj) {
  const int Index = FList.IndexOfObject(Obj);
  if (Index >= 0) {
    FList.Delete(Index);
  }
  inherited::OwnedObjectDestroying(Obj);
}

void TFlyingConfigurations::Clear() {
  while (FList.Count() > 0) {
    const int Last = FList.Count() - 1;
    TGObject* Config = FList.GetObject(Last);
    FList.Delete(Last);
    Config->Free();
  }
}

void TFlyingConfigurations::Load() {
  Clear();
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Library) {
    return;
  }
  try {
    TGResource* Resource = Library->GetResourceEx(CFileURL, false);
    if (!Resource) {
      return;
    }
    auto* Config = TryObjectCast<TGConfig>(Resource);
    if (!Config || !Config->XML()) {
      ODS("%s holds no configuration: no flights", std::string(CFileURL));
      return;
    }
    LoadFromXML(Config->XML());
  } catch (const std::exception& E) {
    ODS("%s cannot be read, no flights: %s", std::string(CFileURL), ReasonOf(E));
  }
}

void TFlyingConfigurations::LoadFromXML(const TGXMLNode* Root) {
  TGXMLCollection* Flights = Root->GetChilds("Fly");
  for (int I = 0; I < Flights->GetCount(); ++I) {
    TGObjectPtr<TFlyingConfig> Config(new TFlyingConfig(nullptr));
    try {
      Config->LoadFromXML(Flights->GetItem(I));
    } catch (const std::exception& E) {
      ODS("%s, flight %d left out: %s", std::string(CFileURL), I + 1, ReasonOf(E));
      continue;
    }
    TFlyingConfig* Added = Config.release();
    Added->SetOwner(this);
    FList.AddObject(Added->Name(), Added);
  }
}

TFlyingConfig* TFlyingConfigurations::Config(int Index) const {
  return Index >= 0 && Index < FList.Count() ? FList.ObjectAs<TFlyingConfig>(Index) : nullptr;
}

TFlyingConfig* TFlyingConfigurations::FindConfig(std::string_view Name) const {
  const int Index = FList.IndexOf(Name);
  return Index >= 0 ? FList.ObjectAs<TFlyingConfig>(Index) : nullptr;
}

TFlyingConfig* TFlyingConfigurations::GetConfigByName(std::string_view Name) const {
  TFlyingConfig* Config = FindConfig(Name);
  if (!Config) {
    throw Error("Unknown flying configuration: %s", std::string(Name));
  }
  return Config;
}
