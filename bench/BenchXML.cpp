// Loading a large XML document into the node tree against the bare parse of the same bytes by
// the parser alone (apart, and in turn for their ratio), freeing a tree, and saving one.
#include "xml/UGXMLNode.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

namespace {

// About 8 MB of location-like content: objects with typed attributes, nested states and texts.
const std::string& Document() {
  static const std::string Doc = [] {
    std::string S = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Locations>\r\n";
    for (int L = 0; L < 200; ++L) {
      S += "  <Location ID=\"Loc" + std::to_string(L) +
           "\" Class=\"TLocation\" Music=\"Music\\theme" + std::to_string(L % 7) +
           ".ogg\" Visited=\"True\">\r\n";
      for (int O = 0; O < 150; ++O) {
        S += "    <GameObject ID=\"Obj" + std::to_string(L) + "_" + std::to_string(O) +
             "\" Graphic=\"Objects\\item" + std::to_string(O) + ".png\" X=\"" +
             std::to_string(O * 3 % 800) + "\" Y=\"" + std::to_string(O * 7 % 600) + "\" Angle=\"" +
             std::to_string(O % 360) + ".5\" Pos=\"1.5 2 -3\" Color=\"$FF80" +
             std::to_string(10 + O % 89) + "80\" Visible=\"True\">\r\n";
        S += "      <Script>if (Sender.Visible) { Player.AddScore(" + std::to_string(O) +
             "); }</Script>\r\n";
        S += "    </GameObject>\r\n";
      }
      S += "  </Location>\r\n";
    }
    S += "</Locations>\r\n";
    return S;
  }();
  return Doc;
}

void BareParse(benchmark::State& State) {
  const std::string& Doc = Document();
  XML_Parser P = XML_ParserCreate(nullptr);
  for (auto _ : State) {
    XML_ParserReset(P, nullptr);
    if (XML_Parse(P, Doc.data(), static_cast<int>(Doc.size()), XML_TRUE) != XML_STATUS_OK) {
      State.SkipWithError("parse failed");
    }
  }
  XML_ParserFree(P);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Doc.size()));
}
BENCHMARK(BareParse)->Unit(benchmark::kMillisecond);

// The parser reporting every element, attribute and text to handlers that do nothing: what the
// tree builder receives, without building anything.
void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

void HandlerParse(benchmark::State& State) {
  const std::string& Doc = Document();
  XML_Parser P = XML_ParserCreate(nullptr);
  for (auto _ : State) {
    XML_ParserReset(P, nullptr);
    XML_SetElementHandler(P, NoStart, NoEnd);
    XML_SetCharacterDataHandler(P, NoText);
    if (XML_Parse(P, Doc.data(), static_cast<int>(Doc.size()), XML_TRUE) != XML_STATUS_OK) {
      State.SkipWithError("parse failed");
    }
  }
  XML_ParserFree(P);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Doc.size()));
}
BENCHMARK(HandlerParse)->Unit(benchmark::kMillisecond);

void TreeLoad(benchmark::State& State) {
  const std::string& Doc = Document();
  for (auto _ : State) {
    TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Root"));
    Node->LoadFromString(Doc);
    State.PauseTiming(); // freeing the tree is not part of loading it
    Node.reset();
    State.ResumeTiming();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Doc.size()));
}
BENCHMARK(TreeLoad)->Unit(benchmark::kMillisecond);

// The bare parse and the tree load in turn, each timed on the thread's CPU clock: the load's
// speed as a share of the parser's, from runs a few milliseconds apart, so that a shared and
// noisy machine moves both alike. TreeToBare is the median over the iterations.
double ThreadSeconds() {
  timespec T{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

void TreeLoadToBareParse(benchmark::State& State) {
  const std::string& Doc = Document();
  XML_Parser P = XML_ParserCreate(nullptr);
  std::vector<double> Ratios;
  for (auto _ : State) {
    double Start = ThreadSeconds();
    XML_ParserReset(P, nullptr);
    if (XML_Parse(P, Doc.data(), static_cast<int>(Doc.size()), XML_TRUE) != XML_STATUS_OK) {
      State.SkipWithError("parse failed");
    }
    double Parsed = ThreadSeconds();
    TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Root"));
    Node->LoadFromString(Doc);
    double Loaded = ThreadSeconds();
    State.PauseTiming();
    Node.reset();
    Ratios.push_back((Parsed - Start) / (Loaded - Parsed));
    State.ResumeTiming();
  }
  XML_ParserFree(P);
  if (!Ratios.empty()) {
    std::sort(Ratios.begin(), Ratios.end());
    size_t Mid = Ratios.size() / 2;
    State.counters["TreeToBare"] =
        Ratios.size() % 2 ? Ratios[Mid] : (Ratios[Mid - 1] + Ratios[Mid]) / 2;
  }
}
BENCHMARK(TreeLoadToBareParse)->Unit(benchmark::kMillisecond)->MinTime(2);

// Freeing a node with many children of one name: its collection clears them last first.
void TreeFreeWide(benchmark::State& State) {
  const int Children = static_cast<int>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Root"));
    for (int I = 0; I < Children; ++I) {
      Node->AddChild("Item");
    }
    State.ResumeTiming();
    Node.reset();
  }
  State.SetComplexityN(Children);
}
BENCHMARK(TreeFreeWide)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

void TreeSave(benchmark::State& State) {
  const std::string& Doc = Document();
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Root"));
  Node->LoadFromString(Doc);
  size_t Size = 0;
  for (auto _ : State) {
    std::string Out = Node->SaveToString();
    Size = Out.size();
    benchmark::DoNotOptimize(Out);
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Size));
}
BENCHMARK(TreeSave)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
