#include "chunk_log.h"

#include <bit>
#include <cerrno>

#include "messages.h"

namespace ambiora_cli {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the log's floats are written as they lie in memory");

constexpr char magic[8] = {'C', 'H', 'U', 'N', 'K', 'S', '1', '\0'};
constexpr long count_offset = 12;

}  // namespace

chunk_log_writer::chunk_log_writer(std::FILE* stream, std::string target, unsigned rate)
    : stream_(stream), target_(std::move(target)) {
    write_bytes(magic, sizeof magic);
    write_u32(rate);
    write_u32(0);  // the chunk count, filled in by close()
}

void chunk_log_writer::add(const kept_chunks& kept) {
    if (kept.size() > 1) throw run_error("the component returned several chunks for one");
    ++chunks_;
    const host_sim::host_chunk* chunk = kept.empty() ? nullptr : kept.front();
    const bool has_audio = chunk != nullptr && chunk->get_channels() != 0;
    write_u32(chunk != nullptr ? 1 : 0);
    write_u32(has_audio ? chunk->get_channels() : 0);
    write_u32(has_audio ? std::uint32_t(chunk->get_sample_count()) : 0);
    write_u32(has_audio ? chunk->get_channel_config() : 0);
    if (has_audio) {
        write_bytes(chunk->get_data(),
                    chunk->get_sample_count() * chunk->get_channels() * sizeof(audio_sample));
    }
}

chunk_log_writer::~chunk_log_writer() {
    if (stream_ != nullptr) std::fclose(stream_);
}

void chunk_log_writer::close() {
    if (std::fseek(stream_, count_offset, SEEK_SET) != 0) failed_ = true;
    write_u32(chunks_);
    if (std::fflush(stream_) != 0) failed_ = true;
    const int error = errno;
    if (std::fclose(stream_) != 0) failed_ = true;
    stream_ = nullptr;
    if (failed_) throw run_error("cannot write " + target_ + ": " + system_error_text(error));
}

void chunk_log_writer::write_u32(std::uint32_t value) {
    const unsigned char bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8),
                                    std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
    write_bytes(bytes, sizeof bytes);
}

void chunk_log_writer::write_bytes(const void* data, std::size_t bytes) {
    if (bytes != 0 && std::fwrite(data, 1, bytes, stream_) != bytes) failed_ = true;
}

}  // namespace ambiora_cli
