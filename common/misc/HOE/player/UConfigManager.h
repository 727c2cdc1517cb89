// Configuration values kept as small files: the value N is the file "configs/N.cnf" in the
// current folder. A flag is set when its file exists; a string value is the file's content.
#pragma once

#include <string>
#include <string_view>

class TFileConfigManager {
public:
  static std::string PropFileName(std::string_view Name);
  bool GetBoolProp(std::string_view Name) const;
  // "File %s not found" for a missing file.
  std::string GetStrProp(std::string_view Name) const;
  std::string GetStrPropDef(std::string_view Name, std::string_view Default) const;
  // Creates or overwrites the file with exactly these bytes.
  void SetStrProp(std::string_view Name, std::string_view Value);
};

// The program's configuration values.
extern TFileConfigManager FCM;

// Whether the configuration flag is set.
inline bool ConfigurationFlag(std::string_view Name) {
  return FCM.GetBoolProp(Name);
}
