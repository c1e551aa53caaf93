#include "cli/cli_args.h"

#include <gtest/gtest.h>

namespace vimbra::cli {
namespace {

CliArgs ParseOk(std::vector<std::string> argv) {
    ParseResult r = ParseArgs(argv);
    EXPECT_TRUE(r.ok()) << r.error;
    return r.args;
}

// Expects a usage error whose text mentions `needle`.
void ExpectError(std::vector<std::string> argv, std::string_view needle) {
    ParseResult r = ParseArgs(argv);
    ASSERT_FALSE(r.ok()) << "accepted: " << ::testing::PrintToString(argv);
    EXPECT_NE(r.error.find(needle), std::string::npos) << r.error;
}

TEST(CliArgs, HelpAndVersion) {
    EXPECT_EQ(ParseOk({"--help"}).command, Command::Help);
    EXPECT_EQ(ParseOk({"-h"}).command, Command::Help);
    // Help after a command wins over its missing arguments.
    EXPECT_EQ(ParseOk({"convert", "--help"}).command, Command::Help);
    EXPECT_EQ(ParseOk({"run", "-e", "SAVE", "-h"}).command, Command::Help);
    EXPECT_EQ(ParseOk({"--version"}).command, Command::Version);
    ExpectError({"--version", "x"}, "'x'");
    // As the value of -e, "--help" is a script line, not a request for help.
    CliArgs a = ParseOk({"run", "-e", "--help", "a.jpg"});
    EXPECT_EQ(a.command, Command::Run);
    EXPECT_EQ(a.lines, std::vector<std::string>{"--help"});
    // After "--" it is a file name.
    EXPECT_EQ(ParseOk({"info", "--", "--help"}).input, "--help");
}

TEST(CliArgs, CommandErrors) {
    ExpectError({}, "no command");
    ExpectError({"frobnicate"}, "unknown command 'frobnicate'");
    ExpectError({"--frob"}, "unknown option '--frob'");
    ExpectError({"Run", "s.bip", "a.jpg"}, "unknown command");  // names are case-sensitive
}

TEST(CliArgs, RunScriptLinesAndFiles) {
    CliArgs a = ParseOk({"run", "s.bip", "a.jpg", "b.png"});
    EXPECT_EQ(a.command, Command::Run);
    EXPECT_EQ(a.script, "s.bip");
    EXPECT_EQ(a.files, (std::vector<std::string>{"a.jpg", "b.png"}));
    EXPECT_EQ(a.format, kFormatBmp);
    EXPECT_FALSE(a.quality);
    EXPECT_FALSE(a.answerYes);
    EXPECT_TRUE(a.outDir.empty());

    // -e lines keep their order, wherever they stand among the files.
    a = ParseOk({"run", "-e", "GAMMA 120", "a.jpg", "-e", "SAVE _x", "b.jpg", "-e", "NEXT"});
    EXPECT_TRUE(a.script.empty());
    EXPECT_EQ(a.lines, (std::vector<std::string>{"GAMMA 120", "SAVE _x", "NEXT"}));
    EXPECT_EQ(a.files, (std::vector<std::string>{"a.jpg", "b.jpg"}));

    // With -e lines, a first file is the script only when it ends in .bip.
    a = ParseOk({"run", "S.BIP", "-e", "SAVE", "a.jpg"});
    EXPECT_EQ(a.script, "S.BIP");
    EXPECT_EQ(a.files, std::vector<std::string>{"a.jpg"});
    a = ParseOk({"run", "-e", "SAVE", "script.txt", "a.jpg"});
    EXPECT_TRUE(a.script.empty());
    EXPECT_EQ(a.files, (std::vector<std::string>{"script.txt", "a.jpg"}));
    // Without them the first is always the script.
    EXPECT_EQ(ParseOk({"run", "script.txt", "a.jpg"}).script, "script.txt");

    // An empty -e line is a blank script line, and a lone "-" is a file name.
    a = ParseOk({"run", "-e", "", "-"});
    EXPECT_EQ(a.lines, std::vector<std::string>{""});
    EXPECT_EQ(a.files, std::vector<std::string>{"-"});
}

TEST(CliArgs, RunMissingPieces) {
    ExpectError({"run"}, "no script");
    ExpectError({"run", "s.bip"}, "no files");
    ExpectError({"run", "-e", "SAVE"}, "no files");
    ExpectError({"run", "-e", "SAVE", "s.bip"}, "no files");
    ExpectError({"run", "s.bip", "-e"}, "'-e' needs a value");
    ExpectError({"run", "s.bip", "a.jpg", "-o"}, "'-o' needs a value");
    ExpectError({"run", "s.bip", "a.jpg", "-o", ""}, "'-o'");
    ExpectError({"run", "s.bip", "a.jpg", "--format"}, "'--format' needs a value");
    ExpectError({"run", "s.bip", "a.jpg", "--quality"}, "'--quality' needs a value");
    ExpectError({"run", "s.bip", "a.jpg", "--answer"}, "'--answer' needs a value");
    ExpectError({"run", "s.bip", ""}, "empty file name");
}

TEST(CliArgs, RunOptionsAnywhere) {
    CliArgs a = ParseOk({"run", "a.bip", "x.jpg", "-o", "out", "--format", "png", "--quality",
                         "75", "--answer", "yes", "y.jpg"});
    EXPECT_EQ(a.outDir, "out");
    EXPECT_EQ(a.format, 3);
    EXPECT_EQ(a.quality, 75);
    EXPECT_TRUE(a.answerYes);
    EXPECT_EQ(a.files, (std::vector<std::string>{"x.jpg", "y.jpg"}));

    // --name=value form, and a later option overriding an earlier one.
    a = ParseOk({"run", "--format=tif-g4", "--answer=yes", "--answer", "no", "--quality=1",
                 "--quality", "100", "a.bip", "x.jpg"});
    EXPECT_EQ(a.format, 11);
    EXPECT_FALSE(a.answerYes);
    EXPECT_EQ(a.quality, 100);

    // -o takes the next word even when it looks like an option.
    EXPECT_EQ(ParseOk({"run", "a.bip", "x.jpg", "-o", "-dir"}).outDir, "-dir");
}

TEST(CliArgs, DoubleDashEndsOptions) {
    CliArgs a = ParseOk({"run", "a.bip", "--", "-o", "--format", "-e"});
    EXPECT_EQ(a.files, (std::vector<std::string>{"-o", "--format", "-e"}));
    EXPECT_TRUE(a.outDir.empty());
    // A second "--" is a file name.
    a = ParseOk({"run", "a.bip", "--", "--"});
    EXPECT_EQ(a.files, std::vector<std::string>{"--"});
}

TEST(CliArgs, UnknownAndMisplacedOptions) {
    ExpectError({"run", "a.bip", "x.jpg", "--bogus"}, "unknown option '--bogus'");
    ExpectError({"run", "a.bip", "x.jpg", "-x"}, "unknown option '-x'");
    ExpectError({"run", "a.bip", "x.jpg", "-eSAVE"}, "unknown option '-eSAVE'");
    ExpectError({"run", "a.bip", "x.jpg", "--complexity"}, "unknown option");
    ExpectError({"convert", "a.png", "b.bmp", "-o", "d"}, "unknown option '-o'");
    ExpectError({"convert", "a.png", "b.bmp", "--answer", "yes"}, "unknown option");
    ExpectError({"info", "a.png", "--format", "png"}, "unknown option '--format'");
    ExpectError({"analyze", "a.png", "--complexity=1"}, "takes no value");
    ExpectError({"analyze", "a.png", "--Complexity"}, "unknown option");
}

TEST(CliArgs, OptionValuesChecked) {
    ExpectError({"run", "a.bip", "x.jpg", "--answer", "maybe"}, "yes or no");
    ExpectError({"run", "a.bip", "x.jpg", "--answer", "YES"}, "yes or no");
    for (const char* q : {"0", "101", "-5", "+5", " 5", "5 ", "7.5", "abc", "", "0x10",
                          "99999999999999999999999"})
        ExpectError({"run", "a.bip", "x.jpg", "--quality", q}, "quality");
    EXPECT_EQ(ParseOk({"convert", "a.png", "b.jpg", "--quality", "1"}).quality, 1);
    EXPECT_EQ(ParseOk({"convert", "a.png", "b.jpg", "--quality", "007"}).quality, 7);
    for (const char* f : {"0", "19", "-1", "jpeg", "tiff", "tif-lzw", "", "bmp ", "5x", "webp-lossy", "heic"})
        ExpectError({"run", "a.bip", "x.jpg", "--format", f}, "unknown format");
}

TEST(CliArgs, FormatNamesAndNumbers) {
    const char* names[] = {"bmp", "pcx",         "png",               "jpg-gray",
                           "jpg", "tga",         "tif",               "tif-deflate",
                           "tif-adobe-deflate",  "tif-g3",            "tif-g4",
                           "tif-packbits", "webp",            "webp-lossless",
                           "avif",              "avif-lossless",   "jxl",
                           "jxl-lossless"};
    for (int i = 1; i <= kFormatCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FormatFromName(names[i - 1]), i);
        EXPECT_EQ(FormatFromName(std::to_string(i)), i);
        EXPECT_EQ(FormatName(i), names[i - 1]);
    }
    EXPECT_EQ(FormatFromName("JPG-Gray"), 4);
    EXPECT_EQ(FormatName(0), "");
    EXPECT_EQ(FormatName(19), "");
    EXPECT_EQ(FormatFromName("AVIF-Lossless"), 16);
    EXPECT_EQ(ParseOk({"run", "--format", "12", "a.bip", "x.jpg"}).format, 12);
}

TEST(CliArgs, FormatFromExtension) {
    EXPECT_EQ(FormatFromExtension("a.jpg"), kFormatJpeg);
    EXPECT_EQ(FormatFromExtension("a.JPEG"), kFormatJpeg);
    EXPECT_EQ(FormatFromExtension("dir/a.Tif"), kFormatTiff);
    EXPECT_EQ(FormatFromExtension("a.tiff"), kFormatTiff);
    EXPECT_EQ(FormatFromExtension("a.BMP"), 1);
    EXPECT_EQ(FormatFromExtension("a.pcx"), 2);
    EXPECT_EQ(FormatFromExtension("a.png"), 3);
    EXPECT_EQ(FormatFromExtension("a.tga"), 6);
    EXPECT_EQ(FormatFromExtension("archive.png.tga"), 6);  // last extension only
    // The newer formats' extensions mean their lossy variants.
    EXPECT_EQ(FormatFromExtension("a.webp"), 13);
    EXPECT_EQ(FormatFromExtension("a.AVIF"), 15);
    EXPECT_EQ(FormatFromExtension("a.jxl"), 17);
    EXPECT_FALSE(FormatFromExtension("a.heic"));  // read, not written
    // Whole extensions only, and never taken from a folder or a dot-file's name.
    for (const char* name : {"a.jpgx", "a.jp", "a", "a.", "png", ".png", "d.png/out",
                             "d.jpg/", "a.gif", "a.tif.bak"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(FormatFromExtension(name));
    }
}

TEST(CliArgs, Convert) {
    CliArgs a = ParseOk({"convert", "in.png", "out.JPG"});
    EXPECT_EQ(a.command, Command::Convert);
    EXPECT_EQ(a.input, "in.png");
    EXPECT_EQ(a.output, "out.JPG");
    EXPECT_EQ(a.format, kFormatJpeg);
    EXPECT_EQ(ParseOk({"convert", "in.png", "out.tif"}).format, kFormatTiff);
    // An explicit format wins over the extension, and lifts the need for one.
    EXPECT_EQ(ParseOk({"convert", "--format", "jpg-gray", "in.png", "out.jpg"}).format, 4);
    EXPECT_EQ(ParseOk({"convert", "in.png", "out.dat", "--format", "tif-g3"}).format, 10);
    ExpectError({"convert", "in.png", "out.dat"}, "give --format");
    ExpectError({"convert", "in.png", "out"}, "give --format");
    ExpectError({"convert"}, "input and an output");
    ExpectError({"convert", "in.png"}, "input and an output");
    ExpectError({"convert", "in.png", "out.png", "more.png"}, "unexpected argument 'more.png'");
    ExpectError({"convert", "", "out.png"}, "empty file name");
}

TEST(CliArgs, MetadataFlags) {
    CliArgs plain = ParseOk({"convert", "a.jpg", "b.png"});
    EXPECT_FALSE(plain.stripMetadata);
    EXPECT_FALSE(plain.keepOrientation);
    CliArgs c = ParseOk({"convert", "--strip-metadata", "a.jpg", "b.png", "--keep-orientation"});
    EXPECT_TRUE(c.stripMetadata);
    EXPECT_TRUE(c.keepOrientation);
    CliArgs r = ParseOk({"run", "-e", "SAVE", "a.jpg", "--strip-metadata"});
    EXPECT_TRUE(r.stripMetadata);
    EXPECT_FALSE(r.keepOrientation);
    ExpectError({"convert", "a.jpg", "b.png", "--strip-metadata=yes"}, "takes no value");
    ExpectError({"info", "a.jpg", "--strip-metadata"}, "unknown option '--strip-metadata'");
}

TEST(CliArgs, ConvertPageSize) {
    CliArgs a = ParseOk({"convert", "page.RTF", "out.png", "--size", "640X400"});
    EXPECT_EQ(a.pageWidth, 640);
    EXPECT_EQ(a.pageHeight, 400);
    a = ParseOk({"convert", "note.txt", "out.png", "--size=1x8192"});
    EXPECT_EQ(a.pageWidth, 1);
    EXPECT_EQ(a.pageHeight, 8192);
    EXPECT_EQ(ParseOk({"convert", "note.txt", "out.png"}).pageWidth, 0);
    for (const char* bad : {"0x10", "10x0", "8193x10", "640", "x400", "640x", "-5x5", "6 40x400", "640x400x2",
                            "99999999999999999999x1"})
        ExpectError({"convert", "note.txt", "out.png", "--size", bad}, "WxH");
    ExpectError({"convert", "in.png", "out.png", "--size", "640x400"}, "text pages");
    EXPECT_TRUE(IsTextPageFile("a/b.Txt"));
    EXPECT_FALSE(IsTextPageFile("rtf"));
    EXPECT_FALSE(IsTextPageFile("a.txt.png"));
}

TEST(CliArgs, InfoAndAnalyze) {
    CliArgs a = ParseOk({"info", "a.png"});
    EXPECT_EQ(a.command, Command::Info);
    EXPECT_EQ(a.input, "a.png");
    a = ParseOk({"analyze", "a.png"});
    EXPECT_EQ(a.command, Command::Analyze);
    EXPECT_FALSE(a.complexity);
    a = ParseOk({"analyze", "--complexity", "a.png"});
    EXPECT_TRUE(a.complexity);
    EXPECT_EQ(a.input, "a.png");
    ExpectError({"info"}, "no file");
    ExpectError({"analyze", "--complexity"}, "no file");
    ExpectError({"info", "a.png", "b.png"}, "unexpected argument 'b.png'");
    a = ParseOk({"analyze", "a.png", "b.png"});  // the compare form
    EXPECT_EQ(a.input, "a.png");
    EXPECT_EQ(a.output, "b.png");
    ExpectError({"analyze", "a.png", "b.png", "c.png"}, "unexpected argument 'c.png'");
}

TEST(CliArgs, UsageMentionsEveryCommandAndFormat) {
    const std::string usage = UsageText();
    for (const char* word : {"run", "convert", "info", "analyze", "--complexity", "--answer",
                             "tif-adobe-deflate", "tif-packbits", "jpg-gray", "jpeg",
                             "batch-convert", "rename", "--overwrite-bak"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(CliArgs, PrintAndUnzip) {
    CliArgs a = ParseOk({"print", "a.jpg", "--pdf", "out.pdf"});
    EXPECT_EQ(a.command, Command::Print);
    EXPECT_EQ(a.input, "a.jpg");
    EXPECT_EQ(a.pdf, "out.pdf");
    ExpectError({"print", "a.jpg"}, "give --pdf");
    ExpectError({"print", "--pdf", "o.pdf"}, "no file");
    ExpectError({"print", "a.jpg", "b.jpg", "--pdf", "o.pdf"}, "'b.jpg'");

    a = ParseOk({"unzip", "x.zip", "Y.ZIP", "-o", "Out", "--overwrite"});
    EXPECT_EQ(a.command, Command::Unzip);
    EXPECT_EQ(a.files, (std::vector<std::string>{"x.zip", "Y.ZIP"}));
    EXPECT_EQ(a.outDir, "Out");
    EXPECT_TRUE(a.overwrite);
    EXPECT_FALSE(ParseOk({"unzip", "x.zip", "-o", "d"}).overwrite);
    ExpectError({"unzip", "x.zip"}, "give -o");
    ExpectError({"unzip", "-o", "d"}, "no archive");
    ExpectError({"unzip", "x.zip", "-o", "d", "--overwrite=yes"}, "takes no value");
}

TEST(CliArgs, Thumbnails) {
    CliArgs a = ParseOk({"thumbnails", "a.jpg", "Pictures", "--size", "large"});
    EXPECT_EQ(a.command, Command::Thumbnails);
    EXPECT_EQ(a.files, (std::vector<std::string>{"a.jpg", "Pictures"}));
    EXPECT_TRUE(a.largeThumbnails);
    EXPECT_FALSE(ParseOk({"thumbnails", "--size=normal", "a.jpg"}).largeThumbnails);
    EXPECT_FALSE(ParseOk({"thumbnails", "a.jpg"}).largeThumbnails);
    ExpectError({"thumbnails"}, "no file or folder");
    ExpectError({"thumbnails", "a.jpg", "--size", "128x128"}, "normal or large, not '128x128'");
    ExpectError({"thumbnails", "a.jpg", "--format", "png"}, "unknown option '--format'");
    // convert keeps its own --size.
    EXPECT_EQ(ParseOk({"convert", "a.txt", "b.png", "--size", "40x30"}).pageWidth, 40);
}

}  // namespace
}  // namespace vimbra::cli
