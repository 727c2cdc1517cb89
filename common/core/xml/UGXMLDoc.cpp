#include "xml/UGXMLDoc.h"

#include "base/UGError.h"
#include "base/UGThread.h"
#include "xml/UGXMLArena.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <expat.h>
#include <iconv.h>
#include <vector>

namespace {

// Whether a name character may also start a name: all but '-', '.', the digits, U+00B7,
// U+0300..U+036F and U+203F..U+2040 (UTF-8 text, known to consist of name characters).
bool StartsName(std::string_view S) {
  if (S.empty()) {
    return false;
  }
  auto Byte = [&](size_t I) { return I < S.size() ? static_cast<unsigned char>(S[I]) : 0u; };
  unsigned char C = Byte(0);
  if (C == '-' || C == '.' || (C >= '0' && C <= '9')) {
    return false;
  }
  if (C == 0xC2 && Byte(1) == 0xB7) {
    return false;
  }
  if ((C == 0xCC && Byte(1) >= 0x80) || (C == 0xCD && Byte(1) <= 0xAF)) {
    return false;
  }
  if (C == 0xE2 && ((Byte(1) == 0x80 && Byte(2) == 0xBF) || (Byte(1) == 0x81 && Byte(2) == 0x80))) {
    return false;
  }
  return true;
}

// The name without its namespace prefix. Without namespaces a colon is an ordinary name
// character, so a name may end in one ("Widge:") or go on after it with a character that
// cannot start a name ("a:1"); such names are kept whole, because the rest alone could not be
// written back.
std::string_view LocalName(std::string_view S) {
  size_t Colon = S.rfind(':');
  if (Colon == std::string_view::npos) {
    return S;
  }
  std::string_view Local = S.substr(Colon + 1);
  return StartsName(Local) ? Local : S;
}

bool IsWhitespaceOnly(std::string_view S) {
  return std::all_of(S.begin(), S.end(),
                     [](char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; });
}

// The number of LFs in Text that do not follow a CR.
size_t BareLineFeeds(std::string_view Text) {
  size_t Count = 0;
  for (size_t I = Text.find('\n'); I != std::string_view::npos; I = Text.find('\n', I + 1)) {
    if (I == 0 || Text[I - 1] != '\r') {
      ++Count;
    }
  }
  return Count;
}

// Appends Text with every LF that does not follow a CR turned into CR LF.
void AppendNormalised(std::string& Out, std::string_view Text, size_t BareLFs) {
  if (BareLFs == 0) {
    Out.append(Text);
    return;
  }
  Out.reserve(Out.size() + Text.size() + BareLFs);
  size_t Run = 0;
  for (size_t I = Text.find('\n'); I != std::string_view::npos; I = Text.find('\n', I + 1)) {
    if (I == 0 || Text[I - 1] != '\r') {
      Out.append(Text.substr(Run, I - Run));
      Out += '\r';
      Run = I;
    }
  }
  Out.append(Text.substr(Run));
}

enum TMode { cmNone, cmText, cmElements };

struct TFrame {
  TGXMLNode* Node;
  TMode Mode;
  // The collection that took the previous child: siblings mostly come in runs of one name.
  TGXMLCollection* Last;
};

// Builds the tree straight from the parser's events.
struct TBuilder {
  XML_Parser Parser = nullptr;
  TGXMLNode* Root = nullptr;
  TGXMLLineTable* Lines = nullptr;
  // Holds the objects below the root, made with the first of them; sized from the document.
  TGXMLArena* Arena = nullptr;
  size_t DocumentSize = 0;
  std::vector<TFrame> Stack;
  std::string Pending;
  // The names and values of the element being started.
  std::vector<std::string_view> Names;
  bool HadCData = false;
  bool InCData = false;
  bool MixedContent = false;
  std::string Failure;

  void Fail() {
    if (Lines) {
      Lines->SetErrorLine(static_cast<int32_t>(XML_GetCurrentLineNumber(Parser)));
    }
    MixedContent = true;
    XML_StopParser(Parser, XML_FALSE);
  }

  // Ends the current text or CDATA section: whitespace-only text is dropped, CDATA always kept.
  void Flush() {
    bool IsCData = HadCData;
    HadCData = false;
    if (Pending.empty() && !IsCData) {
      return;
    }
    if (Stack.empty() || (!IsCData && IsWhitespaceOnly(Pending))) {
      Pending.clear();
      return;
    }
    TFrame& Top = Stack.back();
    if (Top.Mode == cmElements) {
      Pending.clear();
      Fail();
      return;
    }
    Top.Mode = cmText;
    std::string& Text = Top.Node->TextForLoading();
    size_t BareLFs = BareLineFeeds(Pending);
    if (Text.empty() && BareLFs == 0 && Pending.capacity() <= 2 * Pending.size() + 16) {
      // The usual text in one piece: hand the buffer over instead of copying it (unless it
      // is much larger than the text, kept from a long text before).
      Text.swap(Pending);
    } else {
      AppendNormalised(Text, Pending, BareLFs);
    }
    Pending.clear();
  }

  void StartElement(const char* Name, const char** Attributes) {
    Flush();
    if (MixedContent) {
      return;
    }
    // Element names are short: measured by hand, looking for a prefix on the way.
    const char* End = Name;
    bool Prefixed = false;
    for (; *End; ++End) {
      Prefixed |= *End == ':';
    }
    std::string_view Whole(Name, static_cast<size_t>(End - Name));
    std::string_view Local = Prefixed ? LocalName(Whole) : Whole;
    TGXMLNode* Node = nullptr;
    if (Stack.empty()) {
      Node = Root;
      Node->SetName(Local);
    } else {
      TFrame& Parent = Stack.back();
      if (Parent.Mode == cmText) {
        Fail();
        return;
      }
      Parent.Mode = cmElements;
      if (!Arena) {
        // The tree's objects take about twice the bytes of their markup.
        Arena = new TGXMLArena(2 * DocumentSize);
      }
      TGXMLCollection* Collection = Parent.Last;
      if (!Collection || Collection->Tag() != Local) {
        Collection = Parent.Node->ChildsForLoading(Local, Arena);
        Parent.Last = Collection;
      }
      Node = new (Arena) TGXMLNode(Collection, Local);
      // Not the shared empty collection, which TGXMLCollection::Add guards against.
      Collection->TGCollection::Add(Node);
    }
    if (*Attributes) {
      AddAttributes(Node, Attributes);
    }
    if (Lines) {
      Lines->SetLine(Node, static_cast<int32_t>(XML_GetCurrentLineNumber(Parser)));
    }
    Stack.push_back(TFrame{Node, cmNone, nullptr});
  }

  // The node's attributes in one block sized for them. The parser rejects repeated attribute
  // names; only names that lose a prefix can meet again.
  void AddAttributes(TGXMLNode* Node, const char** Attributes) {
    size_t Count = 0;
    while (Attributes[2 * Count]) {
      ++Count;
    }
    if (Names.size() < 2 * Count) {
      Names.resize(2 * Count);
    }
    bool Prefixed = false;
    for (size_t I = 0; I < 2 * Count; I += 2) {
      // Names are short: measured by hand, looking for a prefix on the way.
      const char* End = Attributes[I];
      for (; *End; ++End) {
        Prefixed |= *End == ':';
      }
      Names[I] = std::string_view(Attributes[I], static_cast<size_t>(End - Attributes[I]));
      Names[I + 1] = std::string_view(Attributes[I + 1]);
    }
    if (!Prefixed) {
      Node->AppendLoadedAttributes(Names.data(), Count, Arena);
      return;
    }
    size_t Chars = 0;
    for (size_t I = 0; I < 2 * Count; ++I) {
      Chars += Names[I].size();
    }
    Node->ReserveAttributes(static_cast<int>(Count), Chars, Arena);
    for (size_t I = 0; I < 2 * Count; I += 2) {
      Node->SetLoadedAttribute(LocalName(Names[I]), Names[I + 1]);
    }
  }

  void EndElement() {
    Flush();
    if (!Stack.empty()) {
      Stack.pop_back();
    }
  }

  static void XMLCALL OnStart(void* Data, const XML_Char* Name, const XML_Char** Attributes) {
    static_cast<TBuilder*>(Data)->StartElement(Name, Attributes);
  }
  static void XMLCALL OnEnd(void* Data, const XML_Char*) {
    static_cast<TBuilder*>(Data)->EndElement();
  }
  static void XMLCALL OnCharacters(void* Data, const XML_Char* S, int Len) {
    TBuilder* B = static_cast<TBuilder*>(Data);
    std::string_view Chunk(S, static_cast<size_t>(Len));
    // The indentation between child elements, which Flush would drop, is not even collected.
    if (B->Pending.empty() && !B->InCData && !B->Stack.empty() &&
        B->Stack.back().Mode == cmElements && IsWhitespaceOnly(Chunk)) {
      return;
    }
    B->Pending.append(Chunk);
  }
  static void XMLCALL OnStartCData(void* Data) {
    TBuilder* B = static_cast<TBuilder*>(Data);
    B->Flush();
    B->InCData = true;
  }
  static void XMLCALL OnEndCData(void* Data) {
    TBuilder* B = static_cast<TBuilder*>(Data);
    B->InCData = false;
    B->HadCData = true;
    B->Flush();
  }
  static void XMLCALL OnComment(void* Data, const XML_Char*) {
    static_cast<TBuilder*>(Data)->Flush();
  }
  static void XMLCALL OnInstruction(void* Data, const XML_Char*, const XML_Char*) {
    static_cast<TBuilder*>(Data)->Flush();
  }
};

// Single-byte code pages that expat does not know (windows-125x and the like), mapped through
// iconv. Multi-byte encodings are refused.
int XMLCALL OnUnknownEncoding(void*, const XML_Char* Name, XML_Encoding* Info) {
  iconv_t CD = iconv_open("UTF-32LE", Name);
  if (CD == reinterpret_cast<iconv_t>(-1)) {
    return XML_STATUS_ERROR;
  }
  for (int B = 0; B < 256; ++B) {
    iconv(CD, nullptr, nullptr, nullptr, nullptr);
    char In = static_cast<char>(B);
    char* InPtr = &In;
    size_t InLeft = 1;
    uint32_t CP = 0;
    char* OutPtr = reinterpret_cast<char*>(&CP);
    size_t OutLeft = 4;
    size_t R = iconv(CD, &InPtr, &InLeft, &OutPtr, &OutLeft);
    if (R == static_cast<size_t>(-1) && errno == EINVAL) {
      iconv_close(CD);
      return XML_STATUS_ERROR;
    }
    Info->map[B] = (R == static_cast<size_t>(-1) || OutLeft != 0) ? -1 : static_cast<int>(CP);
  }
  iconv_close(CD);
  Info->data = nullptr;
  Info->convert = nullptr;
  Info->release = nullptr;
  return XML_STATUS_OK;
}

} // namespace

struct TGXMLDoc::TImpl {
  XML_Parser Parser = XML_ParserCreate(nullptr);
  ~TImpl() {
    if (Parser) {
      XML_ParserFree(Parser);
    }
  }
};

TGXMLDoc::TGXMLDoc()
    : FImpl(std::make_unique<TImpl>()) {
  if (!FImpl->Parser) {
    throw std::bad_alloc();
  }
}

TGXMLDoc::~TGXMLDoc() = default;

void TGXMLDoc::Load(TGXMLNode& Root, std::string_view Data, TGXMLLineTable* Lines) {
  XML_Parser P = FImpl->Parser;
  XML_ParserReset(P, nullptr);
  TBuilder Builder;
  Builder.Stack.reserve(32);
  Builder.Parser = P;
  Builder.Root = &Root;
  Builder.Lines = Lines;
  if (Lines) {
    Lines->Clear();
  }
  Builder.DocumentSize = Data.size();
  // The loader's hold on the arena ends with the load, however it ends; the objects made hold
  // it from then on.
  struct TArenaHold {
    TGXMLArena*& Arena;
    ~TArenaHold() {
      if (Arena) {
        Arena->Release();
      }
    }
  } ArenaHold{Builder.Arena};
  Root.Clear();
  Root.TextForLoading().clear();
  XML_SetUserData(P, &Builder);
  XML_SetElementHandler(P, &TBuilder::OnStart, &TBuilder::OnEnd);
  XML_SetCharacterDataHandler(P, &TBuilder::OnCharacters);
  XML_SetCdataSectionHandler(P, &TBuilder::OnStartCData, &TBuilder::OnEndCData);
  XML_SetCommentHandler(P, &TBuilder::OnComment);
  XML_SetProcessingInstructionHandler(P, &TBuilder::OnInstruction);
  XML_SetUnknownEncodingHandler(P, &OnUnknownEncoding, nullptr);
  XML_SetParamEntityParsing(P, XML_PARAM_ENTITY_PARSING_NEVER);

  constexpr size_t Chunk = size_t{1} << 30;
  XML_Status Status = XML_STATUS_OK;
  size_t Pos = 0;
  do {
    size_t N = std::min(Chunk, Data.size() - Pos);
    bool Final = Pos + N == Data.size();
    Status = XML_Parse(P, Data.data() + Pos, static_cast<int>(N), Final ? XML_TRUE : XML_FALSE);
    Pos += N;
  } while (Status == XML_STATUS_OK && Pos < Data.size());

  if (Builder.MixedContent) {
    // An element that mixes text and child elements.
    throw Error();
  }
  if (Status != XML_STATUS_OK) {
    if (Lines) {
      Lines->SetErrorLine(static_cast<int32_t>(XML_GetCurrentLineNumber(P)));
    }
    throw EXMLParseError(Format("XML parse error: %s (line %d, column %d)",
                                {XML_ErrorString(XML_GetErrorCode(P)),
                                 static_cast<int64_t>(XML_GetCurrentLineNumber(P)),
                                 static_cast<int64_t>(XML_GetCurrentColumnNumber(P)) + 1}));
  }
}

int32_t TGXMLLineTable::LineOf(const TGXMLNode* Node) const {
  auto It = FLines.find(Node);
  return It == FLines.end() ? 0 : It->second;
}

void TGXMLLineTable::Clear() {
  FLines.clear();
  FErrorLine = 0;
}

// --- The table of parser documents --------------------------------------------------------------

namespace {

struct TXMLDocRec {
  std::unique_ptr<TGXMLDoc> XMLDoc;
  uint32_t ThreadID;
};

struct TDocTable {
  std::mutex Lock;
  std::vector<TXMLDocRec> Entries;
};

TDocTable& DocTable() {
  static TDocTable* Table = new TDocTable(); // outlives every thread that parses
  return *Table;
}

TGXMLDoc* FindDoc(TDocTable& T, uint32_t ThreadID) {
  for (TXMLDocRec& R : T.Entries) {
    if (R.ThreadID == ThreadID) {
      return R.XMLDoc.get();
    }
  }
  return nullptr;
}

} // namespace

TGXMLDoc* AddThreadXMLDoc(uint32_t ThreadID) {
  TDocTable& T = DocTable();
  std::lock_guard<std::mutex> Guard(T.Lock);
  if (TGXMLDoc* Doc = FindDoc(T, ThreadID)) {
    return Doc;
  }
  T.Entries.push_back(TXMLDocRec{std::make_unique<TGXMLDoc>(), ThreadID});
  return T.Entries.back().XMLDoc.get();
}

TGXMLDoc* GetThreadXMLDoc(uint32_t ThreadID, bool Create) {
  {
    TDocTable& T = DocTable();
    std::lock_guard<std::mutex> Guard(T.Lock);
    if (TGXMLDoc* Doc = FindDoc(T, ThreadID)) {
      return Doc;
    }
    if (TGXMLDoc* Default = FindDoc(T, 0)) {
      return Default;
    }
  }
  return Create ? AddThreadXMLDoc(0) : nullptr;
}

void RemoveThreadXMLDoc(uint32_t ThreadID) {
  TDocTable& T = DocTable();
  std::unique_ptr<TGXMLDoc> Removed;
  {
    std::lock_guard<std::mutex> Guard(T.Lock);
    auto It = std::find_if(T.Entries.begin(), T.Entries.end(),
                           [&](const TXMLDocRec& R) { return R.ThreadID == ThreadID; });
    if (It == T.Entries.end()) {
      return;
    }
    Removed = std::move(It->XMLDoc);
    T.Entries.erase(It);
  }
  // Wait for a parse still running on the document before freeing it.
  std::lock_guard<std::mutex> Busy(Removed->Lock());
}

void ReleaseXMLDocs() {
  TDocTable& T = DocTable();
  std::vector<TXMLDocRec> Old;
  {
    std::lock_guard<std::mutex> Guard(T.Lock);
    Old.swap(T.Entries);
  }
  for (TXMLDocRec& R : Old) {
    std::lock_guard<std::mutex> Busy(R.XMLDoc->Lock());
  }
}

void LoadXMLDocument(TGXMLNode& Node, std::string_view Data) {
  TGXMLDoc* Doc = GetThreadXMLDoc(GetCurrentThreadID(), true);
  std::unique_lock<std::mutex> Busy(Doc->Lock(), std::try_to_lock);
  if (!Busy.owns_lock()) {
    TGXMLDoc Temporary;
    Temporary.Load(Node, Data);
    return;
  }
  Doc->Load(Node, Data);
}

void LoadXMLDocumentWithLines(TGXMLNode& Node, std::string_view Data, TGXMLLineTable& Lines) {
  // A parser of its own: recording lines is for tools, which need not share the thread's.
  TGXMLDoc Doc;
  Doc.Load(Node, Data, &Lines);
}
