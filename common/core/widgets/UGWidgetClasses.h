// The widget classes of window files, registered at start-up.
#pragma once

// The widget classes in their order (the edit box first), the window as the resource class of
// ".win", and the widget channel, which goes before the other animation channel classes.
void RegisterWidgetClasses();
