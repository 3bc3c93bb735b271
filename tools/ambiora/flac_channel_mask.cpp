#include "flac_channel_mask.h"

#include <FLAC/metadata.h>

#include <cstdio>
#include <memory>

#include "messages.h"

namespace ambiora_cli {
namespace {

// FLAC's layouts for one to six channels, as WAVEFORMATEXTENSIBLE masks.
constexpr unsigned flac_layouts[] = {0x4, 0x3, 0x7, 0x33, 0x37, 0x3f};

struct chain_deleter {
    void operator()(FLAC__Metadata_Chain* chain) const { FLAC__metadata_chain_delete(chain); }
};
struct iterator_deleter {
    void operator()(FLAC__Metadata_Iterator* it) const { FLAC__metadata_iterator_delete(it); }
};

}  // namespace

bool flac_needs_channel_mask(unsigned channels, unsigned mask) {
    return channels >= 1 && channels <= std::size(flac_layouts) && mask != 0 &&
           mask != flac_layouts[channels - 1];
}

void write_flac_channel_mask(const std::string& path, unsigned mask) {
    const std::string cannot = "cannot write the channel mask into " + path + ": ";
    std::unique_ptr<FLAC__Metadata_Chain, chain_deleter> chain(FLAC__metadata_chain_new());
    std::unique_ptr<FLAC__Metadata_Iterator, iterator_deleter> it(FLAC__metadata_iterator_new());
    if (!chain || !it) throw run_error(cannot + "out of memory");
    if (!FLAC__metadata_chain_read(chain.get(), path.c_str())) {
        throw run_error(cannot +
                        FLAC__Metadata_ChainStatusString[FLAC__metadata_chain_status(chain.get())]);
    }
    FLAC__metadata_iterator_init(it.get(), chain.get());
    FLAC__StreamMetadata* comments = nullptr;
    do {
        if (FLAC__metadata_iterator_get_block_type(it.get()) == FLAC__METADATA_TYPE_VORBIS_COMMENT)
            comments = FLAC__metadata_iterator_get_block(it.get());
    } while (comments == nullptr && FLAC__metadata_iterator_next(it.get()));
    if (comments == nullptr) {
        comments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        if (comments == nullptr || !FLAC__metadata_iterator_insert_block_after(it.get(), comments))
            throw run_error(cannot + "no room for a comment block");
    }
    char value[16];
    std::snprintf(value, sizeof value, "0x%04X", mask);
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
            &entry, "WAVEFORMATEXTENSIBLE_CHANNEL_MASK", value) ||
        !FLAC__metadata_object_vorbiscomment_replace_comment(comments, entry, true, false)) {
        throw run_error(cannot + "out of memory");
    }
    if (!FLAC__metadata_chain_write(chain.get(), true, false)) {
        throw run_error(cannot +
                        FLAC__Metadata_ChainStatusString[FLAC__metadata_chain_status(chain.get())]);
    }
}

}  // namespace ambiora_cli
