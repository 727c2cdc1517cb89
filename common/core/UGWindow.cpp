#include "UGWindow.h"

#include "UGClassBuilder.h"

G_IMPLEMENT_CLASS(TGWindow)
