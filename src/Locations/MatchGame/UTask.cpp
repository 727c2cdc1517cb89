#include "Locations/MatchGame/UTask.h"

#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TTask)
G_IMPLEMENT_CLASS(TBoardTask)
