// The script face of an engine object: its published properties, then its published methods
// (own class first), then, when a list is attached, its dynamic properties as meta-properties.
#pragma once

#include "object/UGObject.h"
#include "platform/UScriptHost.h"

#include <string>

class TDynProperties;
class TScriptProcessor;

class TObjectWrapper : public TGObject {
  G_CLASS(TObjectWrapper, TGObject)
  TObjectWrapper(TGObject* AOwner, TScriptProcessor* AProcessor, std::string_view AName);
  explicit TObjectWrapper(TGObject* AOwner = nullptr)
      : TObjectWrapper(AOwner, nullptr, "") {}

  // The global name under which the engine knows the wrapper; empty for anonymous wrappers.
  const std::string& Name() const { return FName; }
  // The wrapped object; none once it has been freed.
  TGObject* RefObject() const { return FRefObject; }
  void SetRefObject(TGObject* Value);
  // A list without an owner is taken over (and freed with the wrapper or when replaced); a list
  // that belongs to something else is only referred to, until it is freed.
  TDynProperties* MetaPropList() const { return FMetaPropList; }
  void SetMetaPropList(TDynProperties* Value);

  IScriptDispatch* Dispatch() { return &FDispatch; }

protected:
  void Destroy() override;

private:
  class TDispatch : public IScriptDispatch {
  public:
    explicit TDispatch(TObjectWrapper& AOwner)
        : FOwner(AOwner) {}
    int FindMember(const std::string& Name) override;
    TMemberKind MemberKind(int Id) override;
    TScriptValue GetProperty(int Id) override;
    void SetProperty(int Id, const TScriptValue& Value) override;
    TScriptValue CallMethod(int Id, const std::vector<TScriptValue>& Args) override;

  private:
    TObjectWrapper& FOwner;
  };

  TGObject* LiveObject() const;
  void OnRefObjectDestroyed(TGObject* Sender);
  void OnMetaPropListDestroyed(TGObject* Sender);

  TScriptProcessor* FScriptProcessor;
  std::string FName;
  TGObject* FRefObject = nullptr;
  TDynProperties* FMetaPropList = nullptr;
  TDispatch FDispatch{*this};
};
