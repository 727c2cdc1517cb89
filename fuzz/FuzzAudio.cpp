// The mixer's decoders on arbitrary bytes: as a sample, as a stream and as a module, each
// rendered for a moment. Bad data must be refused with a code, never crash or hang.
#include "platform/UAudioMixer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TAudioMixer* M = [] {
    auto* Mixer = new TAudioMixer();
    Mixer->Init(TMixOutput::Buffer);
    return Mixer;
  }();
  std::vector<float> Out(2 * 2048);
  auto Bytes = std::make_shared<const std::string>(reinterpret_cast<const char*>(Data), Size);
  if (TMixHandle S = M->SampleLoad(Data, Size, 2)) {
    TMixHandle Ch = M->SampleGetChannel(S);
    M->ChannelSetAttributes(Ch, 96000, 100, 0);
    M->ChannelPlay(Ch, true);
    M->Render(Out.data(), 2048);
    M->SampleFree(S);
  }
  if (TMixHandle St = M->StreamCreate(Bytes)) {
    M->ChannelPlay(St, true);
    M->Render(Out.data(), 2048);
    M->ChannelSetPosition(St, 0.01);
    M->Render(Out.data(), 1024);
    M->StreamFree(St);
  }
  if (TMixHandle Mu = M->MusicLoad(Data, Size)) {
    M->ChannelSetFlags(Mu, CMixLoop);
    M->ChannelPlay(Mu, true);
    M->Render(Out.data(), 2048);
    M->MusicSetPosition(Mu, 0, 0);
    M->Render(Out.data(), 1024);
    M->MusicFree(Mu);
  }
  return 0;
}
