// Parser documents: an XML parser per loading thread, reused between documents. Threads without
// a document of their own share the default one (thread id 0); a load that finds the default busy
// on another thread parses with a temporary parser instead of waiting.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

class TGXMLNode;

// Where a document's elements start, for tools that name the line of what they report: the line
// of each element's start tag, and the line a parse failed at.
class TGXMLLineTable {
public:
  // 0 for a node the document did not make.
  int32_t LineOf(const TGXMLNode* Node) const;
  void SetLine(const TGXMLNode* Node, int32_t Line) { FLines[Node] = Line; }
  // The line of the last failed parse, 0 after a parse that succeeded.
  int32_t ErrorLine() const { return FErrorLine; }
  void SetErrorLine(int32_t Line) { FErrorLine = Line; }
  void Clear();

private:
  std::unordered_map<const TGXMLNode*, int32_t> FLines;
  int32_t FErrorLine = 0;
};

class TGXMLDoc {
public:
  TGXMLDoc();
  ~TGXMLDoc();
  TGXMLDoc(const TGXMLDoc&) = delete;
  TGXMLDoc& operator=(const TGXMLDoc&) = delete;

  // Parses a whole document (encoding from its byte-order mark or declaration) into Root; with
  // Lines, the start line of every element and of a failure are written there.
  void Load(TGXMLNode& Root, std::string_view Data, TGXMLLineTable* Lines = nullptr);
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
// The same, recording the lines of the elements (and of a failure) in Lines.
void LoadXMLDocumentWithLines(TGXMLNode& Node, std::string_view Data, TGXMLLineTable& Lines);
