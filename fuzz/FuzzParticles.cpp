// Loading arbitrary text as a particle-emitter channel must fail with an engine error or give an
// emitter that saves and loads again and makes particles from what it loaded.
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Particles of a bounded life, so that one input stays quick whatever its sequences say.
void MakeParticles(TGCustomParticleEmitter& E) {
  auto* Scripted = dynamic_cast<TGParticleEmitter*>(&E);
  for (int32_t T : {0, 250, 1000}) {
    E.SetElapsedTime(T);
    if (Scripted) {
      Scripted->UpdateScripts(T);
    }
    const float Life = std::clamp(E.ParticleLifeTime()->GetRealValue(T), 0.0f, 2.0f);
    TGObjectPtr<TGGraphic> P(E.CreateParticle(1, 2, 45, 0, 0, Life));
    for (int I = 0; I < 3; ++I) {
      P->Update(0.3f);
    }
  }
}

template <class T>
void Run(const std::string& Text) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Channel"));
  TGObjectPtr<T> E(TGChannel::Create<T>(nullptr));
  try {
    Node->LoadFromString(Text);
    E->LoadFromXML(nullptr, Node.get());
  } catch (const EGException&) {
    return;
  }
  TGObjectPtr<TGXMLNode> Saved(E->SaveToXML());
  TGObjectPtr<T> Again(TGChannel::Create<T>(nullptr));
  Again->LoadFromXML(nullptr, Saved.get()); // what was saved must load
  try {
    MakeParticles(*Again);
  } catch (const EGException&) {
    // Expressions that do not compile or call functions wrongly fail cleanly.
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0)
    return 0;
  const std::string Text(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  if (Data[0] % 2)
    Run<TGParticleEmitter>(Text);
  else
    Run<TGSimpleParticleEmitter>(Text);
  return 0;
}
