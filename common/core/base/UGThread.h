// Small thread identities: 1 for the first thread that asks, then 2, 3, ...
#pragma once

#include <cstdint>

uint32_t GetCurrentThreadID();
