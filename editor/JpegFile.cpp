#include "editor/JpegFile.h"

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace editor {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back
// into Compress, which owns no C++ objects between setjmp and the jump.
struct JumpingErrors {
  jpeg_error_mgr pub;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

void JumpBack(j_common_ptr info) {
  auto* errors = reinterpret_cast<JumpingErrors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->back, 1);
}

// Compresses into out; false with errors->message filled on failure.
bool Compress(std::FILE* out, const unsigned char* rgb, int width, int height, int stride,
              JumpingErrors* errors) {
  jpeg_compress_struct info{};
  info.err = jpeg_std_error(&errors->pub);
  errors->pub.error_exit = JumpBack;
  if (setjmp(errors->back) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    // libjpeg's row pointer is not const, but it only reads the rows.
    auto* row = const_cast<JSAMPLE*>(rgb + static_cast<long>(info.next_scanline) * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

bool WriteJpegFile(const std::string& path, const unsigned char* rgb, int width, int height,
                   int stride, std::string* error) {
  auto fail = [error](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  if (rgb == nullptr || width <= 0 || height <= 0 || stride < width * 3)
    return fail("empty picture");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return fail("cannot create " + path);
  JumpingErrors errors{};
  const bool compressed = Compress(out, rgb, width, height, stride, &errors);
  const bool closed = std::fclose(out) == 0;
  if (compressed && closed) return true;
  std::remove(path.c_str());
  return fail(compressed ? "cannot write " + path : std::string(errors.message));
}

}  // namespace editor
