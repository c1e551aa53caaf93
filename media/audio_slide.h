#pragma once
// Sound behind a show's pictures: one file played once in the background until
// the next audio, video or CD slide or the end of the show closes it.
// WAV, MP3, OGG, FLAC and whatever else GStreamer decodes; MIDI (.MID, .RMI)
// only when a GStreamer MIDI synthesiser is installed.
#include <memory>
#include <string>

#include <QObject>

class QAudioOutput;
class QMediaPlayer;

namespace vimbra {

inline constexpr const char* kAudioUnavailable = "Audio device unavailable.";

// Whether GStreamer has a MIDI synthesiser (FluidSynth or WildMidi).
bool MidiSynthAvailable();
// Whether the system offers a sound output at all.
bool AudioOutputAvailable();

class AudioSlidePlayer : public QObject {
    Q_OBJECT
public:
    explicit AudioSlidePlayer(QObject* parent = nullptr);
    ~AudioSlidePlayer() override;

    // Starts `path` (its full path) once, without waiting. False, with
    // "Audio device unavailable." in error(), when the file or the device
    // cannot be opened.
    bool PlayAudioSlide(const std::string& path);
    bool AudioSlideActive() const { return active_; }
    void CloseAudioSlide();
    const std::string& error() const { return error_; }
    QMediaPlayer* player() const { return player_.get(); }
    void setGain(float gain);

signals:
    // The medium could not be played after all (decoder failure).
    void failed(const QString& message);
    // The sound played to its end (the slide stays active until closed).
    void finished();

private:
    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> output_;
    bool active_ = false;
    std::string error_;
    float gain_ = 1.0f;
};

}  // namespace vimbra
