#include "app/UGClassTables.h"

#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGLiveAudio.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "animation/UGSceneChannel.h"
#include "audio/UGAudioSound.h"
#include "drawables/UGSprite.h"
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"
#include "resources/UGConfig.h"
#include "resources/UGResource.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGSceneCamera.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneImport.h"
#include "scene3d/UGSceneRoot.h"
#include "scene3d/UGSceneShapes.h"
#include "scene3d/UGSceneSky.h"
#include "text/UGFont.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGEditBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGLiveWidget.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"
#include "widgets/UGWindow.h"

namespace {

// By extension, with the category folder each class is read from and its icon in the tools.
void RegisterResourceClasses() {
  RegisterResource(TGSprite::StaticClass(), "gfx", {".png", ".jp2", ".jpg"}, 4);
  // Pictures are what the conversion cache keeps.
  SetCacheConverter(TGSprite::StaticClass(), TGSprite::ConvertToCache);
  RegisterResource(TGAnimation::StaticClass(), "gfx", {".ani"}, 6);
  RegisterResource(TGModel::StaticClass(), "gfx", {".x", ".xmdl", ".bx"}, TGModel::GetIconIndex());
  RegisterResource(TGSceneRoot::StaticClass(), "gfx", {".sce"}, TGSceneRoot::GetIconIndex());
  RegisterResource(TGFont::StaticClass(), "fnt", {".fnt"}, 7);
  RegisterResource(TGWindow::StaticClass(), "win", {".win"}, 1);
  RegisterResource(TGConfig::StaticClass(), "cfg", {".cfg"}, 3);
  RegisterResource(TGSound::StaticClass(), "sfx", {".ogg", ".wav", ".mp3"}, 4);
  RegisterResource(TGModMusic::StaticClass(), "sfx", {".mo3", ".xm", ".it"}, 4);
}

// Window files name their classes and the first class of a name wins: the edit box comes first.
void RegisterWidgetClasses() {
  TGWidget::UnregisterClasses();
  for (TGClass C : {TGEditBox::StaticClass(), TGWidget::StaticClass(), TGWindow::StaticClass(),
                    TGPicture::StaticClass(), TGButton::StaticClass(), TGCheckBox::StaticClass(),
                    TGLabel::StaticClass(), TGProgressBar::StaticClass()}) {
    TGWidget::RegisterClass(C);
  }
}

// Channel ids are searched in registration order: the widget channel first; the game's object
// channel comes last, registered by the game.
void RegisterChannelClasses() {
  for (TGClass C :
       {TGLiveWidget::StaticClass(), TGLivePicture::StaticClass(), TGLiveText::StaticClass(),
        TGParticleEmitter::StaticClass(), TGLiveAudio::StaticClass(), TGSceneChannel::StaticClass(),
        TGSimpleParticleEmitter::StaticClass()}) {
    TGChannel::RegisterClass(C);
  }
}

// Scene files name their nodes' classes; each kind has its name and icon in an editor.
void RegisterSceneNodeClasses() {
  const struct {
    TGClass Class;
    const char* EditorName;
    int Icon;
  } Kinds[] = {{TGSceneRoot::StaticClass(), "Root", 12},
               {TGSceneNode::StaticClass(), "Generic node", 0},
               {TGSceneLightScope::StaticClass(), "Light scope", 9},
               {TGSceneLight::StaticClass(), "Light", 8},
               {TGSceneSort::StaticClass(), "Sort", 11},
               {TGSceneCamera::StaticClass(), "Camera", 1},
               {TGSceneShapeBox::StaticClass(), "Box", 3},
               {TGSceneShapeSphere::StaticClass(), "Sphere", 5},
               {TGSceneShapeCapsule::StaticClass(), "Capsule", 4},
               {TGSceneShapeCylinder::StaticClass(), "Cylinder", 4},
               {TGSceneGraphic3D::StaticClass(), "3D Graphic", 7},
               {TGSceneGraphic2D::StaticClass(), "2D Graphic", 6},
               {TGSceneImportModelFrame::StaticClass(), "Bone import", 13},
               {TGSceneSky::StaticClass(), "Sky", 15}};
  for (const auto& K : Kinds)
    TGSceneNode::RegisterClass(K.Class, K.EditorName, K.Icon);
}

} // namespace

void RegisterEngineClasses() {
  RegisterResourceClasses();
  RegisterWidgetClasses();
  RegisterChannelClasses();
  RegisterSceneNodeClasses();
}
