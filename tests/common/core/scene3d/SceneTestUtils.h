// What the scene tests share: scenes loaded from text and written back to text, and nodes made
// in code below a parent.
#pragma once

#include "app/UGClassTables.h"
#include "scene3d/UGSceneRoot.h"
#include "scene3d/UGSceneTransformHelper.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <string>

inline TGObjectPtr<TGSceneRoot> LoadScene(const std::string& XML,
                                          TGResourceLibrary* Library = nullptr) {
  RegisterEngineClasses();
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Scene"));
  Node->LoadFromString(XML);
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  Scene->LoadFromXML(Library, Node.get());
  return Scene;
}

inline std::string SceneXML(const TGSceneRoot& Scene) {
  TGObjectPtr<TGXMLNode> Node(Scene.SaveToXML());
  return Node->SaveToString();
}

// A node of kind T added below Parent, named, at Position when one is given.
template <class T>
T* AddNode(TGSceneNode* Parent, const char* Name) {
  auto* N = new T();
  N->SetName(Name);
  Parent->AddChild(N);
  return N;
}

template <class T>
T* AddNodeAt(TGSceneNode* Parent, const char* Name, const TGVector& Position) {
  T* N = AddNode<T>(Parent, Name);
  N->GetTransform()->SetPosition(Position);
  return N;
}

inline void ExpectVecNear(const TGVector& A, const TGVector& B, float Tolerance = 1e-4f) {
  EXPECT_NEAR(A.X, B.X, Tolerance);
  EXPECT_NEAR(A.Y, B.Y, Tolerance);
  EXPECT_NEAR(A.Z, B.Z, Tolerance);
}
