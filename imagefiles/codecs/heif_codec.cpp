#include "imagefiles/codecs/heif_codec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace vimbra {
namespace {

constexpr const char* kFormat = "HEIF";

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(const heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void Check(const heif_error& e) {
    if (e.code == heif_error_Ok) return;
    // libheif reports its security limits as allocation errors: the file asks
    // for more than it may have, which is the file's fault, not the machine's.
    if (e.code == heif_error_Memory_allocation_error)
        FailModern(kFormat, std::string("the file asks for too much memory (") +
                                (e.message ? e.message : "") + ").");
    if (e.code == heif_error_Invalid_input && e.subcode == heif_suberror_End_of_data)
        FailModern(kFormat, "the file is truncated.");
    FailModern(kFormat, std::string(e.message && *e.message ? e.message : "libheif error") + ".");
}

// The file's primary image; the context stays alive with the handle.
struct Primary {
    std::unique_ptr<heif_context, ContextDeleter> context;
    std::unique_ptr<const heif_image_handle, HandleDeleter> handle;
};

Primary Open(ByteSpan data) {
    // Plug-ins (where the build has any) are loaded once, for the whole run.
    static const bool initialised = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)initialised;
    if (data.size() < 12 || heif_check_filetype(data.data(), int(data.size() < 64 ? data.size() : 64)) ==
                                heif_filetype_no)
        FailModern(kFormat, "no HEIF signature.");
    Primary p;
    p.context.reset(heif_context_alloc());
    if (!p.context) throw std::bad_alloc();
    heif_context_set_maximum_image_size_limit(p.context.get(), Bitmap::kMaxSide);
    Check(heif_context_read_from_memory_without_copy(p.context.get(), data.data(), data.size(), nullptr));
    heif_image_handle* handle = nullptr;
    Check(heif_context_get_primary_image_handle(p.context.get(), &handle));
    p.handle.reset(handle);
    CheckPictureSize(kFormat, heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    return p;
}

int BitsOf(const heif_image_handle* h) {
    const int luma = heif_image_handle_get_luma_bits_per_pixel(h);
    const int chroma = heif_image_handle_get_chroma_bits_per_pixel(h);
    if (luma <= 0) return 24;
    return chroma > 0 ? luma + 2 * chroma : luma;
}

std::vector<uint8_t> Block(const heif_image_handle* h, heif_item_id id) {
    const size_t size = heif_image_handle_get_metadata_size(h, id);
    if (size == 0 || size > (size_t(64) << 20)) return {};
    std::vector<uint8_t> out(size);
    if (heif_image_handle_get_metadata(h, id, out.data()).code != heif_error_Ok) return {};
    return out;
}

void ReadMetadata(const heif_image_handle* h, PictureMetadata& m) {
    const int count = heif_image_handle_get_number_of_metadata_blocks(h, nullptr);
    if (count > 0 && count <= 256) {
        std::vector<heif_item_id> ids(static_cast<size_t>(count));
        const int n = heif_image_handle_get_list_of_metadata_block_IDs(h, nullptr, ids.data(), count);
        for (int i = 0; i < n; ++i) {
            const char* type = heif_image_handle_get_metadata_type(h, ids[size_t(i)]);
            const char* content = heif_image_handle_get_metadata_content_type(h, ids[size_t(i)]);
            if (type && std::strcmp(type, "Exif") == 0 && m.exif.empty())
                m.exif = TiffExif(Block(h, ids[size_t(i)]), true);
            else if (type && std::strcmp(type, "mime") == 0 && content &&
                     std::strcmp(content, "application/rdf+xml") == 0 && m.xmp.empty())
                m.xmp = Block(h, ids[size_t(i)]);
        }
    }
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(h);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(h);
        if (size > 0 && size <= (size_t(64) << 20)) {
            m.icc.resize(size);
            if (heif_image_handle_get_raw_color_profile(h, m.icc.data()).code != heif_error_Ok)
                m.icc.clear();
        }
    }
    m.orientation = 1;
}

}  // namespace

ImageInfo ReadHeifInfo(ByteSpan data, bool applyTransforms, PictureMetadata* metadata) {
    const Primary p = Open(data);
    const heif_image_handle* h = p.handle.get();
    ImageInfo info{heif_image_handle_get_width(h), heif_image_handle_get_height(h), BitsOf(h), 1, 24};
    if (metadata) ReadMetadata(h, *metadata);
    if (!applyTransforms) {
        info.width = heif_image_handle_get_ispe_width(h);
        info.height = heif_image_handle_get_ispe_height(h);
        CheckPictureSize(kFormat, info.width, info.height);
    }
    return info;
}

Bitmap DecodeHeif(ByteSpan data, const ModernReadOptions& options, PictureMetadata* metadata) {
    const Primary p = Open(data);
    const heif_image_handle* h = p.handle.get();
    // A grid or overlay names its canvas size in its own data, which libheif
    // allocates before decoding any tile; hold it to the header's larger side
    // so a small file cannot claim gigabytes. Coded sizes (the alpha plane's
    // too) run up to a whole 64-pixel block past the header's.
    const int side = std::max(heif_image_handle_get_ispe_width(h), heif_image_handle_get_ispe_height(h));
    heif_context_set_maximum_image_size_limit(p.context.get(), std::min(side, Bitmap::kMaxSide) + 129);
    const bool alpha = heif_image_handle_has_alpha_channel(h) != 0;
    std::unique_ptr<heif_decoding_options, OptionsDeleter> o(heif_decoding_options_alloc());
    if (!o) throw std::bad_alloc();
    o->ignore_transformations = options.applyTransforms ? 0 : 1;
    o->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    Check(heif_decode_image(h, &decoded, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, o.get()));
    std::unique_ptr<const heif_image, ImageDeleter> image(decoded);
    const int w = heif_image_get_width(decoded, heif_channel_interleaved);
    const int ht = heif_image_get_height(decoded, heif_channel_interleaved);
    CheckPictureSize(kFormat, w, ht);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!pixels || stride < w * (alpha ? 4 : 3)) FailModern(kFormat, "the decoder returned no picture.");
    if (metadata) ReadMetadata(h, *metadata);
    return BitmapFromRgba(pixels, size_t(stride), w, ht, alpha, options.backgroundColor);
}

}  // namespace vimbra
