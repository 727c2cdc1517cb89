#include "platform/UGLContext.h"

#include <SDL.h>

#include <string>

namespace {

EHostError GLFailure(const char* What) {
  return EHostError(std::string(What) + ": " + SDL_GetError());
}

} // namespace

TGLContext::TGLContext(THostWindow& Window)
    : FWindow(Window) {
  if (!Window.Handle())
    throw EHostError("Cannot create an OpenGL context: the window does not exist");
  // The window asked for a 2.1 compatibility drawable; ask again in case another context changed
  // the attributes since.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  FContext = SDL_GL_CreateContext(Window.Handle());
  if (!FContext)
    throw GLFailure("Cannot create an OpenGL context");
  if (SDL_GL_MakeCurrent(Window.Handle(), FContext) != 0) {
    SDL_GL_DeleteContext(FContext);
    FContext = nullptr;
    throw GLFailure("Cannot make the OpenGL context current");
  }
}

TGLContext::~TGLContext() {
  if (FContext) {
    if (SDL_GL_GetCurrentContext() == FContext)
      SDL_GL_MakeCurrent(FWindow.Handle(), nullptr);
    SDL_GL_DeleteContext(FContext);
  }
}

void TGLContext::MakeCurrent() {
  if (SDL_GL_MakeCurrent(FWindow.Handle(), FContext) != 0)
    throw GLFailure("Cannot make the OpenGL context current");
}

void TGLContext::Swap() {
  SDL_GL_SwapWindow(FWindow.Handle());
}

THostSize TGLContext::DrawableSize() const {
  THostSize Size;
  SDL_GL_GetDrawableSize(FWindow.Handle(), &Size.Width, &Size.Height);
  return Size;
}

bool TGLContext::SetSwapInterval(int Interval) {
  return SDL_GL_SetSwapInterval(Interval) == 0;
}

int TGLContext::DrawableSamples() const {
  int Buffers = 0;
  int Samples = 0;
  if (SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &Buffers) != 0 || Buffers == 0)
    return 0;
  SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &Samples);
  return Samples;
}
