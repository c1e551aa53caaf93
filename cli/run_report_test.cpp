#include "cli/run_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vimbra::cli {
namespace {

TEST(RunReport, JsonStringEscapesControlsAndCarriesStrayBytes) {
    EXPECT_EQ(JsonString(""), "\"\"");
    EXPECT_EQ(JsonString("a\"b\\c/d"), "\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(JsonString("\n\t\r\b\x01\x1f\x7f"), "\"\\n\\t\\r\\u0008\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(JsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
    // Valid UTF-8 of every length stays as it is.
    EXPECT_EQ(JsonString("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"");
    // Latin-1, overlong forms, surrogates, past U+10FFFF, cut short.
    EXPECT_EQ(JsonString("caf\xe9.png"), "\"caf\\udce9.png\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\udcc0\\udcaf\"");
    EXPECT_EQ(JsonString("\xe0\x80\xaf"), "\"\\udce0\\udc80\\udcaf\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\udced\\udca0\\udc80\"");
    EXPECT_EQ(JsonString("\xf4\x90\x80\x80"), "\"\\udcf4\\udc90\\udc80\\udc80\"");
    EXPECT_EQ(JsonString("x\xe2\x82"), "\"x\\udce2\\udc82\"");
    EXPECT_EQ(JsonString("\xff\x41"), "\"\\udcffA\"");
}

TEST(RunReport, LineHasEveryFieldInOrder) {
    EntryRecord r;
    r.input = "in/a.jpg";
    r.outputs = {"out/a_1.jpg", "out/a_2.jpg"};
    r.milliseconds = 1234;
    EXPECT_EQ(ReportLine(r),
              "{\"input\": \"in/a.jpg\", \"outputs\": [\"out/a_1.jpg\", \"out/a_2.jpg\"], "
              "\"status\": \"ok\", \"message\": \"\", \"milliseconds\": 1234}");
    r.outputs.clear();
    r.status = EntryRecord::Status::Failed;
    r.message = "Not a JPEG file\nstopped";
    EXPECT_EQ(ReportLine(r),
              "{\"input\": \"in/a.jpg\", \"outputs\": [], \"status\": \"failed\", "
              "\"message\": \"Not a JPEG file\\nstopped\", \"milliseconds\": 1234}");
    r.status = EntryRecord::Status::Skipped;
    EXPECT_NE(ReportLine(r).find("\"status\": \"skipped\""), std::string::npos);
}

TEST(RunReport, ProgressText) {
    EXPECT_EQ(ProgressLine::Text(0, 20, 0), "0/20");
    EXPECT_EQ(ProgressLine::Text(7, 20, 3.5), "7/20  2.0 pictures/s  0:07 left");
    EXPECT_EQ(ProgressLine::Text(1, 4000, 2), "1/4000  0.5 pictures/s  2:13:18 left");
    EXPECT_EQ(ProgressLine::Text(30, 100, 1), "30/100  30 pictures/s  0:02 left");
    EXPECT_EQ(ProgressLine::Text(20, 20, 10), "20/20  2.0 pictures/s");
}

TEST(RunReport, ReporterAppendsOneLinePerEntryAndFillsTheRest) {
    const auto path = std::filesystem::temp_directory_path() / "vimbra_report_test.jsonl";
    {
        std::ofstream(path) << "{\"earlier\": 1}\n";
    }
    ProgressLine progress(3, false);
    {
        RunReporter reporter(3, progress);
        std::string error;
        ASSERT_TRUE(reporter.open(path.string(), error)) << error;
        reporter.done(1, "{\"b\": 1}");
        reporter.done(1, "{\"b\": 2}");  // once per entry
        reporter.skipRest({"a.png", "b.png", "c\".png"});
    }
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string skipped =
        "\"outputs\": [], \"status\": \"skipped\", \"message\": \"Not reached: the run ended "
        "before it.\", \"milliseconds\": 0}\n";
    EXPECT_EQ(text, "{\"earlier\": 1}\n{\"b\": 1}\n{\"input\": \"a.png\", " + skipped +
                        "{\"input\": \"c\\\".png\", " + skipped);
    std::filesystem::remove(path);

    RunReporter nowhere(1, progress);
    std::string error;
    EXPECT_FALSE(nowhere.open("/nonexistent-folder/r.jsonl", error));
    EXPECT_EQ(error, "Cannot write the report /nonexistent-folder/r.jsonl: No such file or directory.");
}

}  // namespace
}  // namespace vimbra::cli
