#include "cli/cli_batch_host.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "batch/interpreter.h"

namespace vimbra::cli {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string Contents(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += char(c);
    return text;
}

TEST(OutputPath, FolderNameAndExtension) {
    EXPECT_EQ(OutputPath("/pics/a.png", "a_n", "", "bmp"), "/pics/a_n.bmp");
    EXPECT_EQ(OutputPath("/pics/a.png", "a_n", "/out", "png"), "/out/a_n.png");
    EXPECT_EQ(OutputPath("/pics/a.png", "a_n", "/out/", "png"), "/out/a_n.png");
    // The suffix may carry the extension already, in any case.
    EXPECT_EQ(OutputPath("/pics/a.png", "a_n.PNG", "", "png"), "/pics/a_n.PNG");
    EXPECT_EQ(OutputPath("/pics/a.png", "a_n.pngx", "", "png"), "/pics/a_n.pngx.png");
    EXPECT_EQ(OutputPath("a.png", "a", "", "tif"), "a.tif");
    EXPECT_EQ(OutputPath("sub/a.png", "a_x", "", "jpg"), "sub/a_x.jpg");
}

// A run of the real interpreter over real (tiny) files with a fake load and save.
class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vimbra-host-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        out = std::tmpfile();
        err = std::tmpfile();
    }
    void TearDown() override {
        std::fclose(out);
        std::fclose(err);
        fs::remove_all(dir);
    }

    std::string file(const std::string& name) {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }

    RunFileIo io() {
        RunFileIo io;
        io.extension = extension;
        io.read = [this](const std::string& path) {
            std::lock_guard lock(mutex);
            loads.push_back(path);
            RunLoad r;
            r.ok = !unreadable.count(path);
            r.message = r.ok ? "" : "Cannot read " + path;
            r.apply = [path](Workspace& w) {
                w.setImage(Bitmap(2, 2, 24));
                w.CurrentFileName = path;
            };
            return r;
        };
        io.save = [this](const RunPicture&, const std::string& path, const WriteTurn& turn) {
            std::lock_guard lock(mutex);
            RunSave r;
            if (turn && !turn()) {
                r.status = RunSave::Status::Skipped;
                return r;
            }
            saves.push_back(path);
            if (interruptOnSave) interrupt = 1;
            r.status = RunSave::Status::Saved;
            if (!statuses.empty()) {
                r.status = statuses.front();
                statuses.pop_front();
            }
            r.path = path;
            r.requiredBytes = 4096;
            r.freeBytes = 1024;
            if (r.status == RunSave::Status::Failed) r.message = "Write failure " + path;
            return r;
        };
        return io;
    }

    // Runs `lines` over `files` (the first loaded) as the CLI does.
    BatchEnd run(const Lines& files, const Lines& lines) {
        std::fclose(out);
        std::fclose(err);
        out = std::tmpfile();
        err = std::tmpfile();
        bookmarks.replace(files, 0);
        CliHostSettings settings;
        settings.outDir = outDir;
        settings.answerYes = answerYes;
        settings.interrupt = &interrupt;
        settings.out = out;
        settings.err = err;
        settings.overlap = overlap;
        host = std::make_unique<CliBatchHost>(ws, bookmarks, lines, io(), settings);
        if (!host->loadFirst(ws)) return BatchEnd::NotRun;
        BatchInterpreter interpreter(ws, bookmarks, *host);
        interpreter.options.stopWhenNextWraps = true;
        const BatchEnd end = interpreter.DoBatchImageProcess();
        host->finish();
        return end;
    }

    std::string dir, outDir, extension = "bmp";
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    volatile std::sig_atomic_t interrupt = 0;
    bool answerYes = false, interruptOnSave = false, overlap = false;
    std::mutex mutex;
    std::set<std::string> unreadable;
    std::deque<RunSave::Status> statuses;
    Lines loads, saves;
    Workspace ws;
    Bookmarks bookmarks;
    std::unique_ptr<CliBatchHost> host;
};

TEST_F(RunFixture, EveryRunEndsAfterEachFileOnce) {
    const Lines files = {file("a.png"), file("b.png"), file("c.png")};
    EXPECT_EQ(run(files, {"SAVE=_n", "NOMODIFYFLAG", "NEXT", "LOOP"}), BatchEnd::ListDone);
    EXPECT_EQ(saves, Lines({dir + "/a_n.bmp", dir + "/b_n.bmp", dir + "/c_n.bmp"}));
    EXPECT_EQ(Contents(out), dir + "/a_n.bmp\n" + dir + "/b_n.bmp\n" + dir + "/c_n.bmp\n");
    EXPECT_FALSE(host->failed());
    EXPECT_EQ(host->savedCount(), 3);

    // LOOP without NEXT: one pass, not an endless one.
    saves.clear();
    EXPECT_EQ(run(files, {"SAVE=_n", "LOOP"}), BatchEnd::Finished);
    EXPECT_EQ(saves.size(), 1u);

    // PREVIOUS never wraps into the end: each file once, backwards.
    saves.clear();
    run(files, {"SAVE=_p", "PREVIOUS", "LOOP"});
    EXPECT_EQ(saves, Lines({dir + "/a_p.bmp", dir + "/c_p.bmp", dir + "/b_p.bmp"}));

    // One file: NEXT has nowhere to go.
    saves.clear();
    EXPECT_EQ(run({files[0]}, {"SAVE=_1", "NEXT", "LOOP"}), BatchEnd::ListDone);
    EXPECT_EQ(saves.size(), 1u);
}

TEST_F(RunFixture, OutputFolderAndFormat) {
    outDir = dir + "/out";
    extension = "png";
    run({file("a.jpg")}, {"SAVE=_x", "SAVE=_y.PNG"});
    EXPECT_EQ(saves, Lines({outDir + "/a_x.png", outDir + "/a_y.PNG"}));
}

TEST_F(RunFixture, NeverReplacesAnInputFile) {
    // Empty suffix, same format, same folder: the source itself.
    const std::string a = file("a.bmp");
    EXPECT_EQ(run({a}, {"SAVE", "SAVE=_later"}), BatchEnd::Aborted);
    EXPECT_TRUE(saves.empty());
    EXPECT_TRUE(host->failed());
    EXPECT_NE(Contents(err).find("would replace the input file " + a), std::string::npos);
    EXPECT_EQ(Contents(out), "");

    // Another input, reached through another spelling.
    run({file("a.png"), dir + "/./a.bmp"}, {"SAVE"});
    EXPECT_TRUE(saves.empty());
    EXPECT_TRUE(host->failed());

    // A suffix that climbs out of the folder.
    run({file("b.png")}, {"SAVE=/../../x"});
    EXPECT_TRUE(saves.empty());
    EXPECT_TRUE(host->failed());
}

TEST_F(RunFixture, AFullDiskEndsTheRun) {
    const Lines files = {file("a.png"), file("b.png"), file("c.png")};
    statuses = {RunSave::Status::DiskFull};
    EXPECT_EQ(run(files, {"SAVE=_n", "NEXT", "LOOP"}), BatchEnd::Aborted);
    EXPECT_EQ(saves.size(), 1u);
    EXPECT_TRUE(host->failed());
    const std::string warning =
        "Insufficient disk space.\nReq.: 4 Kb\nFree: 1 Kb\n\nSave operation failed.";
    EXPECT_NE(Contents(err).find(warning), std::string::npos);
}

TEST_F(RunFixture, StartWarningAnswers) {
    run({file("a.png")}, {});
    EXPECT_EQ(host->ask(MessageKind::Confirmation, "Continue?", ChoiceSet::OkCancelIgnore),
              Choice::Ok);
    EXPECT_EQ(host->ask(MessageKind::Confirmation, "Abort?", ChoiceSet::YesNo), Choice::No);
    answerYes = true;
    run({file("a.png")}, {});
    EXPECT_EQ(host->ask(MessageKind::Confirmation, "Continue?", ChoiceSet::OkCancelIgnore),
              Choice::Cancel);
    EXPECT_EQ(host->ask(MessageKind::Information, "Note", ChoiceSet::Ok), Choice::Ok);
}

TEST_F(RunFixture, InterruptStopsBeforeTheNextLine) {
    const Lines files = {file("a.png"), file("b.png")};
    interruptOnSave = true;
    EXPECT_EQ(run(files, {"SAVE=_n", "SAVE=_m", "NEXT", "LOOP"}), BatchEnd::Aborted);
    EXPECT_EQ(saves.size(), 1u);
    EXPECT_TRUE(host->interrupted());
    EXPECT_TRUE(ws.CancelRequested);
}

TEST_F(RunFixture, DeletingAFileAlreadyGoneFails) {
    const std::string a = file("a.png");
    run({a}, {"DELETE"});
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(host->failed());
    EXPECT_FALSE(host->deleteFile(a));
    EXPECT_TRUE(host->failed());
}

TEST_F(RunFixture, TwoSourcesOneOutputIsReported) {
    outDir = dir;
    run({file("a.png"), file("a.jpg")}, {"SAVE=_n", "NEXT", "LOOP"});
    EXPECT_EQ(saves.size(), 2u);
    EXPECT_NE(Contents(err).find("a_n.bmp replaces the picture saved from " + dir + "/a.png"),
              std::string::npos);
}

// What a run shows and leaves: output, messages, saves written, files left.
struct Outcome {
    std::string out, err;
    Lines saves, left;
    bool failed;
    bool operator==(const Outcome&) const = default;
};

class OverlapFixture : public RunFixture {
protected:
    Outcome runAs(bool overlapOn, const Lines& names, const Lines& lines,
                  std::deque<RunSave::Status> results) {
        overlap = overlapOn;
        statuses = std::move(results);
        saves.clear();
        Lines files;
        for (const std::string& n : names) files.push_back(file(n));
        run(files, lines);
        Outcome o{Contents(out), Contents(err), saves, {}, host->failed()};
        for (const std::string& f : files)
            if (fs::exists(f)) o.left.push_back(f);
        return o;
    }
    // The same run read ahead and written behind, and one thing after the other.
    void expectSame(const Lines& names, const Lines& lines,
                    const std::deque<RunSave::Status>& results = {}) {
        const Outcome plain = runAs(false, names, lines, results);
        const Outcome overlapped = runAs(true, names, lines, results);
        EXPECT_EQ(plain, overlapped) << "plain err: " << plain.err << "\noverlapped err: " << overlapped.err;
    }
};

TEST_F(OverlapFixture, ResultsComeInTheOrderOfAPlainRun) {
    using S = RunSave::Status;
    const Lines abc = {"a.png", "b.png", "c.png"};
    expectSame(abc, {"SAVE=_n", "NEXT", "LOOP"});
    expectSame(abc, {"SAVE=_n", "SAVE=_m", "NEXT", "LOOP"}, {S::Saved, S::Saved, S::Failed});
    // A failed write, a DELETE after it: the source stays, nothing after it runs.
    expectSame(abc, {"SAVE=_n", "DELETE", "NEXT", "LOOP"}, {S::Saved, S::Failed});
    expectSame(abc, {"SAVE=_n", "DELETE", "NEXT", "LOOP"});
    expectSame(abc, {"SAVE=_n", "PROMPT", "NEXT", "LOOP"}, {S::Failed});
    expectSame(abc, {"SAVE=_n", "PROMPT", "NEXT", "LOOP"});
    expectSame(abc, {"SAVE=_n", "NEXT", "LOOP"}, {S::Saved, S::DiskFull});
    // The failure is the last thing that happens.
    expectSame(abc, {"SAVE=_n", "NEXT", "LOOP"}, {S::Saved, S::Saved, S::Failed});
    // Two sources, one output: the warning comes after the first output line.
    outDir = dir;
    expectSame({"x.png", "x.jpg"}, {"SAVE=_n", "NEXT", "LOOP"});
    outDir.clear();
    // An unreadable picture after a failed save: only the save's failure shows.
    unreadable.insert(dir + "/b.png");
    expectSame(abc, {"SAVE=_n", "NEXT", "LOOP"}, {S::Failed});
    expectSame(abc, {"SAVE=_n", "NEXT", "LOOP"});
}

TEST_F(OverlapFixture, AFailedWriteBehindIsReportedBeforeTheDelete) {
    const std::string a = file("a.png");
    overlap = true;
    statuses = {RunSave::Status::Failed};
    EXPECT_EQ(run({a}, {"SAVE=_n", "DELETE", "SAVE=_m"}), BatchEnd::Aborted);
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(host->failed());
    EXPECT_EQ(saves, Lines({dir + "/a_n.bmp"}));
    EXPECT_EQ(Contents(err), "Write failure " + dir + "/a_n.bmp\n");
    EXPECT_EQ(Contents(out), "");
}

TEST_F(OverlapFixture, TheNextPictureIsReadAheadOnce) {
    overlap = true;
    const Lines files = {file("a.png"), file("b.png"), file("c.png")};
    run(files, {"SAVE=_n", "NEXT", "LOOP"});
    EXPECT_EQ(loads, files);
    EXPECT_EQ(Contents(out), dir + "/a_n.bmp\n" + dir + "/b_n.bmp\n" + dir + "/c_n.bmp\n");
    // RELOAD reads the current file again and leaves the one ahead alone:
    // each file is read twice (the order of a read ahead is its own).
    loads.clear();
    run(files, {"RELOAD", "NEXT", "LOOP"});
    std::sort(loads.begin(), loads.end());
    EXPECT_EQ(loads, Lines({files[0], files[0], files[1], files[1], files[2], files[2]}));
}

TEST(CliFrameHost, PrintsInsteadOfCollecting) {
    std::FILE* err = std::tmpfile();
    CliFrameHost host(err);
    EXPECT_EQ(host.Ask(MessageKind::Error, "Bad.\n", Buttons::Ok), Answer::Yes);
    host.defaultAnswer = Answer::No;
    EXPECT_EQ(host.Ask(MessageKind::Confirmation, "Go?", Buttons::YesNo), Answer::No);
    EXPECT_EQ(Contents(err), "Bad.\nGo? [no]\n");
    EXPECT_TRUE(host.messages.empty());
    std::fclose(err);
}

}  // namespace
}  // namespace vimbra::cli
