// The goal line: messages by level, the first non-empty one in key order shows. A level's key
// is its decimal text with a leading "0" below 10, and keys compare as text, so levels 0 to 99
// come in numeric order while a level of 100 or more sorts by its digits (100 before 40).
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TGXMLNode;

class TGoalItem : public TGObject {
  G_CLASS(TGoalItem, TGObject)
  explicit TGoalItem(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  std::string Text;
  // Milliseconds left; -1: no time-out.
  int32_t TimeLeft = -1;
};

class TGoalStack : public TGObject {
  G_CLASS(TGoalStack, TGObject)
  explicit TGoalStack(TGObject* AOwner = nullptr);

  // The key of a level: "09", "40", "100".
  static std::string LevelKey(int32_t ALevel);
  // A key as a file writes it made into the key the level has ("9" and "09" are one level).
  static std::string NormalizeKey(std::string_view Key);

  int Count() const { return FList.Count(); }
  // An empty text removes the level.
  void SetGoal(int32_t ALevel, const std::string& AStr);
  void SetTimedGoal(int32_t ALevel, const std::string& AStr, int32_t ATimeout);
  std::string GetGoal(int32_t ALevel) const;
  // The first non-empty text in key order.
  std::string Text() const;
  // Timed goals count down; one at 100 ms or less goes.
  void Update(int32_t AInterval);
  void Clear();
  void AssignTo(TGObject* Dest) const override;
  // "Goal" with an "Item" per level ("Level", "Text", "TimeLeft").
  void LoadFromXML(const TGXMLNode* Node);
  TGXMLNode* SaveToXML() const;

  static void Publish(TGClassBuilder<TGoalStack>& B);

protected:
  void Destroy() override;

private:
  void Put(const std::string& Key, const std::string& AStr, int32_t TimeLeft);
  void DeleteAt(int Index);

  TGFastStringList FList; // key to item, sorted (case-sensitive text order)
};
