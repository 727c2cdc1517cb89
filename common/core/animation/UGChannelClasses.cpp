#include "animation/UGChannelClasses.h"

#include "animation/UGChannel.h"
#include "animation/UGLiveAudio.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "animation/UGSceneChannel.h"
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"

void RegisterChannelClasses() {
  // The widget channel goes first, registered by the widget unit before this is called; the
  // game-object channel comes last, registered by the game. Class ids are searched in this
  // order.
  TGChannel::RegisterClass(TGLivePicture::StaticClass());
  TGChannel::RegisterClass(TGLiveText::StaticClass());
  TGChannel::RegisterClass(TGParticleEmitter::StaticClass());
  TGChannel::RegisterClass(TGLiveAudio::StaticClass());
  TGChannel::RegisterClass(TGSceneChannel::StaticClass());
  TGChannel::RegisterClass(TGSimpleParticleEmitter::StaticClass());
}
