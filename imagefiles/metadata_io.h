#pragma once
// Camera metadata in and out of file bytes, through exiv2: reading EXIF, XMP,
// IPTC and the ICC profile of a JPEG, TIFF, PNG or WebP file, and writing
// them into freshly encoded bytes of those formats. The encoders stay as they
// are; the bytes they produce are rewritten in memory.
#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

struct MetadataRead {
    PictureMetadata metadata;  // orientation: the EXIF tag's
    std::string warning;       // set when metadata was there but could not be read
};

// Never throws: metadata that cannot be parsed gives an empty result and a
// warning naming `fileName`. The EXIF blob keeps no image-structure tags of
// a TIFF file (sizes, strips, compression), so it fits any picture.
MetadataRead ReadFileMetadata(ByteSpan file, const std::string& fileName);

// The warning text for a file whose metadata could not be read.
std::string MetadataWarning(const std::string& fileName);

// JPEG, TIFF, PNG and WebP bytes: the formats EmbedMetadata writes into.
bool CanEmbedMetadata(ByteSpan encoded);

// The encoded file with `metadata` written into it (an empty blob writes
// nothing of its kind). Comments and everything else of the file are kept.
// Throws ImageFileError when the bytes or the metadata cannot be handled.
std::vector<uint8_t> EmbedMetadata(ByteSpan encoded, const PictureMetadata& metadata);

// The PNG chunks EmbedMetadata puts right after a PNG's header, for an
// encoder to write there itself (PngWriteOptions::chunksAfterHeader); empty
// for empty metadata. Throws ImageFileError as EmbedMetadata does.
std::vector<uint8_t> PngMetadataChunks(const PictureMetadata& metadata);

}  // namespace vimbra
