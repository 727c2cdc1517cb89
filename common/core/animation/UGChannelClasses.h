// The channel classes that animations can create by class id, registered at start-up.
#pragma once

// Registers the engine's channel classes in their start-up order; safe to call more than once.
void RegisterChannelClasses();
