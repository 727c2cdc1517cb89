#include "Locations/MatchGame/UTaskProcessor.h"

#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TTaskProcessor)
