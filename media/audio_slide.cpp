#include "media/audio_slide.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include "imagefiles/load_dispatch.h"

namespace vimbra {

bool MidiSynthAvailable() {
    QStringList dirs;
    const QString env = qEnvironmentVariable("GST_PLUGIN_SYSTEM_PATH_1_0");
    if (!env.isEmpty()) dirs = env.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dirs << QStringLiteral("/usr/lib/x86_64-linux-gnu/gstreamer-1.0")
         << QStringLiteral("/usr/lib/aarch64-linux-gnu/gstreamer-1.0")
         << QStringLiteral("/usr/lib/gstreamer-1.0") << QStringLiteral("/usr/lib64/gstreamer-1.0");
    for (const QString& d : dirs) {
        const QDir dir(d);
        // midiparse turns the file into events; a synthesiser makes them sound.
        const bool parser = dir.exists(QStringLiteral("libgstmidi.so"));
        const bool synth = dir.exists(QStringLiteral("libgstfluidsynthmidi.so")) ||
                           dir.exists(QStringLiteral("libgstwildmidi.so"));
        if (synth && (parser || dir.exists(QStringLiteral("libgstwildmidi.so")))) return true;
    }
    return false;
}

bool AudioOutputAvailable() { return !QMediaDevices::audioOutputs().isEmpty(); }

AudioSlidePlayer::AudioSlidePlayer(QObject* parent) : QObject(parent) {}

AudioSlidePlayer::~AudioSlidePlayer() { CloseAudioSlide(); }

void AudioSlidePlayer::setGain(float gain) {
    gain_ = gain;
    if (output_) output_->setVolume(gain);
}

bool AudioSlidePlayer::PlayAudioSlide(const std::string& path) {
    CloseAudioSlide();
    error_.clear();
    const QFileInfo info(QString::fromStdString(path));
    const std::string ext = UpperExtension(path);
    const bool midi = ext == ".MID" || ext == ".RMI";
    if (!info.isFile() || !info.isReadable() || (midi && !MidiSynthAvailable()) ||
        !AudioOutputAvailable()) {
        error_ = kAudioUnavailable;
        return false;
    }
    player_ = std::make_unique<QMediaPlayer>();
    output_ = std::make_unique<QAudioOutput>();
    output_->setVolume(gain_);
    player_->setAudioOutput(output_.get());
    player_->setLoops(1);
    connect(player_.get(), &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                error_ = text.isEmpty() ? std::string(kAudioUnavailable) : text.toStdString();
                emit failed(QString::fromStdString(error_));
            });
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
        if (s == QMediaPlayer::EndOfMedia) emit finished();
    });
    player_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    player_->play();
    active_ = true;
    return true;
}

void AudioSlidePlayer::CloseAudioSlide() {
    if (player_) {
        player_->stop();
        player_->setSource(QUrl());
    }
    player_.reset();
    output_.reset();
    active_ = false;
}

}  // namespace vimbra
