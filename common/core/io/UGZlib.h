// Whole byte strings as zlib streams (RFC 1950): how profiles keep their larger entries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Level 1 is the fastest, 9 the smallest.
std::string ZCompress(std::string_view Data, int Level);
// The bytes of a zlib stream; a damaged or truncated stream, or one that would grow beyond
// MaxSize, is an EReadError.
std::string ZDecompress(std::string_view Stream, size_t MaxSize = size_t{1} << 28);
