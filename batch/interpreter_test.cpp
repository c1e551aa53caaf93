#include "batch/interpreter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>

#include "commands/registry.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr const char* kTraceTail = "\n\nAbort batch processing?";

Bitmap Filled(int w, int h, uint8_t v, int depth = 24) {
    Bitmap b(w, h, depth);
    if (depth != 24) {
        b.palette().assign(size_t(1) << depth, PaletteEntry{v, v, v, 0});
        return b;
    }
    for (int y = 0; y < h; ++y) std::fill_n(b.scanLine(y), w * 3, v);
    return b;
}

// Operations repaint through the frame host; logged to see the order of a
// command and its trace question.
struct LoggingFrame : FrameHost {
    std::vector<std::string>* log = nullptr;
    void RefreshView(Workspace&) override {
        if (log->empty() || log->back() != "op-refresh") log->push_back("op-refresh");
    }
};

struct FakeHost : BatchHost {
    Lines script;
    std::function<void(Workspace&, int)> onEvents;  // (ws, event number)
    std::map<std::string, Bitmap> pictures;
    std::deque<Choice> answers;  // then No (Ok for messages)
    std::deque<BatchSaveResult> saveResults;  // then Completed
    std::string folder = "/out";
    bool bmp = false;

    std::vector<std::string> log, questions, deleted, paths;
    std::vector<SaveRequest> saves;
    std::vector<int> sleeps;
    int passes = 0, events = 0, undoDepth = 0, undoForgotten = 0;

    Lines scriptLines() override { ++passes; return script; }
    Choice ask(MessageKind, std::string_view text, ChoiceSet set) override {
        questions.emplace_back(text);
        log.push_back("ask:" + std::string(text));
        if (set == ChoiceSet::Ok) return Choice::Ok;
        if (answers.empty()) return Choice::No;
        const Choice c = answers.front();
        answers.pop_front();
        return c;
    }
    bool loadFile(Workspace& ws, const std::string& path, LoadReason) override {
        log.push_back("load:" + fs::path(path).filename().string());
        const auto it = pictures.find(path);
        if (it == pictures.end()) return false;
        ws.setImage(it->second);
        ws.CurrentFileName = path;
        return true;
    }
    BatchSaveResult save(Workspace&, const SaveRequest& r) override {
        saves.push_back(r);
        BatchSaveResult res;
        if (!saveResults.empty()) res = saveResults.front(), saveResults.pop_front();
        return res;
    }
    std::string lastSaveFolder() const override { return folder; }
    bool lastSaveTypeIsBmp() const override { return bmp; }
    bool deleteFile(const std::string& path) override { deleted.push_back(path); return true; }
    void processEvents(Workspace& ws) override {
        ++events;
        if (onEvents) onEvents(ws, events);
        if (events % 100000 == 0) {  // a run that never ends fails instead of hanging
            ADD_FAILURE() << "run does not end";
            ws.CancelRequested = true;
        }
    }
    void sleepMs(int ms) override { sleeps.push_back(ms); }
    void refreshView(Workspace&) override { log.push_back("refresh"); }
    void updateCaption(Workspace&) override { log.push_back("caption"); }
    void showPath(const std::string& p) override { paths.push_back(fs::path(p).filename().string()); }
    void forgetUndo(Workspace&) override { ++undoForgotten; }
    void setUndoBitDepth(Workspace&, int d) override { undoDepth = d; }
};

class Interp : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vimbra-interp-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        frame_.log = &host_.log;
        ws_.setHost(frame_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Real files (navigation checks they exist), pictures served by the host.
    std::string file(const std::string& name, uint8_t value = 100) {
        const std::string p = (dir_ / name).string();
        std::ofstream(p) << "x";
        host_.pictures[p] = Filled(4, 2, value);
        return p;
    }
    void bookmark(const Lines& names, size_t current = 0) {
        Lines paths;
        for (size_t i = 0; i < names.size(); ++i) paths.push_back(file(names[i], uint8_t(50 + 10 * i)));
        bm_.replace(paths, int32_t(current));
        ASSERT_TRUE(host_.loadFile(ws_, paths[current], LoadReason::Navigate));
        host_.log.clear();
    }
    BatchEnd run(Lines script) {
        host_.script = std::move(script);
        return interp_.DoBatchImageProcess();
    }
    Lines saveSources() const {
        Lines out;
        for (const auto& s : host_.saves) out.push_back(fs::path(s.sourceFile).filename().string());
        return out;
    }

    fs::path dir_;
    LoggingFrame frame_;
    Workspace ws_;
    Bookmarks bm_;
    FakeHost host_;
    BatchInterpreter interp_{ws_, bm_, host_};
};

TEST_F(Interp, LoopOverBookmarksUntilCancelledBeforeTheNextLine) {
    bookmark({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    host_.bmp = true;
    // Esc arrives while the 7th SAVE runs; no line may follow it.
    host_.onEvents = [&](Workspace& ws, int) {
        EXPECT_TRUE(ws.BatchRunning);
        if (host_.saves.size() == 7) ws.CancelRequested = true;
    };
    EXPECT_EQ(run({"NORMALIZE", "SAVE=_n", "NOMODIFYFLAG", "NEXT", "LOOP"}), BatchEnd::Aborted);
    EXPECT_EQ(saveSources(), (Lines{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "a.jpg", "b.jpg"}));
    EXPECT_EQ(host_.passes, 7);
    EXPECT_EQ(ws_.CurrentFileName, bm_[1]);
    EXPECT_FALSE(host_.saves[0].silent);  // no save yet in this program run
    EXPECT_TRUE(host_.saves[1].silent);
    EXPECT_EQ(host_.saves[1].silentPath, "/out/b_n.bmp");
    EXPECT_FALSE(interp_.saveMarker());
    EXPECT_FALSE(interp_.BatchLoop());
    EXPECT_FALSE(ws_.BatchRunning);

    // Esc during the last line ends the run instead of starting a new pass.
    host_.passes = 0;
    host_.onEvents = [&](Workspace& ws, int n) { ws.StopRequested = n == 4; };
    host_.events = 0;
    EXPECT_EQ(run({"SHIFT=1,1,1", "SHIFT=1,1,1", "LOOP"}), BatchEnd::Aborted);
    EXPECT_EQ(host_.passes, 1);
}

TEST_F(Interp, PixelLoopStaysStoppableAndAnEmptiedScriptEndsIt) {
    ws_.setImage(Filled(2, 2, 1));
    host_.onEvents = [](Workspace& ws, int n) { ws.CancelRequested = n == 1000; };
    EXPECT_EQ(run({"SHIFT=1,1,1", "LOOP"}), BatchEnd::Aborted);
    EXPECT_EQ(host_.events, 1000);

    host_.passes = 0;
    host_.onEvents = [&](Workspace&, int) { host_.script.clear(); };
    EXPECT_EQ(run({"LOOP"}), BatchEnd::Finished);
    EXPECT_EQ(host_.passes, 2);
}

TEST_F(Interp, TraceAsksAtThePromptPointOfTheTable) {
    bookmark({"a.jpg", "b.jpg"});
    const Bitmap before = ws_.Image;
    host_.answers = {Choice::Yes};
    EXPECT_EQ(run({"TRACE", "GAMMA=200,200,200"}), BatchEnd::Aborted);
    EXPECT_EQ(host_.log, (Lines{"refresh", std::string("ask:GAMMA") + kTraceTail}));
    EXPECT_EQ(ws_.Image, before);

    // Group F runs first, then the question; later groups the other way round.
    host_.log.clear();
    run({"TRACE", "NEXT", "zero", ">CONFORM_RED=120,40", "PROMPT"});
    EXPECT_EQ(host_.log, (Lines{"load:b.jpg", "refresh", std::string("ask:NEXT") + kTraceTail,
                                "refresh", std::string("ask:ZERO") + kTraceTail, "op-refresh",
                                "refresh", std::string("ask:>CONFORM_RED") + kTraceTail,
                                "refresh", std::string("ask:PROMPT") + kTraceTail}));

    // A group B/E command has changed the picture by the time it is asked about.
    // Greys 100..115, a hundred pixels each: enough for the histogram end points.
    Bitmap low(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            for (int c = 0; c < 3; ++c) low.scanLine(y)[3 * x + c] = uint8_t(100 + (y * 40 + x) % 16);
    for (const char* keyword : {"NORMALIZE", "AUTO_CONTRAST"}) {
        ws_.setImage(low);
        host_.questions.clear();
        host_.answers = {Choice::Yes};
        run({"TRACE", keyword});
        EXPECT_EQ(host_.questions, (Lines{std::string(keyword) + kTraceTail}));
        if (FindBipCommand(keyword)->run != nullptr) {
            EXPECT_NE(ws_.Image, low) << keyword;
        }
    }
}

TEST_F(Interp, PromptsAndYesEndsALoopingRun) {
    ws_.CurrentFileName = "/pics/album/img2.jpg";
    const Lines prompts = {"PROMPT", "PROMPTSTRING=Go on?", "PROMPT_NOT_FILESTRING=zzz",
                           "PROMPT_HAS_FILESTRING=ALBUM"};
    const Lines texts = {"\nAbort batch processing?", "Go on?\nAbort batch processing?",
                         "img2.jpg does not contain \"zzz\"\nAbort?", "img2.jpg contains \"ALBUM\"\nAbort?"};
    for (size_t i = 0; i < prompts.size(); ++i) {
        host_.questions.clear();
        host_.passes = 0;
        host_.answers = {Choice::No, Choice::No, Choice::Yes};
        interp_.setSaveMarker(true);
        EXPECT_EQ(run({prompts[i], "LOOP"}), BatchEnd::Aborted);
        EXPECT_EQ(host_.passes, 3);
        EXPECT_EQ(host_.questions, Lines(3, texts[i]));
        EXPECT_FALSE(interp_.saveMarker());
    }
}

TEST_F(Interp, FileStringPromptsIgnoreCaseAndTreatEmptyAsNeverFound) {
    auto asks = [&](const std::string& file, const std::string& line) {
        ws_.CurrentFileName = "/p/" + file;
        host_.questions.clear();
        run({line});
        return host_.questions;
    };
    EXPECT_EQ(asks("img_LAST.jpg", "PROMPT_NOT_FILESTRING=_last"), Lines{});
    EXPECT_EQ(asks("img2.jpg", "PROMPT_NOT_FILESTRING=_last"),
              Lines{"img2.jpg does not contain \"_last\"\nAbort?"});
    EXPECT_EQ(asks("img_LAST.jpg", "PROMPT_HAS_FILESTRING=_last"),
              Lines{"img_LAST.jpg contains \"_last\"\nAbort?"});
    EXPECT_EQ(asks("img2.jpg", "PROMPT_NOT_FILESTRING="), Lines{"img2.jpg does not contain \"\"\nAbort?"});
    EXPECT_EQ(asks("img2.jpg", "PROMPT_HAS_FILESTRING="), Lines{});
}

TEST_F(Interp, SaveSuffixesAndTheSaveMarker) {
    ws_.CurrentFileName = "/p/photo.jpg";
    ws_.Modified = true;
    run({"SAVE=_x"});
    ASSERT_EQ(host_.saves.size(), 1u);
    EXPECT_EQ(host_.saves[0].suggestedName, "photo_x");
    EXPECT_FALSE(host_.saves[0].silent);
    EXPECT_FALSE(ws_.Modified);
    EXPECT_TRUE(interp_.saveMarker());

    // The user chose BMP: the next files go out without a dialog, across runs.
    host_.bmp = true;
    ws_.CurrentFileName = "/p/next.tif";
    host_.saves.clear();
    run({"SAVE=_x", "SAVE", "SAVE=", "Save=_Small", "SAVE=_y.BMP", "SAVE=_z"});
    const auto& s = host_.saves;
    ASSERT_EQ(s.size(), 6u);
    EXPECT_TRUE(s[0].silent);
    EXPECT_EQ(s[0].silentPath, "/out/next_x.bmp");
    for (int i : {1, 2}) EXPECT_FALSE(s[i].silent) << i;  // no suffix: always the dialog
    EXPECT_EQ(s[1].suggestedName, "next");
    EXPECT_EQ(s[3].silentPath, "/out/next_Small.bmp");
    EXPECT_EQ(s[4].silentPath, "/out/next_y.BMP");

    // Cancelling clears the marker (the dialog comes back), a failure keeps it.
    host_.saves.clear();
    ws_.Modified = true;
    host_.saveResults = {{SaveOutcome::Cancelled}, {}, {SaveOutcome::Failed}};
    run({"SAVE=_a", "SAVE=_b", "SAVE=_c", "SAVE=_d"});
    EXPECT_FALSE(s[1].silent);
    EXPECT_TRUE(s[3].silent);
    EXPECT_FALSE(ws_.Modified);

    host_.bmp = false;
    run({"SAVE=_e"});
    EXPECT_FALSE(host_.saves.back().silent);
}

TEST_F(Interp, SilentSaveNeverTargetsTheSourceFile) {
    const std::string src = file("pic.bmp");
    fs::create_directory_symlink(dir_, dir_ / "link");
    ws_.CurrentFileName = src;
    interp_.setSaveMarker(true);
    host_.bmp = true;
    for (const std::string& folder : {dir_.string(), (dir_ / "link/").string()}) {
        host_.folder = folder;
        run({"SAVE=.bmp"});
        EXPECT_FALSE(host_.saves.back().silent) << folder;
        EXPECT_TRUE(host_.saves.back().silentWouldReplaceSource) << folder;
    }
    run({"SAVE=_copy"});
    EXPECT_TRUE(host_.saves.back().silent);
    EXPECT_EQ(host_.saves.back().silentPath, (dir_ / "link/pic_copy.bmp").string());
}

TEST_F(Interp, DeleteKeepsPictureAndBookmarkAndNeverLosesAnUnsavedEdit) {
    bookmark({"a.jpg", "b.jpg"});
    const Bitmap picture = ws_.Image;
    run({"DELETE"});
    EXPECT_EQ(host_.deleted, Lines{bm_[0]});
    EXPECT_EQ(ws_.CurrentFileName, bm_[0]);
    EXPECT_EQ(ws_.Image, picture);
    EXPECT_EQ(bm_.size(), 2u);

    for (SaveOutcome outcome : {SaveOutcome::Cancelled, SaveOutcome::Failed}) {
        host_.deleted.clear();
        host_.questions.clear();
        host_.saveResults = {{outcome}};
        EXPECT_EQ(run({"SAVE=_x", "DELETE", "LOOP"}), BatchEnd::Aborted);
        EXPECT_EQ(host_.deleted, Lines{});
        EXPECT_EQ(host_.questions, Lines{"a.jpg was not saved, so it is not deleted.\n\nBatch processing stopped."});
    }

    // Another file's failed save does not protect this one.
    host_.saveResults = {{SaveOutcome::Failed}};
    run({"SAVE=_x", "NEXT", "DELETE"});
    EXPECT_EQ(host_.deleted, Lines{bm_[1]});

    // A full disk stops the run before its next line.
    host_.deleted.clear();
    host_.questions.clear();
    host_.saveResults = {{SaveOutcome::DiskFull, 3 * 1024 + 5, 1500}};
    EXPECT_EQ(run({"SAVE=_x", "DELETE"}), BatchEnd::Aborted);
    EXPECT_EQ(host_.questions, Lines{"Insufficient disk space.\nReq.: 3 Kb\nFree: 1 Kb\n\nSave operation failed."});
    EXPECT_EQ(host_.deleted, Lines{});

    ws_.CurrentFileName = (dir_ / "gone.jpg").string();
    run({"DELETE"});
    EXPECT_EQ(host_.deleted, Lines{});
}

TEST_F(Interp, CropTakesThePackedRectangleOrLeavesThePicture) {
    Bitmap img(120, 110);
    for (int y = 0; y < 110; ++y)
        for (int x = 0; x < 120; ++x) img.scanLine(y)[x * 3] = uint8_t(x), img.scanLine(y)[x * 3 + 1] = uint8_t(y);
    ws_.setImage(img);
    run({"CROP=1310740,6553700"});
    EXPECT_EQ(ws_.SelectionRect, (SelRect{20, 20, 100, 100}));
    ASSERT_EQ(ws_.ImageWidth, 80);
    ASSERT_EQ(ws_.ImageHeight, 80);
    EXPECT_EQ(ws_.Image.scanLine(0)[0], 20);
    EXPECT_EQ(ws_.Image.scanLine(79)[79 * 3 + 1], 99);
    EXPECT_TRUE(ws_.Modified);
    EXPECT_EQ(host_.log, (Lines{"refresh", "caption"}));

    // The whole picture, and the top-left 128 x 64 of a larger one.
    ws_.setImage(img);
    run({"CROP=0,7209080"});  // bottom 110, right 120
    EXPECT_EQ(ws_.Image, img);
    ws_.setImage(Bitmap(200, 100));
    run({"CROP=0,4194432"});
    EXPECT_EQ(ws_.ImageWidth, 128);
    EXPECT_EQ(ws_.ImageHeight, 64);

    // Right before left, bottom above top, no area, or beyond the picture:
    // unchanged, and never clipped into something else.
    ws_.setImage(img);
    ws_.Modified = false;
    host_.log.clear();
    run({"CROP=50,6553610",             // left 50, right 10
         "CROP=110,6553600",            // left 110, right 0
         "CROP=3276800,655460",         // top 50, bottom 10
         "CROP=0,0", "CROP=10,6553610",  // no width
         "CROP=0,7208960",              // right 0
         "CROP=0,7929977",              // bottom 121
         "CROP=0,6553721"});            // right 121
    EXPECT_EQ(ws_.Image, img);
    EXPECT_FALSE(ws_.Modified);
    EXPECT_EQ(host_.log, Lines{});
}

TEST_F(Interp, FailingLibraryCallStopsTheRunBeforeSave) {
    // Turned by 45 degrees a 30000 x 1 strip would pass the picture size limit.
    Bitmap strip(30000, 1);
    strip.scanLine(0)[10] = 9;
    ws_.setImage(strip);
    ws_.CurrentFileName = (dir_ / "strip.bmp").string();
    EXPECT_EQ(run({"ROTATE=45", "SAVE=_r", "NEGATIVE"}), BatchEnd::Aborted);
    EXPECT_TRUE(host_.saves.empty());
    EXPECT_EQ(ws_.Image, strip);
    EXPECT_TRUE(ws_.CancelRequested);
    EXPECT_EQ(frame_.messages, Lines{"The rotated picture would be too large."});
}

TEST_F(Interp, ParametersStartAtZeroAndCarryOverLinesAndPasses) {
    ws_.setImage(Filled(1, 1, 100));
    ws_.EffectValue1 = ws_.EffectValue2 = ws_.EffectValue3 = 50;
    host_.onEvents = [&](Workspace& ws, int) { ws.CancelRequested = host_.passes == 3; };
    run({"SHIFT", "SAVE=_a", "PROMPTSTRING=x", "SHIFT=10,20,30", "LOOP"});
    const uint8_t* px = ws_.Image.scanLine(0);  // blue, green, red
    EXPECT_EQ(px[0], 190);
    EXPECT_EQ(px[1], 160);
    EXPECT_EQ(px[2], 130);
    EXPECT_EQ(ws_.EffectValue3, 30);
}

TEST_F(Interp, EmptyScriptsAndStartProcedures) {
    ws_.setImage(Filled(2, 2, 7));
    ws_.UndoBitmap = Filled(1, 1, 1);
    EXPECT_EQ(interp_.onPerformBatchStep(), BatchEnd::NotRun);
    EXPECT_FALSE(ws_.UndoBitmap.isEmpty());  // not even an undo copy
    EXPECT_EQ(run({"", ">CONFORM_RED=120,40", "------------------------------"}), BatchEnd::Finished);
    EXPECT_EQ(ws_.Image, Filled(2, 2, 7));

    host_.script = {"SHIFT=1,1,1"};
    EXPECT_EQ(interp_.onPerformBatch(), BatchEnd::NotRun);  // recording never started
    ws_.RecordingActive = true;
    interp_.options.aspectCorrection = true;
    interp_.options.screenGamma = 120;
    const std::string tail = "it will affect batch image processing results.  Continue?\n\n"
                             "[Ignore] avoids this dialog (for experts).";
    host_.answers = {Choice::Cancel, Choice::Ok, Choice::Ignore};
    EXPECT_EQ(interp_.onPerformBatch(), BatchEnd::NotRun);
    EXPECT_EQ(interp_.onPerformBatch(), BatchEnd::Finished);
    EXPECT_EQ(interp_.onPerformBatch(), BatchEnd::Finished);
    EXPECT_EQ(interp_.onPerformBatch(), BatchEnd::Finished);
    EXPECT_EQ(host_.questions, Lines(3, "You have an automatic resizing feature enabled;\n" + tail));
    EXPECT_EQ(ws_.Image, Filled(2, 2, 10));

    BatchInterpreter fresh(ws_, bm_, host_);
    fresh.options.screenGamma = 120;
    host_.questions.clear();
    fresh.onPerformBatch();
    EXPECT_EQ(host_.questions, Lines{"You have screen gamma enabled, which is cumulative;\n" + tail});
}

TEST_F(Interp, CompanionsAndBatchRunningWhateverTheEnd) {
    ws_.setImage(Filled(2, 2, 7));
    for (Bitmap* b : {&ws_.UndoBitmap, &ws_.BackupBitmap, &ws_.DuplicateBitmap, &ws_.ScratchBitmap})
        *b = Filled(1, 1, 1);
    host_.onEvents = [](Workspace& ws, int) {
        EXPECT_TRUE(ws.DuplicateBitmap.isEmpty());
        ws.DuplicateBitmap = ws.BackupBitmap = ws.ScratchBitmap = Filled(1, 1, 2);
    };
    run({"REFRESH"});
    EXPECT_FALSE(ws_.DuplicateBitmap.isEmpty());
    EXPECT_TRUE(ws_.BackupBitmap.isEmpty());
    EXPECT_TRUE(ws_.ScratchBitmap.isEmpty());

    host_.onEvents = nullptr;
    run({"CLEARBUFFERS", "TRUECOLOR"});
    EXPECT_TRUE(ws_.DuplicateBitmap.isEmpty());
    EXPECT_EQ(host_.undoForgotten, 1);
    EXPECT_EQ(host_.log, (Lines{"refresh", "caption", "refresh", "caption"}));

    host_.onEvents = [](Workspace&, int) { throw std::runtime_error("operation failed"); };
    EXPECT_THROW(run({"SHIFT=1,1,1"}), std::runtime_error);
    EXPECT_FALSE(ws_.BatchRunning);
}

TEST_F(Interp, ReloadRestoresTheFileAsTrueColour) {
    const std::string path = file("grey.pcx");
    host_.pictures[path] = Filled(3, 1, 40, 8);
    ws_.setImage(Filled(3, 1, 200));
    ws_.CurrentFileName = path;
    run({"RELOAD"});
    EXPECT_EQ(ws_.Image, Filled(3, 1, 40));
    EXPECT_EQ(ws_.ImageBitDepth, 24);
    EXPECT_EQ(host_.undoDepth, 24);
    EXPECT_EQ(host_.sleeps, std::vector<int>{133});

    host_.pictures[path] = Filled(3, 1, 40);
    run({"RELOAD"});
    EXPECT_EQ(host_.sleeps.size(), 1u);

    // A reload that fails keeps the picture but has dropped the changes flag.
    host_.pictures.erase(path);
    ws_.setImage(Filled(3, 1, 200));
    ws_.Modified = true;
    run({"RELOAD"});
    EXPECT_EQ(ws_.Image, Filled(3, 1, 200));
    EXPECT_FALSE(ws_.Modified);
}

TEST_F(Interp, NextAndPreviousOnShortListsAndTheOneSweepOption) {
    ws_.setImage(Filled(1, 1, 9));
    ws_.CurrentFileName = "/p/untitled";
    run({"NEXT", "PREVIOUS"});
    EXPECT_EQ(ws_.CurrentFileName, "/p/untitled");
    EXPECT_TRUE(host_.log.empty() && host_.paths.empty());

    bookmark({"a.jpg", "b.jpg", "c.jpg"});
    run({"PREVIOUS"});
    EXPECT_EQ(host_.paths, Lines{"c.jpg"});

    interp_.options.stopWhenNextWraps = true;
    bm_.setBookmarkIndex(0);
    host_.loadFile(ws_, bm_[0], LoadReason::Navigate);
    host_.saves.clear();
    EXPECT_EQ(run({"SAVE=_n", "NEXT", "LOOP"}), BatchEnd::ListDone);
    EXPECT_EQ(saveSources(), (Lines{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_TRUE(interp_.saveMarker());

    bm_.replace({bm_[0]});
    host_.passes = 0;
    EXPECT_EQ(run({"NEXT", "LOOP"}), BatchEnd::ListDone);
    EXPECT_EQ(host_.passes, 1);
}

}  // namespace
}  // namespace vimbra
