// What the model tests share: models loaded from text, their XML as text, and a small ".x"
// crate whose two materials alternate face by face.
#pragma once

#include "io/UGStream.h"
#include "scene3d/UGModel.h"
#include "xml/UGXMLNode.h"

#include <string>

inline TGObjectPtr<TGModel> LoadModel(const std::string& Data,
                                      TGResourceLibrary* Library = nullptr) {
  TGObjectPtr<TGModel> M(new TGModel());
  TGMemoryStream S(Data);
  M->LoadFromStream(S, Library);
  return M;
}

inline std::string ModelXML(const TGModel& M) {
  TGObjectPtr<TGXMLNode> Node(M.SaveToXML());
  return Node->SaveToString();
}

// Three quads of material 0 and two of material 1 in the order 0 1 0 1 0, one frame above the
// mesh; every position used by one face only.
inline constexpr const char* CTwoMaterialX = R"(xof 0303txt 0032
Material Red { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
Frame Holder {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,6,7,1;; }
 Mesh Quads {
  20;
  0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;,
  0;0;1;, 1;0;1;, 1;1;1;, 0;1;1;,
  0;0;2;, 1;0;2;, 1;1;2;, 0;1;2;,
  0;0;3;, 1;0;3;, 1;1;3;, 0;1;3;,
  0;0;4;, 1;0;4;, 1;1;4;, 0;1;4;;
  5;
  4;0,1,2,3;, 4;4,5,6,7;, 4;8,9,10,11;, 4;12,13,14,15;, 4;16,17,18,19;;
  MeshMaterialList {
   2; 5; 0,1,0,1,0;;
   { Red }
   Material Blue { 0.0;0.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "Sky.png"; } }
  }
 }
}
)";
