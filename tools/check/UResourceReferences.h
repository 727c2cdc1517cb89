// The resources that content files name: every attribute and animation sequence that holds a
// resource URL ("GfxURL", "FontURL", "SfxURL", "Graphic"...), the string literals of scripts that
// are resource URLs ("Comix\\Crossing.ani", 'Shells.loc'), and the pictures and fonts of text
// files. Each must exist, found as the engine's library finds it (case ignored), and be of the
// kind its place needs (a picture where a graphic is shown, a sound where one is played).
#pragma once

#include "UContentFiles.h"
#include "UFindings.h"
#include "UScriptChecks.h"

#include "object/UGClass.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The class a resource named by an attribute or sequence of that name must be or inherit from;
// none when any resource will do.
TGClass ExpectedResourceClass(std::string_view Name);
// Whether an attribute or sequence of that name holds a resource URL.
bool NamesResource(std::string_view Name);
// "picture", "animation", "sound"... for messages.
std::string ResourceKindName(TGClass Class);
// Whether a script's string literal is meant as a resource URL: one name with the extension of
// a resource class, nothing around it.
bool LooksLikeResourceURL(std::string_view Text);

class TResourceReferences {
public:
  TResourceReferences(TContentFiles& Files, TFindings& Findings);

  // The references of an XML file and of the scripts found in it.
  void CheckXMLFile(const std::string& File, const TXMLFile& XML,
                    const std::vector<TScriptSite>& Scripts);
  // The resources that File names are URLs below Folder (files of a form of their own, such as
  // the museum's pieces, whose shots lie in the bubble's folder).
  void SetURLFolder(const std::string& File, std::string Folder);
  // The "src" of a text file's <img> and <font> tags.
  void CheckTextFile(const std::string& File, std::string_view Text);
  // One reference at File:Line: an error when the resource is missing or of another kind than
  // Expected (none: any). What says where it is named ("GfxURL", "the script").
  void Check(const std::string& File, int32_t Line, std::string_view URL, TGClass Expected,
             std::string_view What);

private:
  void CheckElement(const std::string& File, const TXMLFile& XML, const TGXMLNode* Node);

  TContentFiles& FFiles;
  TFindings& FFindings;
  std::map<std::string, std::string> FURLFolders; // upper-case file -> folder
  std::string FFolder;                            // the folder of the file being checked
};
