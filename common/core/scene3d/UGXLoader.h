// Builds a model from a DirectX ".x" file (text or binary form), keeping the file's own frames,
// vertex order, material runs and names: frames with their transforms; each mesh a mesh frame
// under its enclosing frame, polygons fanned into triangles, vertices split where normals are
// indexed apart from positions; material runs as parts, reordered by TGMesh::Optimize; skin
// weights as bones; animation sets as model animations whose key times are taken as the file
// stores them, in milliseconds.
#pragma once

#include "scene3d/UGFrame.h"

class TGModel;
class TGStream;

// A new model without owner. Damaged or unsupported data fails with an engine error
// ("FrameTransformMatrix size is illegal", "Unsupported AnimationKey type",
// "IDirectXFileData.GetData returned invalid data", "Unknown frame: \"%s\"" and the like).
TGModel* LoadXModel(TGStream& Stream, const TGModelLoadContext& Context);
