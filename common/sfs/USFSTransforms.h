// Block transforms of compressed streams: copy, zlib, bzip2 and PPMd variant G, chosen by the
// compression level.
#pragma once

#include "sfs/USFSCommon.h"

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int BlockSizeForFastest = 512 * 1024;
inline constexpr int BlockSizeForNormal = 1024 * 1024;
inline constexpr int BlockSizeForMax = 1536 * 1024;

// Uncompressed bytes per block for a level (1 MiB for unknown levels).
int SFSInternalGetBlockSize(int Level);

// Compresses InSize bytes into OutBuf; false for an empty input, an unknown level or a failure.
bool SFSInternalCompressBuffer(const uint8_t* InBuf, size_t InSize, std::vector<uint8_t>& OutBuf,
                               int CompressionLevel);

// Decompresses a block whose uncompressed size is OutSize. Never produces more than OutSize
// bytes: a stream that would exceed it fails. On success OutBuf holds the bytes produced and
// OutSize their count. False for an expected size below 1, an unknown level, or damaged data.
bool SFSInternalDecompressBuffer(const uint8_t* InBuf, size_t InSize, std::vector<uint8_t>& OutBuf,
                                 size_t& OutSize, int CompressionLevel);
// The same into OutBuf's Expected bytes of room; Produced is the count of bytes produced. False
// as above, and then the room's content is undefined.
bool SFSInternalDecompressInto(const uint8_t* InBuf, size_t InSize, uint8_t* OutBuf,
                               size_t Expected, size_t& Produced, int CompressionLevel);
