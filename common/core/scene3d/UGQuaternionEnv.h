// The rotation envelope of a frame animation: quaternion keys at ascending millisecond times,
// interpolated spherically along the shorter arc.
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGReader;
class TGWriter;
class TGXMLNode;

class TGQuaternionEnv : public TGObject {
  G_CLASS(TGQuaternionEnv, TGObject)
  explicit TGQuaternionEnv(TGObject* AOwner = nullptr, std::string_view AName = "Rotation");

  void AssignTo(TGObject* Dest) const override;

  // The identity before the first key (and without keys), the last key from its time on, and
  // between two keys the spherical blend by the fraction of the time between them.
  TGQuaternion Value(int32_t Time) const;
  // Stores Q at Time: replaces the key of that time or inserts one where the times stay
  // ascending.
  void SetValue(int32_t Time, const TGQuaternion& Q);
  void Clear();

  int Count() const { return static_cast<int>(FTimeMarkers.size()); }
  const std::string& Name() const { return FName; }
  // The time of the last key; 0 without keys.
  int32_t TotalTime() const { return FTimeMarkers.empty() ? 0 : FTimeMarkers.back(); }
  const std::vector<TGQuaternion>& Quaternions() const { return FQuaternions; }
  const std::vector<int32_t>& TimeMarkers() const { return FTimeMarkers; }

  // "Term" children with "T" (ms) and "Value" ("[x; y; z; w]"); a value without the opening
  // bracket fails with the generic error.
  void LoadFromXML(const TGXMLNode* Node);
  // A new node named after the envelope, or none without keys.
  TGXMLNode* SaveToXML() const;
  // The key count, then the quaternions (x, y, z, w: 16 raw bytes each), then the times (raw
  // 32-bit integers). Times that do not ascend fail.
  void LoadFromBinary(TGReader& Reader);
  void SaveToBinary(TGWriter& Writer) const;

private:
  std::string FName;
  std::vector<TGQuaternion> FQuaternions;
  std::vector<int32_t> FTimeMarkers; // ascending, one per quaternion
};
