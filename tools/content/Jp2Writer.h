// Writes JPEG 2000 pictures with OpenJPEG's encoder, for the content tools and for tests and
// benchmarks that need JPEG 2000 input (the engine itself only reads the format).
#pragma once

#include <cstdint>
#include <string>

// Pixels are Width x Height 32-bit B, G, R, A values, rows from the top. Components: 1 (grey,
// taken from the green channel), 2 (grey and alpha), 3 (R, G, B) or 4 (R, G, B, A). Codestream
// gives a bare J2K codestream, otherwise the JP2 box format. Rate 0 is lossless; otherwise the
// compression ratio aimed at (lossy 9-7 wavelet). Failures throw std::runtime_error.
std::string EncodeJp2(const uint8_t* Pixels, int Width, int Height, int Components,
                      bool Codestream = false, float Rate = 0);
