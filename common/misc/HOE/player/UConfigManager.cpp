#include "player/UConfigManager.h"

#include "base/UGError.h"
#include "base/UGFormat.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"

TFileConfigManager FCM;

std::string TFileConfigManager::PropFileName(std::string_view Name) {
  return Format("configs/%s.cnf", {TGFormatArg(Name)});
}

bool TFileConfigManager::GetBoolProp(std::string_view Name) const {
  return ::FileExists(PropFileName(Name));
}

std::string TFileConfigManager::GetStrProp(std::string_view Name) const {
  const std::string File = PropFileName(Name);
  if (!::FileExists(File)) {
    throw Error("File %s not found", File);
  }
  TGFileStream S(File, fmOpenRead | fmShareDenyNone);
  return S.ReadAll();
}

std::string TFileConfigManager::GetStrPropDef(std::string_view Name,
                                              std::string_view Default) const {
  return GetBoolProp(Name) ? GetStrProp(Name) : std::string(Default);
}

void TFileConfigManager::SetStrProp(std::string_view Name, std::string_view Value) {
  ::ForceDirectories("configs");
  TGFileStream S(PropFileName(Name), fmCreate);
  S.WriteString(std::string(Value));
}
