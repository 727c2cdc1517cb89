// Parser documents: an XML parser per loading thread, reused between documents. Threads without
// a document of their own share the default one (thread id 0); a load that finds the default busy
// on another thread parses with a temporary parser instead of waiting.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

class TGXMLNode;

class TGXMLDoc {
public:
  TGXMLDoc();
  ~TGXMLDoc();
  TGXMLDoc(const TGXMLDoc&) = delete;
  TGXMLDoc& operator=(const TGXMLDoc&) = delete;

  // Parses a whole document (encoding from its byte-order mark or declaration) into Root.
  void Load(TGXMLNode& Root, std::string_view Data);
  std::mutex& Lock() { return FLock; }

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
  std::mutex FLock;
};

// The document registered for the thread, or the default one (created when Create is set).
TGXMLDoc* GetThreadXMLDoc(uint32_t ThreadID, bool Create);
// The thread's own document, created when missing.
TGXMLDoc* AddThreadXMLDoc(uint32_t ThreadID);
void RemoveThreadXMLDoc(uint32_t ThreadID);
// Empties the table (at shutdown).
void ReleaseXMLDocs();

// Loads Data into Node with the calling thread's document.
void LoadXMLDocument(TGXMLNode& Node, std::string_view Data);
