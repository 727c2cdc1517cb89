#include "base/UGMessageLoop.h"

IGMessageLoop* MessageLoop = nullptr;
