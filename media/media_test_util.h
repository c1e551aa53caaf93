#pragma once
// Test media made on the spot: a sine tone as WAV, a short video through
// GStreamer's command-line tool, and a PulseAudio null sink so players have
// an output on machines without a sound card.
#include <cmath>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

namespace vimbra::testing {

// A mono 16-bit 8 kHz WAV of a sine tone.
inline void WriteWav(const QString& path, int ms, int hz) {
    const int rate = 8000, samples = rate * ms / 1000;
    QByteArray data;
    for (int i = 0; i < samples; ++i) {
        const qint16 v = qint16(8000 * std::sin(2 * M_PI * hz * i / rate));
        data.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }
    auto le32 = [](quint32 v) { QByteArray b(4, 0); qToLittleEndian(v, b.data()); return b; };
    auto le16 = [](quint16 v) { QByteArray b(2, 0); qToLittleEndian(v, b.data()); return b; };
    const QByteArray f = "RIFF" + le32(quint32(36 + data.size())) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
                         le32(rate) + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(quint32(data.size())) + data;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(f);
}

// A one-track MIDI file holding one note of `ticks` (480 to the beat).
inline void WriteMidi(const QString& path, int ticks) {
    const QByteArray track = QByteArray::fromHex("0090" "3C64") + char(0x80 | ((ticks >> 7) & 0x7F)) +
                             char(ticks & 0x7F) + QByteArray::fromHex("803C00" "00FF2F00");
    auto be32 = [](quint32 v) { QByteArray b(4, 0); qToBigEndian(v, b.data()); return b; };
    const QByteArray f = "MThd" + be32(6) + QByteArray::fromHex("000000010" "1E0") + "MTrk" +
                         be32(quint32(track.size())) + track;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(f);
}

// A 160 x 120 test picture at 10 frames per second, `frames` long, encoded and
// muxed by `encoder` (e.g. {"vp8enc", "!", "webmmux"}). Empty when the tool
// or the plugins are missing.
inline QString MakeTestVideo(const QString& out, int frames, const QStringList& encoder) {
    if (QFile::exists(out)) return out;
    const QString gst = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (gst.isEmpty()) return {};
    QStringList args{"-q", "videotestsrc", QStringLiteral("num-buffers=%1").arg(frames), "!",
                     "video/x-raw,width=160,height=120,framerate=10/1", "!"};
    args << encoder << "!" << "filesink" << "location=" + out;
    QProcess p;
    p.start(gst, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QFile::exists(out) ? out : QString();
}

// Starts a PulseAudio server with a null sink in its own runtime folder when
// none runs; stops it again at the end of the test.
class NullSinkAudio {
public:
    void start() {
        const QString pulse = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (pulse.isEmpty() || QProcess::execute(pulse, {QStringLiteral("--check")}) == 0) return;
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        started_ = QProcess::execute(pulse, {"--daemonize=yes", "--exit-idle-time=-1", "-n",
                                             "--load=module-null-sink sink_name=nullsink",
                                             "--load=module-native-protocol-unix"}) == 0;
    }
    void stop() {
        if (started_) QProcess::execute(QStringLiteral("pulseaudio"), {QStringLiteral("--kill")});
        started_ = false;
    }

private:
    QTemporaryDir runtime_;
    bool started_ = false;
};

}  // namespace vimbra::testing
