// Text Mark, Add noise, Reduce to, Promote to and Gray shades from the menus:
// their dialogs, the lines they record into the script window, the same
// pixels when the interpreter replays those lines, and the items a picture's
// depth allows.
#include <algorithm>
#include <set>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QStandardPaths>

#include "batch/script_test_util.h"
#include "commands/depth_commands.h"
#include "shell/main_window_test_util.h"
#include "shell/script_window.h"
#include "shell/test_pictures.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

struct DialogCall {
    QString title;
    ScrollDialogSettings param;
};

// The number of distinct colours of a 24-bit bitmap.
size_t ColourCount(const Bitmap& b) {
    std::set<uint32_t> seen;
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t* p = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x, p += 3) seen.insert(uint32_t(p[0]) | p[1] << 8 | p[2] << 16);
    }
    return seen.size();
}

// A picture of three colours in bands, as BMP.
std::string WriteBands(const QString& path) {
    Workspace ws;
    Bitmap b(24, 12, 24);
    const uint8_t colours[3][3] = {{10, 200, 100}, {0, 0, 255}, {255, 255, 255}};
    for (int y = 0; y < b.height(); ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = colours[x / 8][c];
    }
    ws.setImage(std::move(b));
    return SaveImageFile(ws, path.toStdString(), SaveFormat::Bmp).path;
}

}  // namespace

class ImageDepthMenuTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    std::string textured_;
    std::vector<DialogCall> dialogs_;
    int dialogAnswer_ = 0;

    std::unique_ptr<MainWindow> formWithPicture(const std::string& path) {
        auto form = fx_.makeWindow();
        if (!form || !form->openPicture(path)) return nullptr;
        dialogs_.clear();
        form->scrollDialogHook = [this](const QString& title, const ScrollDialogSettings& p) {
            dialogs_.push_back({title, p});
            return dialogAnswer_;
        };
        form->textPromptHook = [](const QString&, const QString&, const QString&) {
            return std::optional<QString>(QStringLiteral("Hi, there @@C"));
        };
        form->onBatchEditor();  // recording on
        return form;
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        textured_ = WriteTexturedPicture(fx_.path("textured.bmp").toStdString(), 40, 30, 9);
    }

    // Each recorded item, run from its menu item on a fresh copy of the
    // picture: the line it records, replayed, gives the same pixels.
    void recordedLinesReplayToTheSamePixels() {
        struct Case {
            const char* handler;
            int tag;
            const char* line;
            int depth;
        };
        const Case cases[] = {
            {"onTextMark", 0, "TEXTMARK_TOPLEFT=Hi, there @@C", 24},
            {"onTextMark", 1, "TEXTMARK_TOPRIGHT=Hi, there @@C", 24},
            {"onTextMark", 2, "TEXTMARK_BOTTOMLEFT=Hi, there @@C", 24},
            {"onTextMark", 3, "TEXTMARK_BOTTOMRIGHT=Hi, there @@C", 24},
            {"onArtifacts", 0, "ARTIFACT=30", 24},
            {"onReduce", 1, "QUANTIZE256", 8},
            {"onReduce", 4, "QUANTIZE16", 4},
            {"onGrayShades", 0, "GRAYSCALE", 24},
            {"onPromote", 24, "TRUECOLOR", 24},
        };
        dialogAnswer_ = 30;
        for (const Case& c : cases) {
            auto form = formWithPicture(textured_);
            QVERIFY(form);
            const Bitmap original = form->workspace().Image;
            form->action(c.handler, c.tag)->trigger();
            const std::vector<std::string> lines = form->scriptWindow(false)->lines();
            QCOMPARE(lines, std::vector<std::string>{c.line});
            const Bitmap& result = form->workspace().Image;
            QCOMPARE(result.depth(), c.depth);
            QCOMPARE(form->workspace().ImageBitDepth, c.depth);
            Script replay{Bitmap(original)};
            // TRUECOLOR is the interpreter's own line: on 24 bits it has nothing to do.
            const BipOutcome outcome = replay.line(c.line);
            QVERIFY2(outcome == BipOutcome::Ran || outcome == BipOutcome::Control, c.line);
            QVERIFY2(result == replay.ws.Image, c.line);
            // Only the promotion of a 24-bit picture leaves it as it was.
            QCOMPARE(result == original, std::string_view(c.handler) == "onPromote");
        }
    }

    void textMarkPromptAndStyle() {
        auto form = formWithPicture(textured_);
        QVERIFY(form);
        std::vector<QStringList> prompts;
        std::optional<QString> answer = QStringLiteral("A, B");
        form->textPromptHook = [&](const QString& caption, const QString& prompt, const QString& text) {
            prompts.push_back({caption, prompt, text});
            return answer;
        };
        Workspace& ws = form->workspace();
        const Bitmap original = ws.Image;
        form->action("onTextMark", 3)->trigger();
        QCOMPARE(prompts.back(), (QStringList{"Enter notice or copyright text.",
                                              "e.g., Vacation in Hawaii @@D", ""}));
        QVERIFY(ws.Modified);
        // Only the bottom band changes: rows 30 - 15 = 15 and below, columns
        // up to 40 - 8 + 2 = 34 (the outline reaches 2 pixels further).
        for (int y = 0; y < 30; ++y) {
            const int from = y < 15 ? 0 : 3 * 34;
            QVERIFY(std::equal(ws.Image.scanLine(y) + from, ws.Image.scanLine(y) + 120, original.scanLine(y) + from));
        }
        QVERIFY(!(ws.Image == original));
        // The prompt offers the last text; Cancel changes and records nothing.
        answer.reset();
        const Bitmap marked = ws.Image;
        form->action("onTextMark", 0)->trigger();
        QCOMPARE(prompts.back().last(), QStringLiteral("A, B"));
        QVERIFY(ws.Image == marked);
        QCOMPARE(form->scriptWindow(false)->lines(), std::vector<std::string>{"TEXTMARK_BOTTOMRIGHT=A, B"});
        // Undo: the picture before the mark.
        form->onUndo();
        QVERIFY(ws.Image == original);

        // Properties: the font and its colour, preset with the current ones.
        QFont shown;
        QColor shownColour;
        QFont big;
        big.setPixelSize(13);
        big.setBold(true);
        form->markPropertiesHook = [&](const QFont& f, const QColor& c) {
            shown = f;
            shownColour = c;
            return std::optional<std::pair<QFont, QColor>>({big, QColor(200, 10, 20)});
        };
        form->action("onTextMarkProperties")->trigger();
        QCOMPARE(shownColour, QColor(0, 0, 0));
        QCOMPARE(shown.pixelSize(), 11);
        QCOMPARE(ws.remembered.MarkFont, big.toString().toStdString());
        QCOMPARE(ws.remembered.MarkFontColor, 0xC80A14u);
        form->markPropertiesHook = [&](const QFont& f, const QColor& c) {
            shown = f;
            shownColour = c;
            return std::optional<std::pair<QFont, QColor>>();
        };
        form->action("onTextMarkProperties")->trigger();
        QCOMPARE(shown.pixelSize(), 13);
        QCOMPARE(shownColour, QColor(200, 10, 20));
        QCOMPARE(ws.remembered.MarkFontColor, 0xC80A14u);

        // Outline colour: grey at first; Cancel keeps it.
        std::vector<QColor> offered;
        std::optional<QColor> outline = QColor(1, 2, 3);
        form->colorDialogHook = [&](const QColor& c) {
            offered.push_back(c);
            return outline;
        };
        form->action("onOutlineColor")->trigger();
        outline.reset();
        form->action("onOutlineColor")->trigger();
        QCOMPARE(offered, (std::vector<QColor>{QColor(128, 128, 128), QColor(1, 2, 3)}));
        QCOMPARE(ws.remembered.OutlineColor, 0x010203u);

        // A mark in the new style replays the same in the same session.
        const Bitmap before = ws.Image;
        answer = QStringLiteral("Styled");
        form->action("onTextMark", 0)->trigger();
        Script replay{Bitmap(before)};
        replay.ws.remembered = ws.remembered;
        QVERIFY(replay.line("TEXTMARK_TOPLEFT=Styled") == BipOutcome::Ran);
        QVERIFY(ws.Image == replay.ws.Image);
        QVERIFY(!(ws.Image == before));
    }

    void randomNoiseThroughTheEffectsDialog() {
        auto form = formWithPicture(textured_);
        QVERIFY(form);
        Workspace& ws = form->workspace();
        const Bitmap original = ws.Image;
        FilterDlgParam seen;
        int answer = 0;
        int32_t r = 0, g = 0, b = 0;
        form->host().effectsHook = [&](Workspace& w, const FilterDlgParam& p) {
            seen = p;
            w.EffectValue1 = r, w.EffectValue2 = g, w.EffectValue3 = b;
            return answer == kDialogCancelled ? kDialogCancelled : r;
        };
        // Nothing to add: nothing changes.
        form->action("onRandomNoise")->trigger();
        QCOMPARE(seen.EffectCode, 114);
        QCOMPARE(seen.title, std::string("Add Random Noise"));
        QCOMPARE(seen.sliderCount, 3);
        QCOMPARE(seen.sliders[1].LabelMin, std::string("0 (none)"));
        QCOMPARE(seen.sliders[2].Position, 255);
        QVERIFY(ws.Image == original);
        // Red only: every pixel that changed has no green and no blue.
        r = 255;
        form->action("onRandomNoise")->trigger();
        int changed = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint8_t* p = ws.Image.scanLine(y) + 3 * x;
                if (std::equal(p, p + 3, original.scanLine(y) + 3 * x)) continue;
                ++changed;
                QCOMPARE(int(p[0]) + int(p[1]), 0);
            }
        // m = 255 is above u × 255 for every u below 1: all 40 × 30 pixels
        // are drawn, and none had green or blue 0 before.
        QCOMPARE(changed, 1200);
        QVERIFY(ws.Modified);
        // Cancel: the picture as it was before the command.
        const Bitmap noisy = ws.Image;
        answer = kDialogCancelled;
        form->action("onRandomNoise")->trigger();
        QVERIFY(ws.Image == noisy);
        // It records nothing.
        QVERIFY(form->scriptWindow(false)->lines().empty());
    }

    void artifactsDialogStartsAtTheLastLevel() {
        auto form = formWithPicture(textured_);
        QVERIFY(form);
        Workspace& ws = form->workspace();
        const Bitmap original = ws.Image;
        dialogAnswer_ = kDialogCancelled;
        form->action("onArtifacts")->trigger();
        QCOMPARE(dialogs_.size(), size_t(1));
        QCOMPARE(dialogs_[0].title, QStringLiteral("Add JPEG artifacts"));
        const ScrollDialogSettings& p = dialogs_[0].param;
        QCOMPARE(std::vector<int>({p.Min, p.Max, p.Position, p.LargeStep, p.SmallStep}),
                 std::vector<int>({1, 255, 48, 8, 1}));
        QVERIFY(!p.ShowPresets && !p.UseTrackBar);
        QVERIFY(ws.Image == original && !ws.Modified);
        dialogAnswer_ = 7;
        form->action("onArtifacts")->trigger();
        form->action("onArtifacts")->trigger();
        QCOMPARE(dialogs_.back().param.Position, 7);
        QCOMPARE(form->scriptWindow(false)->lines(), (std::vector<std::string>{"ARTIFACT=7", "ARTIFACT=7"}));
        QVERIFY(ws.Modified);
    }

    // The dithered items ask for the method first; the poster items do not.
    void reductionMethodDialog() {
        const std::string bands = WriteBands(fx_.path("bands.bmp"));
        auto form = formWithPicture(bands);
        QVERIFY(form);
        Workspace& ws = form->workspace();
        const Bitmap original = ws.Image;
        dialogAnswer_ = kDialogCancelled;
        for (int tag : {0, 2, 3, 5}) form->action("onReduce", tag)->trigger();
        QCOMPARE(dialogs_.size(), size_t(4));
        for (const DialogCall& d : dialogs_) {
            QCOMPARE(d.title, QStringLiteral("Color reduction method"));
            QCOMPARE(std::vector<int>({d.param.Min, d.param.Max, d.param.Position}), std::vector<int>({0, 2, 2}));
            QVERIFY(d.param.UseTrackBar && !d.param.ShowPresets);
        }
        QVERIFY(ws.Image == original && ws.ImageBitDepth == 24);
        // Three colours fit a 16-colour palette chosen from the picture: kept.
        dialogAnswer_ = 2;
        form->action("onReduce", 3)->trigger();
        QCOMPARE(ws.ImageBitDepth, 4);
        Bitmap wide = ws.Image;
        wide.convertTo24();
        QVERIFY(wide == original);
        // Dithered reductions record nothing.
        QVERIFY(form->scriptWindow(false)->lines().empty());
        // The poster items ask nothing.
        form->onUndo();
        QCOMPARE(ws.ImageBitDepth, 24);
        form->action("onReduce", 4)->trigger();
        QCOMPARE(dialogs_.size(), size_t(5));
        QCOMPARE(ws.ImageBitDepth, 4);
        // B/W with "Optimal": two colours.
        form->onUndo();
        form->action("onReduce", 5)->trigger();
        QCOMPARE(ws.ImageBitDepth, 1);
        Bitmap bw = ws.Image;
        bw.convertTo24();
        QVERIFY(ColourCount(bw) <= 2);
    }

    void grayShadesUndoRestoresThePicture() {
        const QString flat = fx_.path("flat.bmp");
        WriteFlatPicture(flat, 9, 7, 10, 200, 100);
        auto form = formWithPicture(flat.toStdString());
        QVERIFY(form);
        Workspace& ws = form->workspace();
        const Bitmap original = ws.Image;
        form->action("onGrayShades")->trigger();
        // 3 × 100 div 10 + 6 × 200 div 10 + 10 div 10 = 30 + 120 + 1.
        const uint8_t* p = ws.Image.scanLine(6) + 3 * 8;
        QCOMPARE(std::vector<int>({p[0], p[1], p[2]}), std::vector<int>({151, 151, 151}));
        QVERIFY(ws.Modified);
        QVERIFY(form->action("onUndo")->isEnabled());
        form->action("onUndo")->trigger();
        QVERIFY(ws.Image == original);
    }

    void promotionKeepsTheColours() {
        Workspace four;
        Bitmap b(6, 4, 4);
        b.palette() = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}};
        for (int y = 0; y < 4; ++y) b.scanLine(y)[0] = uint8_t(y % 3) << 4 | 1;  // pixels 0, 1
        four.setImage(std::move(b));
        const std::string path = SaveImageFile(four, fx_.path("four.bmp").toStdString(), SaveFormat::Bmp).path;
        auto form = formWithPicture(path);
        QVERIFY(form);
        Workspace& ws = form->workspace();
        QCOMPARE(ws.ImageBitDepth, 4);
        Bitmap before = ws.Image;
        before.convertTo24();
        form->action("onPromote", 8)->trigger();
        QCOMPARE(ws.ImageBitDepth, 8);
        Bitmap eight = ws.Image;
        eight.convertTo24();
        QVERIFY(eight == before);
        form->action("onPromote", 24)->trigger();
        QCOMPARE(ws.ImageBitDepth, 24);
        QVERIFY(ws.Image == before);
        // Only the promotion to 16M colours has a line.
        QCOMPARE(form->scriptWindow(false)->lines(), std::vector<std::string>{"TRUECOLOR"});
        form->onUndo();
        QCOMPARE(ws.ImageBitDepth, 8);
    }

    // Which colour-depth items a picture of 1, 4, 8 and 24 bits may use.
    void itemsFollowThePictureDepth() {
        struct Row {
            int depth;
            bool gray, promoteMenu, to16M, to256, to16, reduceMenu, reduce256, reduce16;
        };
        const Row rows[] = {
            {1, false, true, true, true, true, false, false, false},
            {4, false, true, true, true, false, true, false, false},
            {8, true, true, true, false, false, true, false, true},
            {24, true, false, false, false, false, true, true, true},
        };
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QMenu* colors = form->topMenu(QStringLiteral("&Colors"));
        QMenu* promote = form->topMenu(QStringLiteral("&Colors/&Promote to"));
        QMenu* reduce = form->topMenu(QStringLiteral("&Colors/Re&duce to"));
        QVERIFY(colors && promote && reduce);
        for (const Row& r : rows) {
            Workspace pic;
            pic.setImage(Bitmap(16, 16, r.depth));
            const QString name = QStringLiteral("depth%1.bmp").arg(r.depth);
            QVERIFY(form->openPicture(SaveImageFile(pic, fx_.path(name.toLatin1()).toStdString(), SaveFormat::Bmp).path));
            QCOMPARE(form->workspace().ImageBitDepth, r.depth);
            emit colors->aboutToShow();
            const QByteArray at = QByteArray::number(r.depth);
            QVERIFY2(form->action("onGrayShades")->isEnabled() == r.gray, at);
            QVERIFY2(promote->menuAction()->isEnabled() == r.promoteMenu, at);
            QVERIFY2(form->action("onPromote", 24)->isEnabled() == r.to16M, at);
            QVERIFY2(form->action("onPromote", 8)->isEnabled() == r.to256, at);
            QVERIFY2(form->action("onPromote", 4)->isEnabled() == r.to16, at);
            QVERIFY2(reduce->menuAction()->isEnabled() == r.reduceMenu, at);
            for (int tag : {0, 1}) QVERIFY2(form->action("onReduce", tag)->isEnabled() == r.reduce256, at);
            for (int tag : {3, 4}) QVERIFY2(form->action("onReduce", tag)->isEnabled() == r.reduce16, at);
        }
    }

    // On a 256-colour display a Yes to "Convert to 256 colors?" after an edit
    // reduces the picture.
    void autoConvertReducesTo256Colours() {
        auto form = formWithPicture(textured_);
        QVERIFY(form);
        Workspace& ws = form->workspace();
        const Bitmap original = ws.Image;
        ws.DisplayBitDepth = 8;
        dialogAnswer_ = 20;
        form->action("onArtifacts")->trigger();
        QVERIFY(std::find(fx_.asked.begin(), fx_.asked.end(), "Convert to 256 colors?") != fx_.asked.end());
        QCOMPARE(ws.ImageBitDepth, 8);
        QVERIFY(ws.Image.palette().size() <= 236);
        // One Undo goes back past both: the picture from before Artifacts.
        form->onUndo();
        QVERIFY(ws.Image == original);
    }
};

QTEST_MAIN(ImageDepthMenuTest)
#include "main_window_image_depth_qtest.moc"
