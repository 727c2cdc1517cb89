// The compressed form of a bitmap's pixels (bdsCompressed): one zlib stream of the raw bytes.
// The bitmap packs and unpacks its pixels with it, and the ".spr" codec checks a stored block
// with it before a bitmap takes the block over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The zlib stream of Raw at the fastest level.
std::string DeflateBits(std::string_view Raw);
// The bytes of Packed, which must inflate to exactly Size bytes and end there; anything else
// raises "Corrupt compressed picture data".
std::string InflateBits(std::string_view Packed, size_t Size);
// The same check without keeping the bytes, for data that is stored as it is.
void CheckInflatedBits(std::string_view Packed, size_t Size);
