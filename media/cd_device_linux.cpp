// The system's CD drive through the kernel's CD audio calls: no library and
// nothing to install; machines without a drive simply fail to open.
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "media/cd_player.h"

namespace vimbra {
namespace {

class LinuxCdDevice final : public CdDevice {
public:
    explicit LinuxCdDevice(std::string path) : path_(std::move(path)) {}
    ~LinuxCdDevice() override { close(); }

    bool open() override {
        const char* candidates[] = {"/dev/cdrom", "/dev/sr0"};
        if (!path_.empty()) return openPath(path_.c_str());
        for (const char* p : candidates)
            if (openPath(p)) return true;
        return false;
    }
    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool isOpen() const override { return fd_ >= 0; }

    int trackCount() override {
        cdrom_tochdr toc{};
        if (!call(CDROMREADTOCHDR, &toc)) return 0;
        return toc.cdth_trk1;
    }
    bool play(int from, int to) override {
        cdrom_ti ti{};
        ti.cdti_trk0 = static_cast<__u8>(from);
        ti.cdti_ind0 = 1;
        ti.cdti_trk1 = static_cast<__u8>(to > 0 ? to - 1 : trackCount());
        ti.cdti_ind1 = 99;
        return call(CDROMPLAYTRKIND, &ti);
    }
    bool pause() override { return call(CDROMPAUSE, nullptr); }
    bool resume() override { return call(CDROMRESUME, nullptr); }
    bool stop() override { return call(CDROMSTOP, nullptr); }
    bool eject() override { return call(CDROMEJECT, nullptr); }

    CdMode mode() override {
        cdrom_subchnl sc{};
        sc.cdsc_format = CDROM_MSF;
        if (!call(CDROMSUBCHNL, &sc)) return CdMode::NotReady;
        switch (sc.cdsc_audiostatus) {
            case CDROM_AUDIO_PLAY: return CdMode::Playing;
            case CDROM_AUDIO_PAUSED: return CdMode::Paused;
            default: return CdMode::Stopped;
        }
    }
    bool position(CdPosition& at) override {
        cdrom_subchnl sc{};
        sc.cdsc_format = CDROM_MSF;
        if (!call(CDROMSUBCHNL, &sc)) return false;
        at.track = sc.cdsc_trk;
        at.minutes = sc.cdsc_reladdr.msf.minute;
        at.seconds = sc.cdsc_reladdr.msf.second;
        return true;
    }
    std::string errorText() const override { return error_; }

private:
    bool openPath(const char* p) {
        close();
        fd_ = ::open(p, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) error_ = std::string(p) + ": " + std::strerror(errno);
        return fd_ >= 0;
    }
    bool call(unsigned long request, void* arg) {
        if (fd_ < 0) return false;
        if (::ioctl(fd_, request, arg) == 0) return true;
        error_ = std::strerror(errno);
        return false;
    }

    std::string path_;
    int fd_ = -1;
    std::string error_;
};

}  // namespace

std::unique_ptr<CdDevice> MakeSystemCdDevice(const std::string& devicePath) {
    return std::make_unique<LinuxCdDevice>(devicePath);
}

}  // namespace vimbra
