// The widgets that screens cannot do without, declared once: each screen looks them up through
// this table, and the content checker (hoe-check) checks the window files against it, so the
// game and the checker cannot drift apart. A screen's lookup of a widget that the table does not
// declare, or declares with another class, does not compile. Widgets a screen only uses when
// they are there are not declared: their absence is no fault of the window file.
#pragma once

#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGEditBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"
#include "widgets/UGWidget.h"

#include <span>
#include <string_view>

// One widget: the window file (its URL below "win"), the path from the window's root ('\'
// between names) and the class the widget must be or inherit from.
struct TRequiredWidget {
  std::string_view WindowURL;
  std::string_view Path;
  TGClass (*Class)();
};

namespace RequiredWidgetTable {

constexpr std::string_view CMainMenu = "MainMenuScreen.win";
constexpr std::string_view CStart = "Demo\\Start.win";
constexpr std::string_view CComix = "ComixScreen.win";
constexpr std::string_view CCredits = "CreditsScreen.win";
constexpr std::string_view CHelp = "HelpScreen.win";
constexpr std::string_view CHighScores = "HighScoresScreen.win";
constexpr std::string_view CSpeechBubble = "SpeechBubbleDialog.win";

inline constexpr TRequiredWidget CEntries[] = {
    // The main menu: its panels, the profile list, the options and the confirmation.
    {CMainMenu, "Menu\\Welcome", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Welcome\\Name", &TGLabel::StaticClass},
    {CMainMenu, "Menu\\Welcome\\BtnChange", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Main", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnPlay", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnScore", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnOptions", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnHelp", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnExit", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnMuseum", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnMore", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnHiddenObjectsMode", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Main\\BtnHiddenObjectsModeGhostBtn", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Main\\Lock", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\Name1", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\Name2", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\Name3", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\Name4", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\BtnNew", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\BtnDelete", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Select\\BtnOk", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Profiles\\New", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Profiles\\New\\EditBox", &TGEditBox::StaticClass},
    {CMainMenu, "Menu\\Profiles\\New\\BtnOk", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\New\\BtnCancel", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Confirm", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Confirm\\BtnYes", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Profiles\\Confirm\\BtnNo", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Options", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Options\\Music\\ProgressBar", &TGProgressBar::StaticClass},
    {CMainMenu, "Menu\\Options\\Music\\Slider", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Options\\Music\\Left", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Options\\Music\\Right", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Options\\Sound\\ProgressBar", &TGProgressBar::StaticClass},
    {CMainMenu, "Menu\\Options\\Sound\\Slider", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Options\\Sound\\Left", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Options\\Sound\\Right", &TGButton::StaticClass},
    {CMainMenu, "Menu\\Options\\FullScreen", &TGCheckBox::StaticClass},
    {CMainMenu, "Menu\\Options\\WideScreen", &TGCheckBox::StaticClass},
    {CMainMenu, "Menu\\Options\\BtnOk", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Options\\BtnCredits", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Confirmation", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Confirmation\\BtnYes", &TGWidget::StaticClass},
    {CMainMenu, "Menu\\Confirmation\\BtnNo", &TGWidget::StaticClass},
    {CMainMenu, "AfterCursorPanel", &TGWidget::StaticClass},
    {CMainMenu, "AfterCursorPanel\\Label", &TGLabel::StaticClass},
    // The widgets' demo screen.
    {CStart, "LeftPanel\\Lights", &TGCheckBox::StaticClass},
    {CStart, "LeftPanel\\Harbour\\HarbourLife", &TGPicture::StaticClass},
    {CStart, "LeftPanel\\Progress", &TGProgressBar::StaticClass},
    {CStart, "LeftPanel\\ProgressCaption", &TGLabel::StaticClass},
    {CStart, "LeftPanel\\Load", &TGButton::StaticClass},
    {CStart, "RightPanel\\Story", &TGLabel::StaticClass},
    {CStart, "RightPanel\\PageNumber", &TGLabel::StaticClass},
    {CStart, "RightPanel\\PreviousPage", &TGButton::StaticClass},
    {CStart, "RightPanel\\NextPage", &TGButton::StaticClass},
    {CStart, "RightPanel\\Lighthouse", &TGButton::StaticClass},
    {CStart, "RightPanel\\OpenHarbour", &TGButton::StaticClass},
    {CStart, "RightPanel\\Quit", &TGButton::StaticClass},
    {CStart, "RightPanel\\NameField\\Name", &TGWidget::StaticClass},
    // The comic screen.
    {CComix, "ComixArea", &TGPicture::StaticClass},
    {CComix, "Skip", &TGWidget::StaticClass},
    {CComix, "Continue", &TGWidget::StaticClass},
    {CComix, "ContinueFlash", &TGWidget::StaticClass},
    // The screens of the credits, the help and the high scores: their way back.
    {CCredits, "BtnBack", &TGWidget::StaticClass},
    {CHelp, "BtnBack", &TGWidget::StaticClass},
    {CHighScores, "BtnDone", &TGWidget::StaticClass},
    // The speech bubble.
    {CSpeechBubble, "TextLabel", &TGLabel::StaticClass},
    {CSpeechBubble, "MouseBlink", &TGPicture::StaticClass},
    {CSpeechBubble, "CloseButton", &TGButton::StaticClass},
};

} // namespace RequiredWidgetTable

// Every declared widget, for the checker.
inline std::span<const TRequiredWidget> RequiredWidgets() {
  return RequiredWidgetTable::CEntries;
}

// A declared widget that a screen looks up as T.
template <class T>
struct TRequiredWidgetOf {
  const TRequiredWidget* Entry;
};

// The table's entry for the widget, looked up as T: the declared class, or TGWidget for a lookup
// that needs no more. A widget the table lacks stops the compilation here.
template <class T>
consteval TRequiredWidgetOf<T> DeclaredWidget(std::string_view WindowURL, std::string_view Path) {
  for (const TRequiredWidget& E : RequiredWidgetTable::CEntries) {
    if (E.WindowURL == WindowURL && E.Path == Path &&
        (E.Class == &T::StaticClass || &T::StaticClass == &TGWidget::StaticClass)) {
      return {&E};
    }
  }
  throw "the widget is not declared in URequiredWidgets.h";
}

// The widget below Root as GetWidget and ObjectCast find it: "Widget ... not found" when it is
// missing, the cast's error when it is of another class.
template <class T>
T* GetRequiredWidget(const TGWidget* Root, TRequiredWidgetOf<T> Widget) {
  return ObjectCast<T>(Root->GetWidget(Widget.Entry->Path));
}
