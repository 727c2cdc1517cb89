#include "sfs/UPPMdModel.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr unsigned MaxFreq = 124;
constexpr unsigned PeriodBits = 7;
constexpr unsigned TotBits = 14;
constexpr unsigned Interval = 1u << PeriodBits;
constexpr unsigned BinScale = 1u << TotBits;
// Deepest chain of contexts CreateSuccessors may build at once.
constexpr int MaxChain = 64;

constexpr uint16_t InitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};
constexpr uint8_t ExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

struct TTables {
  // SEE row per number of symbols not yet masked.
  uint8_t NS2Indx[256];
  // Binary-context column offset per number of symbols of the suffix.
  uint8_t NS2BSIndx[256];
  // 8 for symbols 0x40 and above.
  uint8_t HB2Flag[256];
};

constexpr TTables MakeTables() {
  TTables T{};
  unsigned I = 0;
  for (; I < 3; I++)
    T.NS2Indx[I] = uint8_t(I);
  for (unsigned M = I, K = 1, Step = 1; I < 256; I++) {
    T.NS2Indx[I] = uint8_t(M);
    if (--K == 0) {
      K = ++Step;
      M++;
    }
  }
  T.NS2BSIndx[0] = 0;
  T.NS2BSIndx[1] = 2;
  for (I = 2; I < 11; I++)
    T.NS2BSIndx[I] = 4;
  for (; I < 256; I++)
    T.NS2BSIndx[I] = 6;
  for (I = 0; I < 256; I++)
    T.HB2Flag[I] = I < 0x40 ? 0 : 8;
  return T;
}

constexpr TTables Tab = MakeTables();
static_assert(Tab.NS2Indx[255] == 24, "SEE rows must fit the 25 of the table");

// Rounded mean used to adapt a binary-context estimate.
constexpr unsigned GetMean(unsigned Summ) {
  return (Summ + (1u << (PeriodBits - 2))) >> PeriodBits;
}

// Thrown when the model finds its own structure inconsistent; never happens with a sound model,
// but stops the coder cleanly instead of reading out of place.
struct TModelError {};

[[noreturn]] __attribute__((noinline, cold)) void ModelError() {
  throw TModelError();
}

} // namespace

void TPPMdModel::TSee::Init(unsigned InitVal) {
  Shift = PeriodBits - 4;
  Summ = uint16_t(InitVal << Shift);
  Count = 4;
}

unsigned TPPMdModel::TSee::Mean() {
  unsigned R = Summ >> Shift;
  Summ = uint16_t(Summ - R);
  return R + (R == 0);
}

void TPPMdModel::TSee::Update() {
  if (Shift < PeriodBits && --Count == 0) {
    Summ = uint16_t(Summ + Summ);
    Count = uint8_t(3 << Shift++);
  }
}

TPPMdModel::TPPMdModel() {
  FDummySee.Summ = 0;
  FDummySee.Shift = PeriodBits;
  FDummySee.Count = 64;
}

inline TPPMdModel::TContext* TPPMdModel::Suffix(const TContext* C) const {
  if (!C->Suffix)
    ModelError();
  return Ctx(C->Suffix);
}

inline TPPMdModel::TState* TPPMdModel::FindState(TContext* C, unsigned Symbol) const {
  if (C->NumStats == 1) {
    TState* S = OneState(C);
    if (S->Symbol != Symbol)
      ModelError();
    return S;
  }
  TState* S = Stat(C->Stats);
  TState* End = S + C->NumStats;
  for (; S->Symbol != Symbol; S++)
    if (S + 1 == End)
      ModelError();
  return S;
}

void TPPMdModel::ClearMask() {
  std::memset(FCharMask, 0, sizeof(FCharMask));
  FEscCount = 1;
}

void TPPMdModel::Restart() {
  ClearMask();
  FAlloc.Init();
  FInitRL = uint32_t(-std::min(FMaxOrder, 12) - 1);
  FMinContext = FMaxContext = Ctx(FAlloc.AllocContext());
  FMinContext->Suffix = 0;
  FOrderFall = FMaxOrder;
  FMinContext->NumStats = 256;
  FMinContext->SummFreq = 256 + 1;
  FFoundState = Stat(FAlloc.AllocUnits(256 / 2));
  FMinContext->Stats = Ref(FFoundState);
  FRunLength = FInitRL;
  FPrevSuccess = 0;
  for (unsigned I = 0; I < 256; I++) {
    TState* S = FFoundState + I;
    S->Symbol = uint8_t(I);
    S->Freq = 1;
    SetSuccessor(S, 0);
  }
  for (unsigned I = 0; I < 128; I++)
    for (unsigned K = 0; K < 8; K++)
      for (unsigned M = 0; M < 64; M += 8)
        FBinSumm[I][K + M] = uint16_t(BinScale - InitBinEsc[K] / (I + 2));
  for (unsigned I = 0; I < 25; I++)
    for (unsigned K = 0; K < 16; K++)
      FSee[I][K].Init(5 * I + 10);
}

void TPPMdModel::Start(int Order) {
  FBase = FAlloc.Base();
  FMaxOrder = Order;
  FInitEsc = 0;
  FNumMasked = 0;
  FHiBitsFlag = 0;
  Restart();
}

// Builds the missing contexts between the current one and the context that follows the found
// symbol, taking the first symbol of each from the text area (information inheritance gives it a
// frequency derived from the shortest context that knows it). Null when the memory runs out.
TPPMdModel::TContext* TPPMdModel::CreateSuccessors(bool Skip, TState* P1) {
  TContext* Pc = FMinContext;
  const uint32_t UpBranch = Successor(FFoundState);
  const unsigned Sym = FFoundState->Symbol;
  TState* Ps[MaxChain];
  int NumPs = 0;
  if (!Skip)
    Ps[NumPs++] = FFoundState;
  if (Pc->Suffix) {
    TState* P = P1;
    do {
      Pc = Ctx(Pc->Suffix);
      if (!P)
        P = FindState(Pc, Sym);
      uint32_t Succ = Successor(P);
      if (Succ != UpBranch) {
        if (Succ <= FAlloc.Text())
          ModelError();
        Pc = Ctx(Succ);
        break;
      }
      if (NumPs == MaxChain)
        ModelError();
      Ps[NumPs++] = P;
      P = nullptr;
    } while (Pc->Suffix);
  }
  if (NumPs == 0)
    return Pc;

  if (UpBranch == 0 || UpBranch >= FAlloc.UnitsStart())
    ModelError();
  TState Up;
  Up.Symbol = FBase[UpBranch];
  SetSuccessor(&Up, UpBranch + 1);
  if (Pc->NumStats != 1) {
    TState* P = FindState(Pc, Up.Symbol);
    uint32_t Cf = P->Freq - 1u;
    uint32_t S0 = uint32_t(Pc->SummFreq) - Pc->NumStats - Cf;
    uint32_t F;
    if (2 * Cf <= S0)
      F = 5 * Cf > S0;
    else
      F = (2 * Cf + 3 * S0 - 1) / (2 * std::max<uint32_t>(S0, 1));
    Up.Freq = uint8_t(1 + F);
  } else
    Up.Freq = OneState(Pc)->Freq;

  do {
    uint32_t C = FAlloc.AllocContext();
    if (!C)
      return nullptr;
    TContext* C1 = Ctx(C);
    C1->NumStats = 1;
    *OneState(C1) = Up;
    C1->Suffix = Ref(Pc);
    SetSuccessor(Ps[--NumPs], C);
    Pc = C1;
  } while (NumPs);
  return Pc;
}

// Adds the found symbol to every context between the longest one and the one where it was found,
// updates the suffix's frequency and moves to the next context.
void TPPMdModel::UpdateModel() {
  const TState Fs = *FFoundState;
  TState* P = nullptr;

  if (Fs.Freq < MaxFreq / 4 && FMinContext->Suffix) {
    TContext* Pc = Ctx(FMinContext->Suffix);
    if (Pc->NumStats != 1) {
      P = Stat(Pc->Stats);
      if (P->Symbol != Fs.Symbol) {
        P = FindState(Pc, Fs.Symbol);
        if (P[0].Freq >= P[-1].Freq) {
          std::swap(P[0], P[-1]);
          P--;
        }
      }
      if (P->Freq < MaxFreq - 9) {
        P->Freq = uint8_t(P->Freq + 2);
        Pc->SummFreq = uint16_t(Pc->SummFreq + 2);
      }
    } else {
      P = OneState(Pc);
      P->Freq = uint8_t(P->Freq + (P->Freq < 32));
    }
  }

  if (FOrderFall == 0) {
    TContext* C = CreateSuccessors(true, P);
    if (!C) {
      Restart();
      return;
    }
    FMinContext = FMaxContext = C;
    SetSuccessor(FFoundState, Ref(C));
    return;
  }

  uint32_t Text = FAlloc.Text();
  FBase[Text++] = Fs.Symbol;
  FAlloc.SetText(Text);
  uint32_t Succ = Text;
  if (Text >= FAlloc.UnitsStart()) {
    Restart();
    return;
  }

  uint32_t FSucc = Successor(&Fs);
  if (FSucc) {
    if (FSucc <= Text) {
      TContext* C = CreateSuccessors(false, P);
      if (!C) {
        Restart();
        return;
      }
      FSucc = Ref(C);
    }
    if (--FOrderFall == 0) {
      Succ = FSucc;
      FAlloc.SetText(Text - (FMaxContext != FMinContext));
    }
  } else {
    SetSuccessor(FFoundState, Succ);
    FSucc = Ref(FMinContext);
  }

  // A context with a single symbol keeps that symbol where SummFreq would be; the value read here
  // is then the symbol and frequency bytes, as in the original.
  const uint32_t Ns = FMinContext->NumStats;
  const uint32_t S0 = uint32_t(FMinContext->SummFreq) - Ns - (Fs.Freq - 1u);
  for (TContext* Pc = FMaxContext; Pc != FMinContext; Pc = Suffix(Pc)) {
    const uint32_t Ns1 = Pc->NumStats;
    if (Ns1 != 1) {
      if ((Ns1 & 1) == 0) {
        if (Ns1 >= 256)
          ModelError();
        uint32_t Stats = FAlloc.ExpandUnits(Pc->Stats, Ns1 >> 1);
        if (!Stats) {
          Restart();
          return;
        }
        Pc->Stats = Stats;
      }
      Pc->SummFreq = uint16_t(Pc->SummFreq + (2 * Ns1 < Ns) +
                              2 * ((4 * Ns1 <= Ns) & (Pc->SummFreq <= 8 * Ns1)));
    } else {
      uint32_t Stats = FAlloc.AllocUnits(1);
      if (!Stats) {
        Restart();
        return;
      }
      TState* Q = Stat(Stats);
      *Q = *OneState(Pc);
      Pc->Stats = Stats;
      if (Q->Freq < MaxFreq / 4 - 1)
        Q->Freq = uint8_t(Q->Freq * 2);
      else
        Q->Freq = MaxFreq - 4;
      Pc->SummFreq = uint16_t(Q->Freq + FInitEsc + (Ns > 3));
    }
    uint32_t Cf = 2 * uint32_t(Fs.Freq) * (Pc->SummFreq + 6u);
    const uint32_t Sf = S0 + Pc->SummFreq;
    if (Cf < 6 * Sf) {
      Cf = 1 + (Cf > Sf) + (Cf >= 4 * Sf);
      Pc->SummFreq = uint16_t(Pc->SummFreq + 3);
    } else {
      Cf = 4 + (Cf >= 9 * Sf) + (Cf >= 12 * Sf) + (Cf >= 15 * Sf);
      Pc->SummFreq = uint16_t(Pc->SummFreq + Cf);
    }
    TState* Q = Stat(Pc->Stats) + Ns1;
    SetSuccessor(Q, Succ);
    Q->Symbol = Fs.Symbol;
    Q->Freq = uint8_t(Cf);
    Pc->NumStats = uint16_t(Ns1 + 1);
  }
  if (FSucc <= FAlloc.Text())
    ModelError();
  FMaxContext = FMinContext = Ctx(FSucc);
}

void TPPMdModel::NextContext() {
  uint32_t Succ = Successor(FFoundState);
  if (FOrderFall == 0 && Succ > FAlloc.Text())
    FMinContext = FMaxContext = Ctx(Succ);
  else {
    UpdateModel();
    if (FEscCount == 0)
      ClearMask();
  }
}

// Halves the frequencies of the current context (keeping them sorted, the found symbol first)
// and drops the symbols whose frequency falls to zero.
void TPPMdModel::Rescale() {
  TContext* Mc = FMinContext;
  TState* Stats = Stat(Mc->Stats);
  const unsigned OldNS = Mc->NumStats;
  unsigned I = OldNS - 1;
  TState* P = FFoundState;
  for (; P != Stats; P--)
    std::swap(P[0], P[-1]);
  Stats->Freq = uint8_t(Stats->Freq + 4);
  Mc->SummFreq = uint16_t(Mc->SummFreq + 4);
  int EscFreq = Mc->SummFreq - P->Freq;
  const unsigned Adder = FOrderFall != 0;
  P->Freq = uint8_t((P->Freq + Adder) >> 1);
  Mc->SummFreq = P->Freq;
  do {
    EscFreq -= (++P)->Freq;
    P->Freq = uint8_t((P->Freq + Adder) >> 1);
    Mc->SummFreq = uint16_t(Mc->SummFreq + P->Freq);
    if (P[0].Freq > P[-1].Freq) {
      TState* P1 = P;
      const TState Tmp = *P1;
      do
        P1[0] = P1[-1];
      while (--P1 != Stats && Tmp.Freq > P1[-1].Freq);
      *P1 = Tmp;
    }
  } while (--I);

  if (P->Freq == 0) {
    do
      I++;
    while ((--P)->Freq == 0);
    EscFreq += I;
    Mc->NumStats = uint16_t(Mc->NumStats - I);
    if (Mc->NumStats == 1) {
      TState Tmp = *Stats;
      do {
        Tmp.Freq = uint8_t(Tmp.Freq - (Tmp.Freq >> 1));
        EscFreq >>= 1;
      } while (EscFreq > 1);
      FAlloc.FreeUnits(Mc->Stats, (OldNS + 1) >> 1);
      *(FFoundState = OneState(Mc)) = Tmp;
      return;
    }
  }
  EscFreq -= EscFreq >> 1;
  Mc->SummFreq = uint16_t(Mc->SummFreq + EscFreq);
  const unsigned N0 = (OldNS + 1) >> 1, N1 = (Mc->NumStats + 1u) >> 1;
  if (N0 != N1)
    Mc->Stats = FAlloc.ShrinkUnits(Mc->Stats, N0, N1);
  FFoundState = Stat(Mc->Stats);
}

// The adaptive probability of the one symbol of a binary context, chosen by its frequency, the
// previous success, the size of the suffix, the high bits of the previous and of this symbol and
// the run of successes.
uint16_t& TPPMdModel::BinSummFor(TState* Rs) {
  FHiBitsFlag = Tab.HB2Flag[FFoundState->Symbol];
  return FBinSumm[Rs->Freq - 1][FPrevSuccess + Tab.NS2BSIndx[Suffix(FMinContext)->NumStats - 1] +
                                FHiBitsFlag + 2 * Tab.HB2Flag[Rs->Symbol] +
                                ((FRunLength >> 26) & 0x20)];
}

// Escape frequency of a context after some of its symbols were masked by longer contexts.
TPPMdModel::TSee* TPPMdModel::MakeEscFreq(unsigned Diff, uint32_t& Scale) {
  TContext* Mc = FMinContext;
  if (Mc->NumStats != 256) {
    const int SuffixMore = int(Suffix(Mc)->NumStats) - int(Mc->NumStats);
    TSee* See = &FSee[Tab.NS2Indx[Diff - 1]][(int(Diff) < SuffixMore) +
                                             2 * (Mc->SummFreq < 11u * Mc->NumStats) +
                                             4 * (FNumMasked > Diff) + FHiBitsFlag];
    Scale = See->Mean();
    return See;
  }
  Scale = 1;
  return &FDummySee;
}

void TPPMdModel::Update1(TState* P) {
  FFoundState = P;
  P->Freq = uint8_t(P->Freq + 4);
  FMinContext->SummFreq = uint16_t(FMinContext->SummFreq + 4);
  if (P[0].Freq > P[-1].Freq) {
    std::swap(P[0], P[-1]);
    FFoundState = --P;
    if (P->Freq > MaxFreq)
      Rescale();
  }
}

void TPPMdModel::Update2(TState* P) {
  FFoundState = P;
  P->Freq = uint8_t(P->Freq + 4);
  FMinContext->SummFreq = uint16_t(FMinContext->SummFreq + 4);
  if (P->Freq > MaxFreq)
    Rescale();
  FEscCount++;
  FRunLength = FInitRL;
}

// Masks the Count symbols that end at Last.
void TPPMdModel::MaskAll(TState* Last, unsigned Count) {
  for (; Count; Count--, Last--)
    FCharMask[Last->Symbol] = FEscCount;
}

void TPPMdModel::EncodeBinSymbol(int Symbol, TPPMdRangeEncoder& Rc) {
  TState* Rs = OneState(FMinContext);
  uint16_t& Bs = BinSummFor(Rs);
  if (Rs->Symbol == Symbol) {
    FFoundState = Rs;
    Rs->Freq = uint8_t(Rs->Freq + (Rs->Freq < 128));
    Rc.EncodeShift(0, Bs, TotBits);
    Bs = uint16_t(Bs + Interval - GetMean(Bs));
    FPrevSuccess = 1;
    FRunLength++;
  } else {
    Rc.EncodeShift(Bs, BinScale, TotBits);
    Bs = uint16_t(Bs - GetMean(Bs));
    FInitEsc = ExpEscape[Bs >> 10];
    FNumMasked = 1;
    FCharMask[Rs->Symbol] = FEscCount;
    FPrevSuccess = 0;
    FFoundState = nullptr;
  }
}

void TPPMdModel::EncodeSymbol1(int Symbol, TPPMdRangeEncoder& Rc) {
  TContext* Mc = FMinContext;
  const uint32_t Scale = Mc->SummFreq;
  TState* P = Stat(Mc->Stats);
  if (P->Symbol == Symbol) {
    const uint32_t HiCnt = P->Freq;
    Rc.Encode(0, HiCnt, Scale);
    FPrevSuccess = 2 * HiCnt > Scale;
    FRunLength += FPrevSuccess;
    FFoundState = P;
    P->Freq = uint8_t(P->Freq + 4);
    Mc->SummFreq = uint16_t(Mc->SummFreq + 4);
    if (P->Freq > MaxFreq)
      Rescale();
    return;
  }
  FPrevSuccess = 0;
  uint32_t LoCnt = P->Freq;
  for (unsigned I = Mc->NumStats - 1u; (++P)->Symbol != Symbol;) {
    LoCnt += P->Freq;
    if (--I == 0) {
      FHiBitsFlag = Tab.HB2Flag[FFoundState->Symbol];
      MaskAll(P, Mc->NumStats);
      FNumMasked = Mc->NumStats;
      FFoundState = nullptr;
      Rc.Encode(LoCnt, Scale, Scale);
      return;
    }
  }
  Rc.Encode(LoCnt, LoCnt + P->Freq, Scale);
  Update1(P);
}

void TPPMdModel::EncodeSymbol2(int Symbol, TPPMdRangeEncoder& Rc) {
  TContext* Mc = FMinContext;
  unsigned I = Mc->NumStats - FNumMasked;
  uint32_t Scale;
  TSee* See = MakeEscFreq(I, Scale);
  TState* P = Stat(Mc->Stats) - 1;
  uint32_t HiCnt = 0;
  do {
    do
      P++;
    while (FCharMask[P->Symbol] == FEscCount);
    HiCnt += P->Freq;
    if (P->Symbol == Symbol) {
      const uint32_t LowCount = HiCnt - P->Freq, HighCount = HiCnt;
      for (TState* P1 = P; --I;) {
        do
          P1++;
        while (FCharMask[P1->Symbol] == FEscCount);
        HiCnt += P1->Freq;
      }
      Scale += HiCnt;
      Rc.Encode(LowCount, HighCount, Scale);
      See->Update();
      Update2(P);
      return;
    }
    FCharMask[P->Symbol] = FEscCount;
  } while (--I);
  Scale += HiCnt;
  Rc.Encode(HiCnt, Scale, Scale);
  See->Summ = uint16_t(See->Summ + Scale);
  FNumMasked = Mc->NumStats;
}

bool TPPMdModel::DecodeBinSymbol(TPPMdRangeDecoder& Rc) {
  TState* Rs = OneState(FMinContext);
  uint16_t& Bs = BinSummFor(Rs);
  const uint32_t Count = Rc.GetCountShift(TotBits);
  if (Count < Bs) {
    Rc.Decode(0, Bs);
    FFoundState = Rs;
    Rs->Freq = uint8_t(Rs->Freq + (Rs->Freq < 128));
    Bs = uint16_t(Bs + Interval - GetMean(Bs));
    FPrevSuccess = 1;
    FRunLength++;
    return true;
  }
  if (Count >= BinScale)
    return false;
  Rc.Decode(Bs, BinScale);
  Bs = uint16_t(Bs - GetMean(Bs));
  FInitEsc = ExpEscape[Bs >> 10];
  FNumMasked = 1;
  FCharMask[Rs->Symbol] = FEscCount;
  FPrevSuccess = 0;
  FFoundState = nullptr;
  return true;
}

bool TPPMdModel::DecodeSymbol1(TPPMdRangeDecoder& Rc) {
  TContext* Mc = FMinContext;
  const uint32_t Scale = Mc->SummFreq;
  const uint32_t Count = Rc.GetCount(Scale);
  if (Count >= Scale)
    return false;
  TState* P = Stat(Mc->Stats);
  uint32_t HiCnt = P->Freq;
  if (Count < HiCnt) {
    Rc.Decode(0, HiCnt);
    FPrevSuccess = 2 * HiCnt > Scale;
    FRunLength += FPrevSuccess;
    FFoundState = P;
    P->Freq = uint8_t(P->Freq + 4);
    Mc->SummFreq = uint16_t(Mc->SummFreq + 4);
    if (P->Freq > MaxFreq)
      Rescale();
    return true;
  }
  FPrevSuccess = 0;
  for (unsigned I = Mc->NumStats - 1u; (HiCnt += (++P)->Freq) <= Count;)
    if (--I == 0) {
      FHiBitsFlag = Tab.HB2Flag[FFoundState->Symbol];
      Rc.Decode(HiCnt, Scale);
      MaskAll(P, Mc->NumStats);
      FNumMasked = Mc->NumStats;
      FFoundState = nullptr;
      return true;
    }
  Rc.Decode(HiCnt - P->Freq, HiCnt);
  Update1(P);
  return true;
}

bool TPPMdModel::DecodeSymbol2(TPPMdRangeDecoder& Rc) {
  TContext* Mc = FMinContext;
  const unsigned Diff = Mc->NumStats - FNumMasked;
  uint32_t Scale;
  TSee* See = MakeEscFreq(Diff, Scale);
  TState* Ps[256];
  TState* P = Stat(Mc->Stats) - 1;
  uint32_t HiCnt = 0;
  for (unsigned I = 0; I < Diff; I++) {
    do
      P++;
    while (FCharMask[P->Symbol] == FEscCount);
    HiCnt += P->Freq;
    Ps[I] = P;
  }
  Scale += HiCnt;
  const uint32_t Count = Rc.GetCount(Scale);
  if (Count >= Scale)
    return false;
  if (Count < HiCnt) {
    unsigned K = 0;
    HiCnt = 0;
    while ((HiCnt += Ps[K]->Freq) <= Count)
      K++;
    P = Ps[K];
    Rc.Decode(HiCnt - P->Freq, HiCnt);
    See->Update();
    Update2(P);
    return true;
  }
  Rc.Decode(HiCnt, Scale);
  for (unsigned I = 0; I < Diff; I++)
    FCharMask[Ps[I]->Symbol] = FEscCount;
  See->Summ = uint16_t(See->Summ + Scale);
  FNumMasked = Mc->NumStats;
  return true;
}

bool TPPMdModel::Encode(const uint8_t* In, size_t Size, int Order, TPPMdRangeEncoder& Rc) {
  try {
    Start(Order);
    for (size_t Pos = 0;; Pos++) {
      const int Symbol = Pos < Size ? In[Pos] : -1;
      if (FMinContext->NumStats != 1)
        EncodeSymbol1(Symbol, Rc);
      else
        EncodeBinSymbol(Symbol, Rc);
      while (!FFoundState) {
        Rc.Normalize();
        do {
          FOrderFall++;
          if (!FMinContext->Suffix) {
            // Escaped from the order-0 context: the end of the stream. A real symbol can always
            // be coded there, so reaching it with one means the model is broken.
            if (Symbol >= 0)
              return false;
            Rc.Flush();
            return !Rc.Failed();
          }
          FMinContext = Ctx(FMinContext->Suffix);
        } while (FMinContext->NumStats <= FNumMasked);
        EncodeSymbol2(Symbol, Rc);
      }
      if (Symbol < 0)
        return false;
      NextContext();
      Rc.Normalize();
    }
  } catch (const TModelError&) {
    return false;
  }
}

TPPMdModel::TDecodeResult TPPMdModel::Decode(TPPMdRangeDecoder& Rc, int Order, size_t Limit,
                                             std::vector<uint8_t>& Out) {
  // A sound stream never needs more bytes than the coder's final flush supplies.
  constexpr size_t MaxOverrun = 4;
  try {
    Start(Order);
    while (Out.size() < Limit) {
      if (Rc.Overrun() > MaxOverrun)
        return TDecodeResult::Corrupt;
      const bool Ok = FMinContext->NumStats != 1 ? DecodeSymbol1(Rc) : DecodeBinSymbol(Rc);
      if (!Ok)
        return TDecodeResult::Corrupt;
      while (!FFoundState) {
        Rc.Normalize();
        do {
          FOrderFall++;
          if (!FMinContext->Suffix)
            return Rc.Overrun() > MaxOverrun ? TDecodeResult::Corrupt : TDecodeResult::EndMark;
          FMinContext = Ctx(FMinContext->Suffix);
        } while (FMinContext->NumStats <= FNumMasked);
        if (!DecodeSymbol2(Rc))
          return TDecodeResult::Corrupt;
      }
      Out.push_back(FFoundState->Symbol);
      NextContext();
      Rc.Normalize();
    }
    return Rc.Overrun() > MaxOverrun ? TDecodeResult::Corrupt : TDecodeResult::Limit;
  } catch (const TModelError&) {
    return TDecodeResult::Corrupt;
  }
}
