// The named-object table that scripts see as "O". A name that is not in it resolves to the
// blank "UndefinedObject", so scripts that mention a missing object get no error.
#pragma once

#include "base/UGFastStringList.h"
#include "platform/UScriptHost.h"

#include <string>
#include <string_view>

class TGameObject;
class TObjectWrapper;
class TScriptProcessor;

class TScriptObjects : public IScriptDispatch {
public:
  explicit TScriptObjects(TScriptProcessor* AProcessor);
  virtual ~TScriptObjects();

  // Name to wrapper, sorted, case ignored; a duplicate name raises an error.
  const TGFastStringList& Wrappers() const { return FWrappers; }
  TGameObject* UndefinedGameObject() const { return FUndefinedObject; }
  TObjectWrapper* UndefinedObjectWrapper() const { return FUndefinedObjectWrapper; }

  // Adds a wrapper (owned by the table) under Name.
  TObjectWrapper* Add(std::string_view Name, TGObject* Obj);
  TObjectWrapper* Find(std::string_view Name) const;
  // Takes the entry of that name out (freeing its wrapper) when it stands for Obj; false when
  // there is no such entry.
  bool Remove(std::string_view Name, const TGObject* Obj);
  // Frees every wrapper and registers "UndefinedObject" again.
  void Clear();

  // Called for a name that is not in the table, so that a subclass can register it on demand.
  virtual bool TryRegisterObject(const std::string& Name) {
    (void)Name;
    return false;
  }

  int FindMember(const std::string& Name) override;
  TMemberKind MemberKind(int Id) override;
  TScriptValue GetProperty(int Id) override;
  void SetProperty(int Id, const TScriptValue& Value) override;
  TScriptValue CallMethod(int Id, const std::vector<TScriptValue>& Args) override;

private:
  TScriptProcessor* FScriptProcessor;
  TGFastStringList FWrappers;
  TGameObject* FUndefinedObject;
  TObjectWrapper* FUndefinedObjectWrapper = nullptr;
};
