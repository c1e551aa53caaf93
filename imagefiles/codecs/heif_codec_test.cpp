#include "imagefiles/codecs/heif_codec.h"

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include "imagefiles/codecs/modern_codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

// A HEIC written by libheif itself with the given orientation (irot / imir).
std::vector<uint8_t> HeicWithOrientation(const Bitmap& picture, heif_orientation orientation) {
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    std::vector<uint8_t> out;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code == heif_error_Ok &&
        heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB,
                          heif_chroma_interleaved_RGB, &image).code == heif_error_Ok) {
        heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
        int stride = 0;
        uint8_t* p = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < picture.height(); ++y)
            RgbaRowToBgr(picture.scanLine(y), false, p + size_t(y) * size_t(stride), picture.width(), {});
        heif_encoder_set_lossy_quality(encoder, 95);
        heif_encoding_options* options = heif_encoding_options_alloc();
        options->image_orientation = orientation;
        heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* user) {
                               auto* v = static_cast<std::vector<uint8_t>*>(user);
                               v->insert(v->end(), static_cast<const uint8_t*>(data),
                                         static_cast<const uint8_t*>(data) + size);
                               return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                           }};
        if (heif_context_encode_image(ctx, image, encoder, options, nullptr).code == heif_error_Ok)
            heif_context_write(ctx, &writer, &out);
        heif_encoding_options_free(options);
    }
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(ctx);
    return out;
}

TEST(HeifCodec, AgreesWithHeifConvert) {
    VIMBRA_NEED_TOOL("heif-enc");
    VIMBRA_NEED_TOOL("heif-convert");
    TempDir dir;
    const Bitmap scene = Scene(64, 48);
    WriteBytes(dir.file("in.png"), EncodePng(scene));
    for (const char* flags : {"-q 80", "-L"}) {
        SCOPED_TRACE(flags);
        ASSERT_TRUE(RunTool("heif-enc", std::string(flags) + " " + Q(dir.file("in.png")) + " -o " +
                                            Q(dir.file("p.heic")) + " >/dev/null"));
        ASSERT_TRUE(RunTool("heif-convert", Q(dir.file("p.heic")) + " " + Q(dir.file("back.png")) + " >/dev/null"));
        const std::vector<uint8_t> file = ReadBytes(dir.file("p.heic"));
        const Bitmap mine = DecodeHeif(file);
        EXPECT_EQ(mine, DecodePng(ReadBytes(dir.file("back.png"))));
        EXPECT_TRUE(CloseLook(mine, scene));
        const ImageInfo info = ReadHeifInfo(file);
        EXPECT_EQ(info.width, 64);
        EXPECT_EQ(info.height, 48);
        EXPECT_EQ(info.bitCount, 24);
    }
}

TEST(HeifCodec, TransformsAppliedUnlessAskedNotTo) {
    const Bitmap source = Quarters(64, 32);
    // EXIF orientation 6 (a quarter turn clockwise) and 2 (left-right mirror).
    const std::vector<uint8_t> turned = HeicWithOrientation(source, heif_orientation_rotate_90_cw);
    const std::vector<uint8_t> mirrored = HeicWithOrientation(source, heif_orientation_flip_horizontally);
    if (turned.empty() || mirrored.empty()) GTEST_SKIP() << "libheif has no HEVC encoder";
    const Bitmap right = TurnLeftByHand(TurnLeftByHand(TurnLeftByHand(source)));
    EXPECT_TRUE(SameQuarters(DecodeHeif(turned), right));
    EXPECT_TRUE(SameQuarters(DecodeHeif(turned, {.applyTransforms = false}), source));
    EXPECT_EQ(ReadHeifInfo(turned).width, 32);
    EXPECT_EQ(ReadHeifInfo(turned).height, 64);
    EXPECT_TRUE(SameQuarters(DecodeHeif(mirrored), MirrorByHand(source)));
    EXPECT_TRUE(SameQuarters(DecodeHeif(mirrored, {.applyTransforms = false}), source));
}

TEST(HeifCodec, AlphaComposedAsThePngReaderComposesIt) {
    VIMBRA_NEED_TOOL("heif-enc");
    VIMBRA_NEED_TOOL("heif-convert");
    TempDir dir;
    WriteBytes(dir.file("a.png"), AlphaPng(40, 16));
    ASSERT_TRUE(RunTool("heif-enc", "-q 90 " + Q(dir.file("a.png")) + " -o " + Q(dir.file("a.heic")) + " >/dev/null"));
    // heif-convert gives the decoded RGBA; the PNG reader lays it over the colour.
    ASSERT_TRUE(RunTool("heif-convert", Q(dir.file("a.heic")) + " " + Q(dir.file("back.png")) + " >/dev/null"));
    const PaletteEntry back{250, 250, 0, 0};
    EXPECT_EQ(DecodeHeif(ReadBytes(dir.file("a.heic")), {.backgroundColor = back}),
              PngOver(ReadBytes(dir.file("back.png")), back));
}

// A box: 32-bit size, type, body; a full box adds version and flags.
std::string Box(const char* type, const std::string& body) {
    const uint32_t n = uint32_t(8 + body.size());
    return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + type + body;
}
std::string Full(const char* type, const std::string& body) { return Box(type, std::string(4, '\0') + body); }
std::string U16(unsigned v) { return {char(v >> 8), char(v)}; }
std::string U32(uint32_t v) { return U16(v >> 16) + U16(v & 0xffff); }

// One 'grid' item over one HEVC tile, both 64 x 64 by their headers, whose grid
// data claims a canvas of canvasSide squared.
std::vector<uint8_t> GridClaiming(unsigned canvasSide) {
    const std::string gridData = std::string{0, 0, 0, 0} + U16(canvasSide) + U16(canvasSide);
    const std::string tileData = "\0\0\0\0";
    const std::string hvcC = Box("hvcC", std::string{1, 1} + U32(0x60000000) + std::string(6, '\0') +
                                             std::string{90} + U16(0xf000) + std::string{char(0xfc), char(0xfd),
                                             char(0xf8), char(0xf8)} + U16(0) + std::string{0x0f, 0});
    const std::string ispe = Full("ispe", U32(64) + U32(64));
    auto item = [](unsigned id, const char* type) { return Box("infe", std::string{2, 0, 0, 0} + U16(id) + U16(0) + type + std::string(1, '\0')); };
    auto loc = [](unsigned id, uint32_t offset, uint32_t length) { return U16(id) + U16(1) + U16(0) + U16(1) + U32(offset) + U32(length); };
    const std::string meta = Full("meta",
        Full("hdlr", U32(0) + "pict" + std::string(13, '\0')) + Full("pitm", U16(1)) +
        Full("iinf", U16(2) + item(1, "grid") + item(2, "hvc1")) +
        Full("iref", Box("dimg", U16(1) + U16(1) + U16(2))) +
        Box("iloc", std::string{1, 0, 0, 0} + std::string{0x44, 0} + U16(2) + loc(1, 0, 8) + loc(2, 8, 4)) +
        Box("idat", gridData + tileData) +
        Box("iprp", Box("ipco", ispe + hvcC) +
                        Full("ipma", U32(2) + U16(1) + std::string{1, 1} + U16(2) + std::string{2, 1, char(0x82)})));
    const std::string file = Box("ftyp", std::string("heic") + U32(0) + "mif1heic") + meta;
    return std::vector<uint8_t>(file.begin(), file.end());
}

TEST(HeifCodec, GridCanvasHeldToTheHeaderSize) {
    const std::vector<uint8_t> file = GridClaiming(4000);
    EXPECT_EQ(ReadHeifInfo(ByteSpan(file.data(), file.size()), true).width, 64);
    try {
        DecodeHeif(ByteSpan(file.data(), file.size()));
        FAIL() << "a canvas larger than the header was decoded";
    } catch (const ImageFileError& e) {
        EXPECT_NE(std::string(e.what()).find("4000x4000"), std::string::npos) << e.what();
    }
}

TEST(HeifCodec, DamagedFilesAreRefused) {
    VIMBRA_NEED_TOOL("heif-enc");
    TempDir dir;
    WriteBytes(dir.file("in.png"), EncodePng(Scene(32, 24)));
    ASSERT_TRUE(RunTool("heif-enc", "-q 50 " + Q(dir.file("in.png")) + " -o " + Q(dir.file("p.heic")) + " >/dev/null"));
    const std::vector<uint8_t> file = ReadBytes(dir.file("p.heic"));
    ExpectPrefixesRefused(file, file.size(), [](ByteSpan d) { DecodeHeif(d); });
    MutationSmoke(file, 200, [](ByteSpan d) { DecodeHeif(d); });
}

}  // namespace
}  // namespace vimbra
