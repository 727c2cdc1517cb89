// The PPMII context model of PPMd variant G: a tree of contexts linked to their suffixes, each
// holding the symbols seen after it with their frequencies; contexts are created lazily from the
// text area; escapes of binary contexts are estimated from an adaptive table (BinSumm), the others
// by secondary escape estimation (SEE); new symbols inherit frequencies from shorter contexts;
// frequencies are halved when they grow too large; when the memory runs out the model restarts.
#pragma once

#include "sfs/UPPMdRangeCoder.h"
#include "sfs/UPPMdSubAlloc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TPPMdModel {
public:
  TPPMdModel();

  // Makes sure the model memory holds exactly Bytes (see TPPMdSubAllocator::Reserve).
  bool Reserve(uint32_t Bytes) { return FAlloc.Reserve(Bytes); }
  uint32_t MemorySize() const { return FAlloc.HeapSize(); }

  // Codes Size bytes followed by the end-of-stream escape and flushes the coder. Needs reserved
  // memory. False when the model meets a state it cannot code (never with a sound model).
  bool Encode(const uint8_t* In, size_t Size, int Order, TPPMdRangeEncoder& Rc);

  enum class TDecodeResult { EndMark, Limit, Corrupt };
  // Decodes into Out until the end-of-stream escape or until Out holds Limit bytes. Corrupt when
  // the coder finds a count outside the coded total or reads well past the end of the input.
  TDecodeResult Decode(TPPMdRangeDecoder& Rc, int Order, size_t Limit, std::vector<uint8_t>& Out);

private:
  // A symbol with its frequency and the context that follows it (a context of the next order, or
  // a position in the text area from which that context can still be built).
  struct __attribute__((may_alias)) TState {
    uint8_t Symbol;
    uint8_t Freq;
    uint16_t SuccessorLow;
    uint16_t SuccessorHigh;
  };
  // A context. A context with a single symbol keeps it in place of SummFreq and Stats.
  struct __attribute__((may_alias)) TContext {
    uint16_t NumStats;
    uint16_t SummFreq;
    uint32_t Stats;
    uint32_t Suffix;
  };
  // An adaptive escape estimate of the secondary escape estimation.
  struct TSee {
    uint16_t Summ;
    uint8_t Shift;
    uint8_t Count;
    void Init(unsigned InitVal);
    unsigned Mean();
    void Update();
  };

  static uint32_t Successor(const TState* S) {
    return S->SuccessorLow | uint32_t(S->SuccessorHigh) << 16;
  }
  static void SetSuccessor(TState* S, uint32_t V) {
    S->SuccessorLow = uint16_t(V);
    S->SuccessorHigh = uint16_t(V >> 16);
  }
  static TState* OneState(TContext* C) { return reinterpret_cast<TState*>(&C->SummFreq); }
  TContext* Ctx(uint32_t Off) const { return reinterpret_cast<TContext*>(FBase + Off); }
  TState* Stat(uint32_t Off) const { return reinterpret_cast<TState*>(FBase + Off); }
  uint32_t Ref(const void* P) const { return uint32_t(static_cast<const uint8_t*>(P) - FBase); }
  TContext* Suffix(const TContext* C) const;
  TState* FindState(TContext* C, unsigned Symbol) const;

  void Start(int Order);
  void Restart();
  void ClearMask();
  TContext* CreateSuccessors(bool Skip, TState* P1);
  void UpdateModel();
  void NextContext();
  void Rescale();
  uint16_t& BinSummFor(TState* Rs);
  TSee* MakeEscFreq(unsigned Diff, uint32_t& Scale);
  void Update1(TState* P);
  void Update2(TState* P);
  void MaskAll(TState* Last, unsigned Count);

  void EncodeBinSymbol(int Symbol, TPPMdRangeEncoder& Rc);
  void EncodeSymbol1(int Symbol, TPPMdRangeEncoder& Rc);
  void EncodeSymbol2(int Symbol, TPPMdRangeEncoder& Rc);
  bool DecodeBinSymbol(TPPMdRangeDecoder& Rc);
  bool DecodeSymbol1(TPPMdRangeDecoder& Rc);
  bool DecodeSymbol2(TPPMdRangeDecoder& Rc);

  TPPMdSubAllocator FAlloc;
  uint8_t* FBase = nullptr;
  TContext* FMinContext = nullptr;
  TContext* FMaxContext = nullptr;
  TState* FFoundState = nullptr;
  int FMaxOrder = 0;
  int FOrderFall = 0;
  unsigned FInitEsc = 0;
  unsigned FNumMasked = 0;
  // Run length of successful predictions; kept as the original's signed 32-bit value.
  uint32_t FRunLength = 0;
  uint32_t FInitRL = 0;
  uint8_t FPrevSuccess = 0;
  uint8_t FHiBitsFlag = 0;
  uint8_t FEscCount = 0;
  uint8_t FCharMask[256] = {};
  uint16_t FBinSumm[128][64] = {};
  TSee FSee[25][16] = {};
  TSee FDummySee = {};
};
