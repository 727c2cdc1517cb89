// The standard CRC-32 (reflected polynomial 0xEDB88320, start 0xFFFFFFFF, final complement, as
// zlib computes it) over buffers, streams and files: the checksum that guards player profiles.
#pragma once

#include "io/UGStream.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Continues a CRC over more bytes (Crc is the running value before the final complement).
uint32_t CRC32Update(const void* Buffer, size_t Length, uint32_t Crc);
// Continues it over the rest of the stream, read in blocks of 2048 bytes.
uint32_t CRC32UpdateStream(TGStream& Stream, uint32_t Crc);
// The CRC-32 of the rest of the stream, of a whole file, of a byte string.
uint32_t CRC32Stream(TGStream& Stream);
uint32_t CRC32File(const std::string& FileName);
uint32_t CRC32String(const std::string& Bytes);
