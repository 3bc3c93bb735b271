#include "mpeg_decoder.h"

#include <mpg123.h>
#include <unistd.h>

#include "messages.h"

namespace ambiora_cli {

mpeg_decoder::mpeg_decoder(int file, unsigned channels, unsigned rate, const std::string& name)
    : name_(name), file_(file), channels_(channels) {
    int error = MPG123_OK;
    handle_ = mpg123_new(nullptr, &error);
    const auto fail = [&](const std::string& reason) {
        if (handle_ != nullptr) mpg123_delete(handle_);
        ::close(file_);
        throw run_error("cannot read " + name_ + ": " + reason);
    };
    if (handle_ == nullptr) fail(mpg123_plain_strerror(error));
    // One output format only: the layout libsndfile reported, as floats.
    if (mpg123_format_none(handle_) != MPG123_OK ||
        mpg123_format(handle_, long(rate), channels == 1 ? MPG123_MONO : MPG123_STEREO,
                      MPG123_ENC_FLOAT_32) != MPG123_OK ||
        ::lseek(file_, 0, SEEK_SET) != 0 || mpg123_open_fd(handle_, file_) != MPG123_OK) {
        fail(mpg123_strerror(handle_));
    }
}

mpeg_decoder::~mpeg_decoder() {
    mpg123_close(handle_);
    mpg123_delete(handle_);
    ::close(file_);
}

std::size_t mpeg_decoder::read(float* interleaved, std::size_t frames) {
    const std::size_t frame_bytes = channels_ * sizeof(float);
    auto* bytes = reinterpret_cast<unsigned char*>(interleaved);
    std::size_t filled = 0;
    while (filled < frames * frame_bytes) {
        std::size_t got = 0;
        const int status =
            mpg123_read(handle_, bytes + filled, frames * frame_bytes - filled, &got);
        filled += got;
        if (status == MPG123_DONE) break;
        // The first call announces the format it was told to use.
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            throw run_error("cannot read " + name_ + ": " + mpg123_strerror(handle_));
        }
    }
    return filled / frame_bytes;
}

}  // namespace ambiora_cli
