// hoe-model: converts 3D models between their forms and describes them, for content authors.
//
//   hoe-model convert IN OUT    IN: ".x", ".xmdl" or ".bx"; OUT: ".xmdl" (XML) or ".bx" (binary)
//   hoe-model info IN           frames, meshes, materials, parts, bones and animations
//
// Texture names are kept as the model file writes them; no picture is read.
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "io/UGStream.h"
#include "io/UGWriter.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGMeshMaterial.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGModelAnimation.h"
#include "xml/UGXMLNode.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* CHelp =
    "Usage: hoe-model convert IN OUT\n"
    "       hoe-model info IN\n"
    "  convert   reads a model (.x, .xmdl or .bx) and writes it as .xmdl (XML) or .bx (binary)\n"
    "  info      lists the frames, meshes and animations of a model\n"
    "  --help    this text\n";

TGObjectPtr<TGModel> Load(const std::string& FileName) {
  TGObjectPtr<TGModel> Model(new TGModel());
  TGFileStream In(FileName, fmOpenRead);
  Model->LoadFromStream(In, nullptr);
  return Model;
}

void Save(const TGModel& Model, const std::string& FileName) {
  const std::string Ext = LowerCase(ExtractFileExt(FileName));
  if (Ext == ".bx") {
    TGFileStream Out(FileName, fmCreate);
    TGWriter Writer(Out);
    Model.SaveToBinary(Writer);
  } else if (Ext == ".xmdl") {
    TGObjectPtr<TGXMLNode> Node(Model.SaveToXML());
    Node->SaveToFile(FileName);
  } else {
    throw Error("Models are written as .xmdl or .bx, not \"%s\"", Ext);
  }
}

void Describe(TGModel& Model) {
  TGVector Min;
  TGVector Max;
  if (Model.CalcBBox(Min, Max))
    std::printf("box (%g, %g, %g) .. (%g, %g, %g)\n", Min.X, Min.Y, Min.Z, Max.X, Max.Y, Max.Z);
  TGFrames* Frames = Model.Frames();
  for (int I = 0; I < Frames->GetCount(); ++I) {
    TGFrame* F = Frames->GetItem(I);
    std::printf("frame %d \"%s\" parent %d\n", I, F->Name().c_str(), F->ParentIndex());
    auto* Mesh = dynamic_cast<TGMesh*>(F);
    if (!Mesh)
      continue;
    std::printf("  mesh: %d vertices (format %u), %d faces, %d bones\n", Mesh->VertexCount(),
                Mesh->VertexFormat(), Mesh->FaceCount(), Mesh->Bones()->GetCount());
    for (int M = 0; M < Mesh->Materials()->GetCount(); ++M)
      std::printf("  material %d: texture \"%s\", diffuse %08X\n", M,
                  Mesh->Materials()->GetItem(M)->Name().c_str(),
                  uint32_t(Mesh->Materials()->GetItem(M)->Material.Diffuse));
    for (int P = 0; P < Mesh->Parts()->GetCount(); ++P) {
      const TGMeshPart* Part = Mesh->Parts()->GetItem(P);
      std::printf("  part %d: material %d, faces %u + %u\n", P, Part->MaterialIndex,
                  Part->FaceStart, Part->FaceCount);
    }
  }
  for (int I = 0; I < Model.Animations()->GetCount(); ++I) {
    TGModelAnimation* A = Model.Animations()->GetItem(I);
    std::printf("animation \"%s\": %d frames, %d ms\n", A->Name().c_str(),
                A->FrameAnimations()->GetCount(), A->GetTotalTime());
  }
}

} // namespace

int main(int Argc, char** Argv) {
  const std::string Command = Argc > 1 ? Argv[1] : "";
  if (Command == "--help" || Command == "-h") {
    std::fputs(CHelp, stdout);
    return 0;
  }
  try {
    if (Command == "convert" && Argc == 4) {
      Save(*Load(Argv[2]), Argv[3]);
      return 0;
    }
    if (Command == "info" && Argc == 3) {
      Describe(*Load(Argv[2]));
      return 0;
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "hoe-model: %s\n", E.what());
    return 1;
  }
  std::fputs(CHelp, stderr);
  return 2;
}
