// A material of a model's mesh: the colours and power of the lighting model and a texture, taken
// from a picture resource of the library (shared with everyone who shows it) or, when the
// picture is not found, an empty texture of the material's own.
#pragma once

#include "graphics/UGGraphicsDevice.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TGManagedTexture;
class TGResourceLibrary;
class TGSprite;
class TGTexture;

class TGMeshMaterial : public TGClonableObject {
  G_CLASS(TGMeshMaterial, TGClonableObject)
  explicit TGMeshMaterial(TGObject* AOwner = nullptr);

  // The name, colours and texture; the picture is referenced once more by the copy.
  void AssignTo(TGObject* Dest) const override;

  // The texture URL as written in the model file.
  const std::string& Name() const { return FName; }
  TGManagedTexture* Texture() const { return FTexture; }
  TGSprite* SourceSprite() const { return FSourceSprite; }
  // What stage 0 shows: the picture's texture, else the own texture when it holds an image,
  // else none.
  TGTexture* CurrentTexture() const;

  // Releases the previous picture and own texture, then looks URL up as a picture of the library
  // and, when it has none, SearchPath + URL (the folder of the model being loaded). A picture
  // found is referenced and watched; otherwise the material gets an empty texture of its own.
  // Without a library only the name is kept.
  void SetTexture(TGResourceLibrary* Context, const std::string& URL, std::string_view SearchPath);
  // The same, searching beside the model that owns the material (for re-skinning at run time).
  void SetTexture(TGResourceLibrary* Context, const std::string& URL);

  // Stage 0 and the lighting material for drawing with the tint Tint.
  virtual void SetupDevice(TGColor Tint);
  virtual void RestoreDevice();

  TGMaterial Material{0xFFFFFFFFu, 0, 0, 0, 0};

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void ReleaseTextures();
  void HoldSprite(TGSprite* Sprite);
  void OnSpriteDestroy(TGObject* Sender);

  std::string FName;
  TGManagedTexture* FTexture = nullptr; // owned
  TGSprite* FSourceSprite = nullptr;    // referenced
};
