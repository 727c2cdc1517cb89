// The play screen's tips: a queue of tip pictures shown one at a time, with a "next" button while
// more than one waits. Scripts reach it as "Tips". A tip may run a procedure when it is first
// shown and another when the player moves on from it.
#pragma once

#include "base/UGFastStringList.h"
#include "widgets/UGWindow.h"

#include <cstdint>
#include <string>

class TTipItem : public TGObject {
  G_CLASS(TTipItem, TGObject)
  explicit TTipItem(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  TGNotifyEvent ActivateProc;
  TGNotifyEvent DeactivateProc;
  int32_t Data = 0;
  bool Activated = false;
};

class TTipsWindow : public TGWindow {
  G_CLASS(TTipsWindow, TGWindow)
  explicit TTipsWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  void AfterConstruction() override;

  int Count() const { return FLines.Count(); }
  const std::string& TipURL(int Index) const { return FLines[Index]; }
  TTipItem* Item(int Index) const { return FLines.ObjectAs<TTipItem>(Index); }

  void Push(const std::string& AText, int32_t AUserData, const TGNotifyEvent& AActivateProc = {},
            const TGNotifyEvent& ADeactivateProc = {});
  void PushTip(const std::string& AText, int32_t AUserData) { Push(AText, AUserData); }
  void Replace(const std::string& AText, int32_t AUserData);
  void Clear();
  void DeactivateItem();
  void OnNextClick(TGObject* Sender);
  void Close();
  // The layout's "Close" button, where it has one.
  virtual void OnCloseClick(TGObject* Sender);
  TGNotifyEvent OnClose;

  virtual void UpdateNextState();
  virtual void LoadWindow();
  virtual std::string NextURL() const { return "Next"; }
  virtual std::string TextURL() const { return "Text"; }
  // The optional button that closes the window.
  virtual std::string CloseURL() const { return "Close"; }

  void Update(float DeltaTime) override;

  static void Publish(TGClassBuilder<TTipsWindow>& B);

protected:
  void Destroy() override;

private:
  TGFastStringList FLines; // tip picture URL, with its item (owned)
};
