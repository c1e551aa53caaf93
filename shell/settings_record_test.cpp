#include "shell/settings_record.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <QSettings>
#include <QTemporaryDir>

namespace vimbra {
namespace {

void Put32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(uint8_t(v >> (8 * i)));
}

uint32_t Get32(const QByteArray& b, int at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(b[at + i])) << (8 * i);
    return v;
}

// A record with the defaults' bytes, built by hand from the table.
QByteArray DefaultBytes() {
    QByteArray b(148, '\0');
    for (int at : {48, 49, 50, 51, 52, 54, 72, 73, 89, 90, 91, 92, 112, 113, 126, 127, 144})
        b[at] = 1;
    Put32(b, 56, 2);
    Put32(b, 60, 3);
    Put32(b, 64, 0x80000005u);
    Put32(b, 76, 1);
    Put32(b, 84, 500);
    Put32(b, 108, 500);
    Put32(b, 128, 3);
    return b;
}

TEST(SettingsRecord, MissingOrWrongLengthGivesDefaults) {
    for (int size : {0, 16, 147, 149, 296}) {
        const SettingsRecord r = SettingsRecord::FromBytes(QByteArray(size, '\x7f'));
        EXPECT_FALSE(r.existed) << size;
        EXPECT_TRUE(r.menuBar && r.toolBar && r.statusBar && r.buttonText && r.pathBox);
        EXPECT_TRUE(r.FitToWindow);
        EXPECT_FALSE(r.AutoReduce || r.UseScreen || r.mergeToolBar || r.fullScreenMenus);
        EXPECT_EQ(r.BackColor, kSystemWindowColor);
        EXPECT_EQ(r.FaxQuality, 2);
        EXPECT_EQ(r.JpegPalette, 3);
        EXPECT_EQ(r.SlideDelay, 500);
        EXPECT_EQ(r.mediaVolume, 500);
        EXPECT_EQ(r.PhotoCdStep, 3);
        EXPECT_EQ(r.mainWindowBounds, WindowBounds{});
        EXPECT_EQ(r.toBytes(), DefaultBytes()) << size;
    }
    EXPECT_TRUE(SettingsRecord::Defaults(24).fastRefresh);
    EXPECT_FALSE(SettingsRecord::Defaults(8).fastRefresh);
    EXPECT_FALSE(SettingsRecord::FromBytes(DefaultBytes(), 8).fastRefresh);
}

TEST(SettingsRecord, FieldsAtTheirOffsets) {
    QByteArray b(148, '\0');
    Put32(b, 0, 10);
    Put32(b, 12, 40);
    Put32(b, 16, 50);
    Put32(b, 32, 0xFFFFFFF8u);  // −8
    Put32(b, 44, 600);
    b[53] = 1;
    Put32(b, 56, 1);
    Put32(b, 60, 0);
    Put32(b, 64, 0x00336699u);
    b[73] = 1;
    Put32(b, 76, 3);
    Put32(b, 80, 2);
    Put32(b, 84, 5000);
    b[88] = 1;
    Put32(b, 100, 26);
    Put32(b, 104, 42);
    Put32(b, 108, 1000);
    Put32(b, 120, 2);
    b[124] = 1;
    b[125] = 1;
    Put32(b, 128, 6);
    Put32(b, 136, 1);
    b[144] = 1;
    b[145] = 1;
    b[146] = 1;
    const SettingsRecord r = SettingsRecord::FromBytes(b);
    EXPECT_TRUE(r.existed);
    EXPECT_EQ(r.batchEditorBounds, (WindowBounds{10, 0, 0, 40}));
    EXPECT_EQ(r.commentToolBounds.left, 50);
    EXPECT_EQ(r.mainWindowBounds, (WindowBounds{-8, 0, 0, 600}));
    EXPECT_FALSE(r.menuBar || r.toolBar || r.statusBar || r.buttonText || r.FitToWindow);
    EXPECT_TRUE(r.AutoReduce);
    EXPECT_FALSE(r.maxFullScreen || r.AutoSize || r.pathBox);
    EXPECT_TRUE(r.AutoCenter);
    EXPECT_EQ(r.FaxQuality, 1);
    EXPECT_EQ(r.JpegPalette, 0);
    EXPECT_EQ(r.BackColor, 0x00336699u);
    EXPECT_EQ(r.EffectsSpeed, 3);
    EXPECT_EQ(r.SvgaPalette, 2);
    EXPECT_EQ(r.SlideDelay, 5000);
    EXPECT_TRUE(r.mediaStatusLine);
    EXPECT_FALSE(r.mediaTrackBar || r.mediaControls || r.mediaMaxFullScreen || r.mediaAutoPlayLoop);
    EXPECT_EQ(r.TrackerHeight, 26);
    EXPECT_EQ(r.ControlsHeight, 42);
    EXPECT_EQ(r.mediaVolume, 1000);
    EXPECT_EQ(r.textPosition, 2);
    EXPECT_TRUE(r.UseScreen && r.avlJukebox && r.fastRefresh && r.mergeToolBar && r.fullScreenMenus);
    EXPECT_EQ(r.PhotoCdStep, 6);
    EXPECT_EQ(r.TurboMode, 1);
    // Nothing needed correcting, so the record goes back byte for byte.
    EXPECT_EQ(r.toBytes(), b);
}

TEST(SettingsRecord, UnusedBytesAndGapsComeBackUnchanged) {
    QByteArray b = DefaultBytes();
    const int unused[] = {55, 68, 74, 75, 93, 94, 95, 96, 99, 114, 115, 116, 119,
                          127, 132, 135, 140, 143, 147};
    for (int at : unused) b[at] = char(0xA0 + at % 16);
    SettingsRecord r = SettingsRecord::FromBytes(b);
    r.menuBar = false;
    const QByteArray out = r.toBytes();
    ASSERT_EQ(out.size(), 148);
    for (int at : unused) EXPECT_EQ(uint8_t(out[at]), 0xA0 + at % 16) << at;
    EXPECT_EQ(out[48], 0);
}

TEST(SettingsRecord, ReadCorrections) {
    struct Case {
        int offset;
        uint32_t stored;
        int32_t SettingsRecord::*field;
        int32_t expected;
    };
    const Case cases[] = {
        {56, 7, &SettingsRecord::FaxQuality, 3},
        {56, 0xFFFFFFFEu, &SettingsRecord::FaxQuality, 0},
        {56, 3, &SettingsRecord::FaxQuality, 3},
        {60, 4, &SettingsRecord::JpegPalette, 3},
        {60, 0xFFFFFFFFu, &SettingsRecord::JpegPalette, 3},
        {84, 3600001, &SettingsRecord::SlideDelay, 1000},
        {84, 3600000, &SettingsRecord::SlideDelay, 3600000},
        {84, 60001, &SettingsRecord::SlideDelay, 60001},
        {84, 0, &SettingsRecord::SlideDelay, 0},
        {84, 0xFFFFFFFBu, &SettingsRecord::SlideDelay, 500},
        {108, 0, &SettingsRecord::mediaVolume, 1},
        {108, 5000, &SettingsRecord::mediaVolume, 1000},
        {128, 7, &SettingsRecord::PhotoCdStep, 3},
        {76, 4, &SettingsRecord::EffectsSpeed, 1},
        {120, 3, &SettingsRecord::textPosition, 0},
    };
    for (const Case& c : cases) {
        QByteArray b = DefaultBytes();
        Put32(b, c.offset, c.stored);
        EXPECT_EQ(SettingsRecord::FromBytes(b).*c.field, c.expected)
            << "offset " << c.offset << " value " << c.stored;
    }
}

TEST(SettingsRecord, EveryDelayTheDialogAllowsSurvivesARestart) {
    SettingsRecord r = SettingsRecord::Defaults();
    // Up to the scroll bar's end, one hour.
    for (int32_t delay : {0, 100, 4000, 4001, 5000, 60000, 60001, 60100, 1800000, 3599900,
                          SettingsRecord::kDelayScrollMax}) {
        r.SlideDelay = delay;
        EXPECT_EQ(Get32(r.toBytes(), 84), uint32_t(delay));
        EXPECT_EQ(SettingsRecord::FromBytes(r.toBytes()).SlideDelay, delay);
    }
    EXPECT_EQ(SettingsRecord::kDelayScrollMax, 3600000);
    r.SlideDelay = 3600001;
    EXPECT_EQ(Get32(r.toBytes(), 84), 1000u);
    r.SlideDelay = -1;
    EXPECT_EQ(Get32(r.toBytes(), 84), 500u);
    r.mediaVolume = 0;  // stored at least 1
    EXPECT_EQ(Get32(r.toBytes(), 108), 1u);
}

TEST(SettingsRecord, PlayerVolumeIsNaturalLogarithm) {
    EXPECT_EQ(MediaPlayerVolume(1000), 0);
    EXPECT_EQ(MediaPlayerVolume(500), -693);   // 1000 × ln 0.5 = −693.147
    EXPECT_EQ(MediaPlayerVolume(100), -2303);  // 1000 × ln 0.1 = −2302.585
    EXPECT_EQ(MediaPlayerVolume(1), -6908);    // 1000 × ln 0.001 = −6907.755
    EXPECT_EQ(MediaPlayerVolume(0), -6908);
}

TEST(WindowBounds, RestoreArithmetic) {
    const QSize screen(1920, 1080), def(800, 600);
    // Left −8 comes back at 8 with its width right − left = 800.
    EXPECT_EQ(RestoreWindowBounds({-8, 100, 792, 700}, screen, def), QRect(8, 100, 800, 600));
    // Too wide and tall: cut to the screen, then moved to 0, 0 to fit.
    EXPECT_EQ(RestoreWindowBounds({8, 8, 2008, 1208}, screen, def), QRect(0, 0, 1920, 1080));
    // Fits in size but hangs over the right and bottom edges: moved back.
    EXPECT_EQ(RestoreWindowBounds({1500, 900, 2100, 1300}, screen, def),
              QRect(1320, 680, 600, 400));
    // Narrower than 64 (or nothing stored): the default size centred.
    EXPECT_EQ(RestoreWindowBounds({100, 100, 163, 500}, screen, def), QRect(560, 240, 800, 600));
    EXPECT_EQ(RestoreWindowBounds({}, screen, def), QRect(560, 240, 800, 600));
    EXPECT_EQ(RestoreWindowBounds({0, 0, 64, 64}, screen, def), QRect(0, 0, 64, 64));
    // A default bigger than a small screen is cut to it.
    EXPECT_EQ(RestoreWindowBounds({}, QSize(640, 480), def), QRect(0, 0, 640, 480));
    // Damaged extremes neither overflow nor give a negative size.
    const QRect wild = RestoreWindowBounds({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, screen, def);
    EXPECT_EQ(wild, QRect(0, 0, 1920, 1080));
}

TEST(WindowBounds, BatchEditorArithmetic) {
    const QSize screen(1920, 1080);
    // 10 × 10: half the width, three quarters of the height, where it was.
    EXPECT_EQ(EditorWindowBounds({100, 100, 110, 110}, screen), QRect(100, 100, 960, 810));
    // Nothing stored yet.
    EXPECT_EQ(EditorWindowBounds({0, 0, 0, 0}, screen), QRect(0, 0, 960, 810));
    // Left of the screen: left 0, width measured from there (300 − 0).
    EXPECT_EQ(EditorWindowBounds({-8, 20, 300, 400}, screen), QRect(0, 20, 300, 380));
    // Past the right and bottom edges: moved back in, 1920 − 300 and 1080 − 300.
    EXPECT_EQ(EditorWindowBounds({1800, 900, 2100, 1200}, screen), QRect(1620, 780, 300, 300));
    // Larger than the screen: the screen's size from the corner.
    EXPECT_EQ(EditorWindowBounds({50, 60, 4000, 3000}, screen), QRect(0, 0, 1920, 1080));
    // A damaged record does not overflow.
    EXPECT_EQ(EditorWindowBounds({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, screen),
              QRect(0, 0, 1920, 1080));
}

TEST(WindowBounds, StoreThenRestore) {
    const WindowBounds stored = StoreWindowBounds(QRect(-8, -8, 1936, 1096));
    EXPECT_EQ(stored, (WindowBounds{8, 8, 1944, 1104}));
    EXPECT_EQ(RestoreWindowBounds(stored, QSize(1920, 1080), QSize(800, 600)),
              QRect(0, 0, 1920, 1080));
    const QRect normal(120, 80, 1024, 700);
    EXPECT_EQ(RestoreWindowBounds(StoreWindowBounds(normal), QSize(1920, 1080), QSize(800, 600)),
              normal);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("VIMBRA.ini"); }
};

TEST_F(SettingsStoreTest, FirstStartReadsDefaultsAndCloseWritesEverything) {
    {
        QSettings ini(path(), QSettings::IniFormat);
        SettingsStore store(ini);
        SettingsRecord r = store.readRecord();
        EXPECT_FALSE(r.existed);
        EXPECT_TRUE(store.readOpenDir().isEmpty());
        JpegWizardSettings wizard;
        wizard.quality = JpegWizardSettings::kNotLoaded;
        r.SlideDelay = 5000;
        r.mainWindowBounds = {8, 8, 808, 608};
        store.writeAtClose(r, "/home/u/Pictures", "/tmp/out", wizard);
    }
    QSettings ini(path(), QSettings::IniFormat);
    SettingsStore store(ini);
    EXPECT_FALSE(ini.contains("JPGwiz1"));  // never read in that run
    EXPECT_EQ(ini.value("VControls6014").toByteArray().size(), 148);
    const SettingsRecord r = store.readRecord();
    EXPECT_TRUE(r.existed);
    EXPECT_EQ(r.SlideDelay, 5000);
    EXPECT_EQ(r.mainWindowBounds, (WindowBounds{8, 8, 808, 608}));
    EXPECT_EQ(store.readOpenDir(), "/home/u/Pictures");
    EXPECT_EQ(store.readSaveDir(), "/tmp/out");
}

TEST_F(SettingsStoreTest, WizardRecordWrittenWhenRead) {
    QSettings ini(path(), QSettings::IniFormat);
    SettingsStore store(ini);
    JpegWizardSettings wizard = store.readJpegWizard();
    EXPECT_EQ(wizard.quality, 48);  // defaults when missing
    wizard.progressive = true;
    wizard.quality = 200;
    store.writeAtClose(SettingsRecord::Defaults(), {}, {}, wizard);
    EXPECT_EQ(ini.value("JPGwiz1").toByteArray().size(), 16);
    EXPECT_EQ(store.readJpegWizard(), wizard);
}

TEST_F(SettingsStoreTest, DamagedValuesGiveDefaults) {
    QSettings ini(path(), QSettings::IniFormat);
    ini.setValue("VControls6014", QByteArray(100, '\1'));
    ini.setValue("JPGwiz1", QByteArray(3, '\1'));
    SettingsStore store(ini);
    EXPECT_FALSE(store.readRecord().existed);
    EXPECT_EQ(store.readRecord().toBytes(), DefaultBytes());
    EXPECT_EQ(store.readJpegWizard(), JpegWizardSettings{});
    ini.setValue("VControls6014", QString("not binary"));
    EXPECT_FALSE(store.readRecord().existed);
}

}  // namespace
}  // namespace vimbra
