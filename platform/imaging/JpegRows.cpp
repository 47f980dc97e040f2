#include "platform/imaging/JpegRows.h"

#include "platform/imaging/CodecSupport.h"

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace zarn {
namespace {

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

} // namespace

struct JpegRowReader::State {
    std::FILE* file = nullptr;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    bool created = false;
    bool started = false;
    int next = 0;
    std::string error;

    // The steps between setjmp and their end: no object with a destructor lives in them, since
    // an error leaves them by longjmp.
    bool start() {
        if (setjmp(errors.jump))
            return false;
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        // Our pixels' bytes in memory are B, G, R, A: libjpeg-turbo writes them so directly.
        info.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&info);
        started = true;
        return true;
    }
    bool rows(int first, const PixelView& target) {
        if (setjmp(errors.jump))
            return false;
        if (first > next)
            next +=
                static_cast<int>(jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(first - next)));
        for (int y = 0; y < target.height;) {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(target.row(y));
            const JDIMENSION read = jpeg_read_scanlines(&info, &row, 1);
            if (read == 0) {
                imaging::fail(&error, "JPEG data ended early");
                return false;
            }
            y += static_cast<int>(read);
            next += static_cast<int>(read);
        }
        return true;
    }
    void failed() {
        if (error.empty())
            error = std::string("JPEG decoding failed: ") + errors.message;
    }
};

JpegRowReader::JpegRowReader(const std::filesystem::path& path)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.file = std::fopen(path.c_str(), "rb");
    if (!s.file) {
        s.error = "the file could not be opened";
        return;
    }
    s.info.err = jpeg_std_error(&s.errors.manager);
    s.errors.manager.error_exit = onError;
    s.errors.manager.output_message = onMessage;
    jpeg_create_decompress(&s.info);
    s.created = true;
    if (!s.start())
        s.failed();
}

JpegRowReader::~JpegRowReader() {
    if (state_->created)
        jpeg_destroy_decompress(&state_->info);
    if (state_->file)
        std::fclose(state_->file);
}

bool JpegRowReader::ok() const {
    return state_->error.empty();
}
const std::string& JpegRowReader::error() const {
    return state_->error;
}
JpegRowsSize JpegRowReader::size() const {
    if (!state_->started)
        return {};
    return {static_cast<int>(state_->info.output_width),
            static_cast<int>(state_->info.output_height)};
}
int JpegRowReader::nextRow() const {
    return state_->next;
}

bool JpegRowReader::read(int first, const PixelView& target) {
    State& s = *state_;
    if (!ok())
        return false;
    const JpegRowsSize whole = size();
    if (target.empty() || target.width != whole.width || first < s.next ||
        static_cast<long long>(first) + target.height > whole.height) {
        // Not an error of the file: the reader stays usable for other rows.
        return false;
    }
    if (!s.rows(first, target)) {
        s.failed();
        return false;
    }
    return true;
}

bool decodeJpegRows(const std::filesystem::path& path, int first, const PixelView& target,
                    std::string* error, JpegRowsSize* size) {
    JpegRowReader reader(path);
    if (size)
        *size = reader.size();
    if (!reader.ok()) {
        imaging::fail(error, reader.error());
        return false;
    }
    if (!reader.read(first, target)) {
        const JpegRowsSize whole = reader.size();
        imaging::fail(error, reader.ok() ? "JPEG picture of " + std::to_string(whole.width) +
                                               " x " + std::to_string(whole.height) +
                                               " pixels has not the rows asked for"
                                         : reader.error());
        return false;
    }
    return true;
}

} // namespace zarn
