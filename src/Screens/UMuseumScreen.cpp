#include "Screens/UMuseumScreen.h"

G_IMPLEMENT_CLASS(TMuseumScreen)

bool TMuseumScreen::CameFromGame = false;

void TMuseumScreen::ShowMuseum() {}
