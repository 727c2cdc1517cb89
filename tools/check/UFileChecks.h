// Every file of the content read by the engine's own readers, as the game would read it: XML
// files parse (the line of a fault named); pictures decode through the bitmap codecs, sounds
// and modules through the audio decoders; animations, windows, fonts, models, scenes and
// configurations load through the resource library. A resource that fails is reported on its
// own file, once, whoever names it.
#pragma once

#include "UContentFiles.h"
#include "UFindings.h"

#include <set>
#include <string>

class TFileChecks {
public:
  TFileChecks(TContentFiles& Files, TFindings& Findings);

  // Whether the file is XML the checker parses (locations, windows, animations,
  // configurations, scenes, XML models).
  static bool IsXMLFile(const std::string& File);
  // Parses an XML file; false (reported) when it does not parse.
  bool CheckXML(const std::string& File);
  // Reads one file with the reader of its kind (files of no resource class are left alone).
  void CheckFile(const std::string& File);
  // A failure the library reported while loading the resource at URL (also for resources that
  // other resources load).
  void LibraryError(const std::string& URL, const std::string& Message);

private:
  void CheckPicture(const std::string& File);
  void CheckSound(const std::string& File, bool Module);
  void CheckResource(const std::string& File);

  TContentFiles& FFiles;
  TFindings& FFindings;
  std::set<std::string> FReported; // upper-case files with a finding already
};
