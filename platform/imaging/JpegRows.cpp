#include "platform/imaging/JpegRows.h"

#include "platform/imaging/CodecSupport.h"

#include <csetjmp>
#include <memory>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace zarn {
namespace {

using imaging::fail;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onError(j_common_ptr info) {
    auto* self = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, self->message);
    std::longjmp(self->jump, 1);
}

// Warnings (a file that ends early, damaged data) are not printed: the rows are decoded as far
// as they go.
void onMessage(j_common_ptr) {}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The part of the work between setjmp and the end of the decoding: no object with a destructor
// lives here, since an error leaves it by longjmp.
bool decodeRows(jpeg_decompress_struct& info, ErrorManager& errors, std::FILE* file, int first,
                const PixelView& target, std::string* error, JpegRowsSize* size) {
    if (setjmp(errors.jump)) {
        fail(error, std::string("JPEG decoding failed: ") + errors.message);
        return false;
    }
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    if (size)
        *size = {static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
    // Our pixels' bytes in memory are B, G, R, A: libjpeg-turbo writes them so directly.
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (static_cast<long long>(info.output_width) != target.width || first < 0 ||
        static_cast<long long>(first) + target.height >
            static_cast<long long>(info.output_height)) {
        fail(error, "JPEG picture of " + std::to_string(info.output_width) + " x " +
                        std::to_string(info.output_height) + " pixels has not the rows asked for");
        return false;
    }
    if (first > 0)
        jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(first));
    for (int y = 0; y < target.height;) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(target.row(y));
        const JDIMENSION read = jpeg_read_scanlines(&info, &row, 1);
        if (read == 0) {
            fail(error, "JPEG data ended early");
            return false;
        }
        y += static_cast<int>(read);
    }
    return true;
}

} // namespace

bool decodeJpegRows(const std::filesystem::path& path, int first, const PixelView& target,
                    std::string* error, JpegRowsSize* size) {
    if (target.empty()) {
        fail(error, "no rows asked for");
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        fail(error, "the file could not be opened");
        return false;
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    errors.manager.output_message = onMessage;
    jpeg_create_decompress(&info);
    const bool done = decodeRows(info, errors, file.get(), first, target, error, size);
    jpeg_destroy_decompress(&info);
    return done;
}

} // namespace zarn
