#include "scene3d/UGQuaternionEnv.h"

#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <charconv>
#include <cstring>

G_IMPLEMENT_CLASS(TGQuaternionEnv)

namespace {

constexpr int64_t CKeyBytes = sizeof(TGQuaternion) + sizeof(int32_t);

// "[x; y; z; w]" with the four components.
TGQuaternion ParseQuaternion(std::string_view Text) {
  std::string T = Trim(Text);
  if (T.empty() || T.front() != '[')
    throw Error();
  if (T.back() == ']')
    T.pop_back();
  std::vector<std::string> Parts;
  SplitString(std::string_view(T).substr(1), ';', Parts);
  float C[4];
  if (Parts.size() != 4)
    throw Error("A quaternion needs four components: \"%s\"", Text);
  for (size_t I = 0; I < 4; ++I)
    if (!SafeTryStrToFloat(Trim(Parts[I]), C[I]))
      throw Error("A quaternion needs four components: \"%s\"", Text);
  return TGQuaternion{C[0], C[1], C[2], C[3]};
}

std::string FormatQuaternion(const TGQuaternion& Q) {
  return "[" + Format("%0.3f; %0.3f; %0.3f; %0.3f", {Q.X, Q.Y, Q.Z, Q.W}) + "]";
}

} // namespace

TGQuaternionEnv::TGQuaternionEnv(TGObject* AOwner, std::string_view AName)
    : TGObject(AOwner)
    , FName(AName) {}

void TGQuaternionEnv::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGQuaternionEnv>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FName = FName;
  D->FQuaternions = FQuaternions;
  D->FTimeMarkers = FTimeMarkers;
}

TGQuaternion TGQuaternionEnv::Value(int32_t Time) const {
  if (FTimeMarkers.empty() || Time < FTimeMarkers.front())
    return QuatIdentity;
  if (Time >= FTimeMarkers.back())
    return FQuaternions.back();
  // The last key at or before Time; a later one exists.
  const size_t I = static_cast<size_t>(
      std::upper_bound(FTimeMarkers.begin(), FTimeMarkers.end(), Time) - FTimeMarkers.begin() - 1);
  const double T0 = FTimeMarkers[I];
  const double T1 = FTimeMarkers[I + 1];
  const auto Frac = static_cast<float>((Time - T0) / (T1 - T0));
  return QuatSlerp(FQuaternions[I], FQuaternions[I + 1], Frac);
}

void TGQuaternionEnv::SetValue(int32_t Time, const TGQuaternion& Q) {
  auto It = std::lower_bound(FTimeMarkers.begin(), FTimeMarkers.end(), Time);
  const auto I = It - FTimeMarkers.begin();
  if (It != FTimeMarkers.end() && *It == Time) {
    FQuaternions[static_cast<size_t>(I)] = Q;
    return;
  }
  FTimeMarkers.insert(It, Time);
  FQuaternions.insert(FQuaternions.begin() + I, Q);
}

void TGQuaternionEnv::Clear() {
  FQuaternions.clear();
  FTimeMarkers.clear();
}

void TGQuaternionEnv::LoadFromXML(const TGXMLNode* Node) {
  Clear();
  for (const TGXMLNode* Term : *Node->GetChilds("Term"))
    SetValue(Term->GetIntAttr("T"), ParseQuaternion(Term->GetStrAttr("Value")));
}

TGXMLNode* TGQuaternionEnv::SaveToXML() const {
  if (FTimeMarkers.empty())
    return nullptr;
  auto* Node = new TGXMLNode(FName);
  for (size_t I = 0; I < FTimeMarkers.size(); ++I) {
    TGXMLNode* Term = Node->AddChild("Term");
    Term->SetIntAttr("T", FTimeMarkers[I]);
    Term->SetStrAttr("Value", FormatQuaternion(FQuaternions[I]));
  }
  return Node;
}

void TGQuaternionEnv::LoadFromBinary(TGReader& Reader) {
  Clear();
  const int32_t Count = Reader.ReadInteger();
  if (Count < 0 || Count > Reader.Stream().Remaining() / CKeyBytes)
    throw Error("Rotation key count %d is out of range", Count);
  std::vector<TGQuaternion> Quaternions(static_cast<size_t>(Count));
  std::vector<int32_t> Times(static_cast<size_t>(Count));
  Reader.Read(Quaternions.data(), int64_t{Count} * int64_t{sizeof(TGQuaternion)});
  Reader.Read(Times.data(), int64_t{Count} * int64_t{sizeof(int32_t)});
  for (size_t I = 1; I < Times.size(); ++I)
    if (Times[I] <= Times[I - 1])
      throw Error("Rotation key times do not ascend (%d after %d)", Times[I], Times[I - 1]);
  FQuaternions = std::move(Quaternions);
  FTimeMarkers = std::move(Times);
}

void TGQuaternionEnv::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteInteger(Count());
  Writer.Write(FQuaternions.data(), int64_t{Count()} * int64_t{sizeof(TGQuaternion)});
  Writer.Write(FTimeMarkers.data(), int64_t{Count()} * int64_t{sizeof(int32_t)});
}
