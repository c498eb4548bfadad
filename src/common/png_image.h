// Pictures as PNG: 8-bit RGB pixels, one zlib stream of filtered rows (filter 0), CRC-32 per
// chunk, written whole or embedded in other documents.
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"

namespace velmora {

/// The bytes of a PNG of width × height pixels (row after row, the top row first).
std::string EncodePng(int width, int height, const std::vector<Rgb>& pixels);

/// Writes a PNG through a temporary file that replaces `path` only when complete (FileError
/// naming the file when it cannot be written).
void WritePng(const std::string& path, int width, int height, const std::vector<Rgb>& pixels);

/// Base64 of bytes (RFC 4648), for a picture inside an SVG document.
std::string Base64(const std::string& bytes);

}  // namespace velmora
