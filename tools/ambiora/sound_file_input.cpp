#include "sound_file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <emmintrin.h>

#include <cerrno>
#include <sstream>

#include "buffered_file_reader.h"
#include "file_access.h"
#include "messages.h"
#include "mpeg_decoder.h"

namespace ambiora_cli {
namespace {

bool component_takes(int channels) {
    return channels == 1 || channels == 2 || (channels >= 4 && channels <= 6);
}

// libsndfile reads a WAV or AIFF whose audio chunk claims more bytes than the file holds as far
// as the data goes, and notes it in its log as "data : 384000 (should be 284000)". The frames the
// header promised, from `frames` read and that line; `frames` when there is no such line.
std::uint64_t frames_promised_by_header(SNDFILE* file, std::uint64_t frames) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("data", 0) != 0 && line.rfind("SSND", 0) != 0) continue;
        unsigned long long claimed = 0, present = 0;
        if (std::sscanf(line.c_str(), "%*s : %llu (should be %llu)", &claimed, &present) == 2 &&
            claimed > present) {
            // Whole frames fill the data present, less perhaps a part of one at the cut.
            const std::uint64_t frame_bytes = present / frames;
            return frame_bytes == 0 ? frames : claimed / frame_bytes;
        }
    }
    return frames;
}

}  // namespace

sound_file_input::sound_file_input(const std::string& path)
    : path_(path == standard_stream_name ? "standard input" : path),
      from_stdin_(path == standard_stream_name) {
    if (from_stdin_) {
        input_.reset(seekable_standard_input());
    } else {
        check_readable_file(path);
    }
    open();
    // The destructor does not run for a constructor that throws, so close the file here.
    auto refuse = [this](const std::string& message) {
        close();
        throw run_error(message);
    };
    if (!component_takes(info_.channels)) {
        refuse(path_ + " has " + count_of(std::uint64_t(info_.channels), "channel") +
               "; the component takes 1, 2, 4, 5 or 6 (mono, stereo, quad, 5.0, 5.1): "
               "remix it to one of those first");
    }
    if (info_.samplerate <= 0) refuse(path_ + " has no valid sample rate");
    // An MP3 is decoded by libmpg123 itself, to its very end: libsndfile stops at its length
    // estimate, which a VBR file without a Xing header gets wrong.
    if ((info_.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        close();
        const int file =
            from_stdin_ ? input_.rewound_copy() : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) throw run_error("cannot read " + path_ + ": " + system_error_text(errno));
        mpeg_ = std::make_unique<mpeg_decoder>(file, channels(), rate(), path_);
        frames_ = 0;
        return;
    }
    // A stream's length is unknown until its end: libsndfile says "as many as there can be".
    frames_ = info_.frames > 0 && info_.frames != SF_COUNT_MAX ? std::uint64_t(info_.frames) : 0;
    promised_frames_ = frames_ == 0 ? 0 : frames_promised_by_header(file_, frames_);
    pcm16_ = (info_.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
}

void sound_file_input::open() {
    info_ = {};
    // A named pipe (a shell's <(...) included) is never opened here: opening and closing its
    // reading end before libsndfile opens it again would cut off the process writing into it.
    struct stat status {};
    const bool regular = ::stat(path_.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    const int descriptor = from_stdin_ ? input_.rewound_copy()
                           : regular   ? ::open(path_.c_str(), O_RDONLY | O_CLOEXEC)
                                       : -1;
    if (descriptor >= 0) reader_ = buffered_file_reader::for_regular_file(descriptor);
    if (reader_) {
        file_ =
            sf_open_virtual(&buffered_file_reader::callbacks(), SFM_READ, &info_, reader_.get());
    } else if (from_stdin_) {
        file_ = sf_open_fd(input_.get(), SFM_READ, &info_, SF_FALSE);
    } else {
        file_ = sf_open(path_.c_str(), SFM_READ, &info_);
    }
    const std::string& path = path_;
    if (file_ == nullptr) {
        // libsndfile says "Format not recognised." for text and "Error in WAV file..." for a
        // damaged header; both mean we cannot use the file.
        std::string reason = sf_strerror(nullptr);
        while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n'))
            reason.pop_back();
        throw run_error("cannot read " + path + ": not a sound file libsndfile can decode (" +
                        reason + ")");
    }
}

void sound_file_input::close() {
    if (file_ != nullptr) sf_close(file_);
    file_ = nullptr;
    reader_.reset();
}

sound_file_input::~sound_file_input() {
    close();
}

// libsndfile converts 16-bit samples to float one at a time; asked for the samples as they are
// stored, it reads them straight into our buffer, and the conversion here runs eight at a time.
// Each sample is x / 32768, exact, as libsndfile would give it.
sf_count_t sound_file_input::read_pcm16(float* interleaved, std::size_t frames) {
    const std::size_t count = frames * channels();
    if (pcm16_samples_.size() < count) pcm16_samples_.resize(count);
    const std::int16_t* in = pcm16_samples_.data();
    const sf_count_t got = sf_readf_short(file_, pcm16_samples_.data(), sf_count_t(frames));
    const std::size_t samples = got > 0 ? std::size_t(got) * channels() : 0;
    const __m128 scale = _mm_set1_ps(1.0f / 32768.0f);
    std::size_t i = 0;
    for (; i + 8 <= samples; i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        // Each 16-bit value into the top of a 32-bit lane, then shifted down with its sign.
        const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(eight, eight), 16);
        const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(eight, eight), 16);
        _mm_storeu_ps(interleaved + i, _mm_mul_ps(_mm_cvtepi32_ps(low), scale));
        _mm_storeu_ps(interleaved + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(high), scale));
    }
    for (; i < samples; ++i) interleaved[i] = float(in[i]) * (1.0f / 32768.0f);
    return got;
}

std::size_t sound_file_input::read(float* interleaved, std::size_t frames) {
    if (mpeg_) return mpeg_->read(interleaved, frames);
    const sf_count_t got = pcm16_ ? read_pcm16(interleaved, frames)
                                  : sf_readf_float(file_, interleaved, sf_count_t(frames));
    if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR) {
        throw run_error("cannot read " + path_ + ": " + sf_strerror(file_));
    }
    if (reader_ && reader_->failure() != 0) {
        throw run_error("cannot read " + path_ + ": " + system_error_text(reader_->failure()));
    }
    return std::size_t(got);
}

}  // namespace ambiora_cli
