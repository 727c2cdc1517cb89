#include "resources/UGResource.h"

#include "base/UGFastStringList.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <mutex>

G_IMPLEMENT_CLASS(TGResource)

namespace {

struct TResourceClassRec {
  TGClass Class;
  std::string Directory;
  int IconIndex;
  TGCacheConverter Converter = nullptr;
};

struct TRegistry {
  std::mutex Lock;
  std::vector<TResourceClassRec> Classes;
  std::vector<std::pair<std::string, TGClass>> Extensions; // lower-case extension with its dot
};

TRegistry& Registry() {
  static TRegistry R;
  return R;
}

// The record of a registered class, or none; the registry's lock is held.
TResourceClassRec* FindRecord(TRegistry& R, TGClass Class) {
  for (TResourceClassRec& Rec : R.Classes) {
    if (Rec.Class == Class) {
      return &Rec;
    }
  }
  return nullptr;
}

} // namespace

void RegisterResource(TGClass Class, std::string_view Directory,
                      std::initializer_list<std::string_view> Extensions, int IconIndex) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  if (FindRecord(R, Class)) {
    return;
  }
  for (std::string_view Ext : Extensions) {
    std::string Key = LowerCase(Ext);
    for (const auto& E : R.Extensions) {
      if (E.first == Key) {
        throw Error("Resource class %s can not register extension %s", Class->Name, Ext);
      }
    }
  }
  R.Classes.push_back(TResourceClassRec{Class, std::string(Directory), IconIndex, nullptr});
  for (std::string_view Ext : Extensions) {
    R.Extensions.emplace_back(LowerCase(Ext), Class);
  }
}

TGClass ResourceClass(std::string_view FileNameOrURL) {
  std::string Ext = LowerCase(ExtractFileExt(FileNameOrURL));
  if (Ext.empty()) {
    return nullptr;
  }
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  for (const auto& E : R.Extensions) {
    if (E.first == Ext) {
      return E.second;
    }
  }
  return nullptr;
}

bool ValidateURL(std::string_view URL) {
  return ResourceClass(URL) != nullptr;
}

std::string ResourceDirectory(TGClass Class) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  for (TGClass C = Class; C; C = C->Parent) {
    for (const TResourceClassRec& Rec : R.Classes) {
      if (Rec.Class == C && !Rec.Directory.empty()) {
        return Rec.Directory;
      }
    }
  }
  return {};
}

void SetCacheConverter(TGClass Class, TGCacheConverter Converter) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  TResourceClassRec* Rec = FindRecord(R, Class);
  if (!Rec) {
    throw Error("Resource class %s is not registered", Class->Name);
  }
  Rec->Converter = Converter;
}

TGCacheConverter CacheConverter(std::string_view FileName) {
  const TGClass Class = ResourceClass(FileName);
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  const TResourceClassRec* Rec = FindRecord(R, Class);
  return Rec ? Rec->Converter : nullptr;
}

std::string URLToFileName(std::string_view URL) {
  std::string U = FixURLSlashes(URL);
  if (U.empty()) {
    throw Error("Invalid URL");
  }
  TGClass Class = ResourceClass(U);
  std::string Folder = Class ? ResourceDirectory(Class) : std::string();
  if (Folder.empty()) {
    throw Error("Invalid resource URL \"%s\"", U);
  }
  return Folder + "\\" + (U.front() == '\\' ? U.substr(1) : U);
}

void UnregisterAllResources() {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  R.Extensions.clear();
  R.Classes.clear();
}

// --- Resources -----------------------------------------------------------------------------------

void TGResource::SetURL(std::string_view Value) {
  std::string U = FixURLSlashes(Value);
  if (U != FURL) {
    FURL = U;
    NotifyRename();
  }
}

void TGResource::Release() {
  if (FRefCount > 0) {
    --FRefCount;
  }
}

void TGResource::NotifyChange() {
  Notify(TGNotification(this, &TGResource::NotifyChange));
}
void TGResource::NotifyResourceDestroy() {
  Notify(TGNotification(this, &TGResource::NotifyResourceDestroy));
}
void TGResource::NotifyRename() {
  Notify(TGNotification(this, &TGResource::NotifyRename));
}

void TGResource::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  (void)Context;
  (void)Node;
  NotImplementedError();
}

TGXMLNode* TGResource::SaveToXML() const {
  NotImplementedError();
}

void TGResource::LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Resource"));
  Root->LoadFromStream(Stream);
  LoadFromXML(Context, Root.get());
}

void TGResource::SaveToStream(TGStream& Stream) const {
  TGObjectPtr<TGXMLNode> Root(SaveToXML());
  Root->SaveToStream(Stream);
}

void TGResource::AssignTo(TGObject* Dest) const {
  TGResource* Target = ObjectCast<TGResource>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  if (!FURL.empty()) {
    Target->SetURL(FURL);
  }
}

int TGResource::HasReferenceTo(const void* FieldAddress) const {
  for (size_t I = 0; I < FReferences.size(); ++I) {
    if (FReferences[I].Field == FieldAddress) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

void TGResource::SetResourceField(const void* Field, std::function<TGResource*()> Get,
                                  std::function<void()> Clear, const std::function<void()>& Assign,
                                  TGResource* Value) {
  if (HasReferenceTo(Field) < 0) {
    FReferences.push_back(TReference{Field, Get, std::move(Clear)});
  }
  if (TGResource* Old = Get()) {
    Old->Release();
    // Other fields may still hold the old resource: unlink only when none does.
    UnSubscribe(Old);
    for (const TReference& R : FReferences) {
      if (R.Field != Field && R.Get() == Old) {
        Subscribe(TGNotification(Old, &TGResource::NotifyResourceDestroy),
                  TGNotifyEvent(this, &TGResource::OnDestroyResource));
        break;
      }
    }
  }
  Assign();
  if (Value) {
    Value->AddRef();
    Subscribe(TGNotification(Value, &TGResource::NotifyResourceDestroy),
              TGNotifyEvent(this, &TGResource::OnDestroyResource));
  }
}

void TGResource::OnDestroyResource(TGObject* Sender) {
  for (const TReference& R : FReferences) {
    if (R.Get() == Sender) {
      R.Clear();
    }
  }
}

void TGResource::Destroy() {
  for (const TReference& R : FReferences) {
    if (TGResource* Held = R.Get()) {
      Held->Release();
    }
  }
  NotifyResourceDestroy();
  inherited::Destroy();
}

TGResource* TGResource::CreateFromStream(TGClass Class, TGResourceLibrary* Library,
                                         const std::string& AURL, const TGXMLNode* Attributes,
                                         TGStream& Stream) {
  // Owned by the library once it is added: a loader thread must not touch the library's lists.
  TGObjectPtr<TGResource> R(ObjectCast<TGResource>(Class->CreateInstance(nullptr)));
  R->SetURL(AURL);
  if (Attributes) {
    R->ImportAttributes(Attributes);
  }
  R->LoadFromStream(Stream, Library);
  return R.release();
}

TGResource* TGResource::XMLResource(TGResourceLibrary* Library, const TGXMLNode* Node,
                                    std::string_view AttrName) {
  if (!Library || !Node || !Node->HasAttr(AttrName)) {
    return nullptr;
  }
  return Library->GetResourceEx(Node->GetStrAttr(AttrName), false);
}

TGResource* TGResource::SafeGetResource(TGResourceLibrary* Library, const std::string& AURL) {
  return Library ? Library->GetResourceEx(AURL, false) : nullptr;
}

std::string TGResource::SafeGetURL(const TGResource* Resource) {
  return Resource ? Resource->URL() : std::string();
}
