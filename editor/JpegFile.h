#pragma once
// Writes a picture as a JPEG file through libjpeg with its default settings (quality 75).

#include <string>

namespace editor {

// rgb: height rows of width pixels, three bytes each (red, green, blue), rows stride bytes
// apart. False (with a reason in *error when given) when the file cannot be written; a file
// left half written is removed.
bool WriteJpegFile(const std::string& path, const unsigned char* rgb, int width, int height,
                   int stride, std::string* error = nullptr);

}  // namespace editor
