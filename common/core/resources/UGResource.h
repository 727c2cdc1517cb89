// Resources: objects identified by a URL (a relative path such as Images\Hero\idle.png),
// created by the class registered for the URL's extension, loaded once from a depository and
// shared by everyone who asks for that URL.
#pragma once

#include "base/UGError.h"
#include "io/UGStream.h"
#include "object/UGObject.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TGResourceLibrary;
class TGXMLNode;

// Raised by depositories when a resource fails to load.
G_EXCEPTION_CLASS(TGResourceException, EGException);

class TGResource : public TGClonableObject {
  G_CLASS(TGResource, TGClonableObject)
  explicit TGResource(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}

  const std::string& URL() const { return FURL; }
  // Normalises; a changed URL fires NotifyRename.
  void SetURL(std::string_view Value);
  int32_t RefCount() const { return FRefCount; }
  void AddRef() { ++FRefCount; }
  // Never below 0; releasing never frees: resources live until their library is cleared.
  void Release();
  bool IgnoreNextChangeNotify = false;

  void NotifyChange();
  void NotifyResourceDestroy();
  void NotifyRename();

  virtual void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node);
  virtual TGXMLNode* SaveToXML() const;
  // The base reads the stream as an XML document and calls LoadFromXML.
  virtual void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context);
  virtual void SaveToStream(TGStream& Stream) const;
  virtual void ImportAttributes(const TGXMLNode* Attributes) { (void)Attributes; }
  virtual void ExportAttributes(TGXMLNode* Attributes) const { (void)Attributes; }
  // Copies the URL when this resource has one.
  void AssignTo(TGObject* Dest) const override;

  // Stores a reference to another resource in one of this resource's fields: the old value is
  // released, the new one referenced and watched, so that its destruction clears the field.
  template <class T>
  void SetResource(T*& Field, T* Value) {
    SetResourceField(
        &Field, [&Field]() -> TGResource* { return Field; }, [&Field] { Field = nullptr; },
        [&Field, Value] { Field = Value; }, Value);
  }
  // Whether the field is one this resource records (its index, or -1).
  int HasReferenceTo(const void* FieldAddress) const;
  void OnDestroyResource(TGObject* Sender);

  // Creates a resource of the class owned by the library, with its URL and attributes, and
  // loads it from the stream.
  static TGResource* CreateFromStream(TGClass Class, TGResourceLibrary* Library,
                                      const std::string& AURL, const TGXMLNode* Attributes,
                                      TGStream& Stream);
  // The resource named by the node's attribute, or none (no error when it is missing).
  static TGResource* XMLResource(TGResourceLibrary* Library, const TGXMLNode* Node,
                                 std::string_view AttrName);
  static TGResource* SafeGetResource(TGResourceLibrary* Library, const std::string& AURL);
  static std::string SafeGetURL(const TGResource* Resource);

protected:
  void Destroy() override;

private:
  struct TReference {
    const void* Field;
    std::function<TGResource*()> Get;
    std::function<void()> Clear;
  };
  void SetResourceField(const void* Field, std::function<TGResource*()> Get,
                        std::function<void()> Clear, const std::function<void()>& Assign,
                        TGResource* Value);

  std::string FURL;
  std::vector<TReference> FReferences;
  int32_t FRefCount = 0;
};

// The resource classes by extension. Directory is the class's category folder in a depository
// ("gfx", "win", "fnt", "cfg", "sfx", ...); a subclass without its own registration uses its
// parent's folder.
void RegisterResource(TGClass Class, std::string_view Directory,
                      std::initializer_list<std::string_view> Extensions, int IconIndex = 0);
// The class registered for the extension of a file name or URL, or none.
TGClass ResourceClass(std::string_view FileNameOrURL);
bool ValidateURL(std::string_view URL);
std::string ResourceDirectory(TGClass Class);
// Converts a file of a resource class into the form the conversion cache keeps (pictures into
// ".spr"). Only the classes given a converter are cached.
using TGCacheConverter = void (*)(TGStream& Source, TGStream& Target);
void SetCacheConverter(TGClass Class, TGCacheConverter Converter);
// The converter of the class registered for the file's extension, or none.
TGCacheConverter CacheConverter(std::string_view FileName);
// Category folder + "\" + URL ("Menu\Main.win" is read from "win\Menu\Main.win").
std::string URLToFileName(std::string_view URL);
void UnregisterAllResources();
