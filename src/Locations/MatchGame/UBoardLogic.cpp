#include "Locations/MatchGame/UBoardLogic.h"

#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TBoardLogic)
