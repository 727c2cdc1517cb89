// Making a location from its XML as a profile does: the class the file names, the objects
// registered in the game-object collector (and, when asked, in the script table), and the flow
// control when the XML holds a saved one.
#pragma once

#include <string>

class TBaseLocation;
class TGObject;
class TGResourceLibrary;
class TGXMLNode;

// The location of the "Location" element Root, owned by Owner, with the URL given. A file that
// names an unknown class, or an object whose ID is registered already, fails and leaves nothing
// behind.
TBaseLocation* LoadLocationFromXML(TGResourceLibrary* Library, const TGXMLNode* Root,
                                   const std::string& URL, TGObject* Owner, bool RegisterScripts);
// The same from the library's file of that URL ("Harbour.loc" is read from "loc\Harbour.loc").
TBaseLocation* LoadLocationFile(TGResourceLibrary* Library, const std::string& URL, TGObject* Owner,
                                bool RegisterScripts);
// Takes the location's objects out of the collector and the script table, then frees it.
void FreeLoadedLocation(TBaseLocation* Location);
