#include "rendered_audio_writer.h"

#include <algorithm>

#include "channel_layout.h"
#include "flac_channel_mask.h"
#include "messages.h"
#include "pending_output.h"

namespace ambiora_cli {
namespace {

std::string describe_layout(unsigned channels, unsigned mask) {
    return count_of(channels, "channel") + " (" + describe_channels(mask) + ")";
}

}  // namespace

rendered_audio_writer::rendered_audio_writer(pending_output& target, output_format format,
                                             std::uint64_t expected_frames)
    : target_(target), format_(format), expected_frames_(expected_frames) {}

rendered_audio_writer::~rendered_audio_writer() = default;

void rendered_audio_writer::add(const kept_chunks& kept) {
    for (const host_sim::host_chunk* c : kept) {
        const host_sim::host_chunk& chunk = *c;
        if (chunk.get_channels() == 0 || chunk.get_sample_count() == 0) continue;
        if (!file_) {
            channels_ = chunk.get_channels();
            mask_ = chunk.get_channel_config();
            rate_ = chunk.get_srate();
            file_ = std::make_unique<sound_file_output>(target_, format_, channels_, rate_, mask_,
                                                        expected_frames_);
        } else if (chunk.get_channels() != channels_ || chunk.get_channel_config() != mask_ ||
                   chunk.get_srate() != rate_) {
            throw run_error("the output changed from " + describe_layout(channels_, mask_) +
                            " to " +
                            describe_layout(chunk.get_channels(), chunk.get_channel_config()) +
                            " in the middle of the render; a sound file cannot follow that");
        }
        const std::uint64_t room =
            frame_limit_ > frames_written_ ? frame_limit_ - frames_written_ : 0;
        const std::uint64_t frames = std::min<std::uint64_t>(room, chunk.get_sample_count());
        if (frames == 0) continue;
        file_->write(chunk.get_data(), std::size_t(frames));
        frames_written_ += frames;
    }
}

bool rendered_audio_writer::close() {
    if (!file_) return false;
    file_->close();
    if (format_.container == container_format::flac && flac_needs_channel_mask(channels_, mask_)) {
        if (target_.temporary_path().empty()) {
            warn("FLAC on standard output cannot say that its " + count_of(channels_, "channel") +
                 " are " + describe_channels(mask_) +
                 ": readers will take them for FLAC's own "
                 "layout; write a file, or WAV, to keep the layout");
        } else {
            write_flac_channel_mask(target_.temporary_path(), mask_);
        }
    }
    return true;
}

std::string rendered_audio_writer::written_format() const {
    return file_ ? file_->written_format() : describe_output_format(format_);
}

std::uint64_t rendered_audio_writer::clipped_samples() const {
    return file_ ? file_->clipped_samples() : 0;
}

}  // namespace ambiora_cli
