// The channel mask of a FLAC file whose channels are not in FLAC's own order for their count.
//
// FLAC assigns a fixed layout to each channel count (five channels: front pair, centre, back
// pair), and libsndfile writes no other. The player's five-channel layout has LFE where FLAC
// expects the centre, so a reader would put the LFE channel in the centre speaker. The
// WAVEFORMATEXTENSIBLE_CHANNEL_MASK comment, which FLAC's tools and decoders read, says what the
// channels really are, as the mask of a WAV does.
#pragma once

#include <string>

namespace ambiora_cli {

// Whether `mask` differs from FLAC's layout for `channels`, so that the file needs the comment.
bool flac_needs_channel_mask(unsigned channels, unsigned mask);

// Adds the comment to the finished FLAC file at `path`; throws run_error when it cannot.
void write_flac_channel_mask(const std::string& path, unsigned mask);

}  // namespace ambiora_cli
