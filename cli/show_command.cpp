// vimbra-cli show and transition: list a script, render it to a video file,
// and draw single transition frames.
#include "cli/show_command.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "cli/commands.h"
#include "cli/gui_app.h"
#include "cli/image_io.h"
#include "slideshow/avl_script.h"
#include "slideshow/show_listing.h"
#include "slideshow/show_render.h"
#include "slideshow/slide_frame.h"
#include "slideshow/transition.h"

namespace vimbra::cli {
namespace {

int Usage(const std::string& message) {
    std::fprintf(stderr, "vimbra-cli: %s\nTry 'vimbra-cli --help' for more information.\n", message.c_str());
    return kExitUsage;
}

bool ParseSize(const std::string& text, int& w, int& h) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    char* end = nullptr;
    const long lw = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + x) return false;
    const long lh = std::strtol(text.c_str() + x + 1, &end, 10);
    if (*end != '\0' || lw < 1 || lh < 1 || lw > 7680 || lh > 4320) return false;
    w = int(lw), h = int(lh);
    return true;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high) return false;
    value = int(v);
    return true;
}

// Options of the form "--name VALUE" or "--name=VALUE"; the rest are positionals.
struct Options {
    std::vector<std::string> positionals;
    std::vector<std::pair<std::string, std::string>> named;
    std::vector<std::string> flags;
};

std::string SplitOptions(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
                         const std::vector<std::string>& flags, Options& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            out.positionals.push_back(a);
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (const size_t eq = a.find('='); a.starts_with("--") && eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
            inlineValue = true;
        }
        if (std::find(flags.begin(), flags.end(), a) != flags.end() && !inlineValue) {
            out.flags.push_back(a);
        } else if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) return "option '" + a + "' needs a value";
                value = args[++i];
            }
            out.named.emplace_back(a, value);
        } else {
            return "unknown option '" + a + "'";
        }
    }
    return {};
}

const std::string* Named(const Options& o, const std::string& name) {
    for (auto it = o.named.rbegin(); it != o.named.rend(); ++it)
        if (it->first == name) return &it->second;
    return nullptr;
}

bool HasFlag(const Options& o, const std::string& name) {
    return std::find(o.flags.begin(), o.flags.end(), name) != o.flags.end();
}

bool GstElementExists(const char* element) {
    QProcess inspect;
    inspect.start(QStringLiteral("gst-inspect-1.0"), {QStringLiteral("--exists"), QString::fromLatin1(element)});
    return inspect.waitForFinished(10000) && inspect.exitStatus() == QProcess::NormalExit && inspect.exitCode() == 0;
}

int RenderVideo(const ShowListing& show, const std::string& outPath, const RenderOptions& options) {
    const QString out = QString::fromStdString(outPath);
    const QString suffix = QFileInfo(out).suffix().toLower();
    QStringList encoder;
    if (suffix == "webm") {
        // Real-time settings; blocks that do not change (a slide held) are skipped.
        encoder = {"vp8enc", "deadline=1", "cpu-used=16", "threads=2", "token-partitions=2", "static-threshold=100",
                   "lag-in-frames=0", "target-bitrate=4000000", "!", "webmmux"};
        if (!GstElementExists("vp8enc")) {
            PrintError("No VP8 encoder installed (GStreamer's vp8enc, package gstreamer1.0-plugins-good).");
            return kExitFailure;
        }
    } else if (suffix == "mp4") {
        if (GstElementExists("x264enc")) encoder = {"x264enc", "speed-preset=ultrafast", "tune=zerolatency"};
        else if (GstElementExists("openh264enc")) encoder = {"openh264enc"};
        else {
            PrintError("No H.264 encoder installed (GStreamer's x264enc or openh264enc).");
            return kExitFailure;
        }
        encoder << "!" << "h264parse" << "!" << "mp4mux";
    } else {
        return Usage("show: --render writes .webm or .mp4");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty()) {
        PrintError("GStreamer's gst-launch-1.0 is not installed (package gstreamer1.0-tools).");
        return kExitFailure;
    }
    // Written under a temporary name and renamed at the end: a failed render leaves no file.
    QTemporaryFile part(QFileInfo(out).absolutePath() + "/.vimbra-render-XXXXXX." + suffix);
    if (!part.open()) {
        PrintError("Cannot write into the folder of " + outPath + ".");
        return kExitFailure;
    }
    part.close();
    QStringList pipeline = {"-q", "fdsrc", "fd=0", "!", "rawvideoparse",
                            QString("width=%1").arg(options.width), QString("height=%1").arg(options.height),
                            "format=bgr", QString("framerate=%1/1").arg(options.fps), "!", "videoconvert", "!",
                            "video/x-raw,format=I420", "!"};
    pipeline << encoder << "!" << "filesink" << ("location=" + part.fileName());
    QProcess gst;
    gst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gst.start(QStringLiteral("gst-launch-1.0"), pipeline);
    if (!gst.waitForStarted(10000)) {
        PrintError("GStreamer did not start.");
        return kExitFailure;
    }
    const std::string result = RenderShowCycle(
        show, options,
        [&gst](const Bitmap& frame) {
            // The rows are padded to 4 bytes exactly as the raw video parser expects.
            const char* bytes = reinterpret_cast<const char*>(frame.bits());
            qint64 left = qint64(frame.byteSize());
            while (left > 0) {
                const qint64 n = gst.write(bytes, left);
                if (n < 0) return false;
                bytes += n, left -= n;
                while (gst.bytesToWrite() > (8 << 20))
                    if (!gst.waitForBytesWritten(30000)) return false;
            }
            return gst.state() == QProcess::Running;
        },
        [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });
    while (gst.bytesToWrite() > 0 && gst.waitForBytesWritten(30000)) {
    }
    gst.closeWriteChannel();
    const bool finished = gst.waitForFinished(600000);
    if (!result.empty()) {
        gst.kill();
        PrintError(result);
        return kExitFailure;
    }
    if (!finished || gst.exitStatus() != QProcess::NormalExit || gst.exitCode() != 0) {
        PrintError("The video encoder failed.");
        return kExitFailure;
    }
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    std::error_code ec;
    std::filesystem::rename(part.fileName().toStdString(), outPath, ec);
    if (ec) {
        PrintError("Cannot write " + outPath + ": " + ec.message());
        return kExitFailure;
    }
    part.setAutoRemove(false);
    std::printf("%s\n", outPath.c_str());
    return kExitOk;
}

}  // namespace

int ShowCommand(const std::vector<std::string>& args) {
    Options o;
    if (auto error = SplitOptions(args, {"--render", "--size", "--fps"}, {"--list", "--help"}, o); !error.empty())
        return Usage("show: " + error);
    if (HasFlag(o, "--help")) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (o.positionals.size() != 1) return Usage("show: give one FILE.avl");
    const bool list = HasFlag(o, "--list");
    const std::string* render = Named(o, "--render");
    if (list == bool(render)) return Usage("show: give --list or --render OUT");
    RenderOptions options;
    if (const std::string* size = Named(o, "--size"); size && !ParseSize(*size, options.width, options.height))
        return Usage("show: --size takes WxH");
    if (const std::string* fps = Named(o, "--fps"); fps && !ParseInt(*fps, 1, 120, options.fps))
        return Usage("show: --fps takes 1..120");

    const ShowListing listing = ListShowCycle(o.positionals[0]);
    if (!listing.ok()) {
        PrintError(listing.error);
        return kExitFailure;
    }
    if (list) {
        for (const ListedSlide& s : listing.slides) std::printf("%s\n", SlideJson(s).c_str());
        return kExitOk;
    }
    const auto app = StartGuiApplication();
    return RenderVideo(listing, *render, options);
}

int TransitionCommand(const std::vector<std::string>& args) {
    Options o;
    if (auto error = SplitOptions(args, {"--at", "--size", "-o", "--speed"}, {"--list", "--help"}, o); !error.empty())
        return Usage("transition: " + error);
    if (HasFlag(o, "--help")) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    const EffectTable& table = PopulateEffectsList();
    if (HasFlag(o, "--list")) {
        for (int i = 0; i < kEffectCount; ++i) std::printf("%d\t%s\n", i, table.names[size_t(i)].c_str());
        return kExitOk;
    }
    if (o.positionals.size() != 3) return Usage("transition: give CODE A B");
    int code = 0, speed = kSpeedNormal, w = 0, h = 0;
    if (!ParseInt(o.positionals[0], 0, kEffectCount - 1, code)) return Usage("transition: CODE is 0..173");
    const std::string* at = Named(o, "--at");
    const std::string* size = Named(o, "--size");
    const std::string* out = Named(o, "-o");
    if (!at || !size || !out) return Usage("transition: --at T, --size WxH and -o OUT.png are required");
    char* end = nullptr;
    const double t = std::strtod(at->c_str(), &end);
    if (at->empty() || *end != '\0' || !(t >= 0 && t <= 1)) return Usage("transition: --at takes 0..1");
    if (!ParseSize(*size, w, h)) return Usage("transition: --size takes WxH");
    if (const std::string* s = Named(o, "--speed"); s && !ParseInt(*s, 0, 3, speed))
        return Usage("transition: --speed takes 0..3");

    const auto app = StartGuiApplication();
    DecodedPicture a, b;
    try {
        a = ReadImageFile(o.positionals[1]);
        b = ReadImageFile(o.positionals[2]);
    } catch (const std::exception& e) {
        PrintError(e.what());
        return kExitFailure;
    }
    SlideLook look;
    look.windowWidth = w;
    look.windowHeight = h;
    const Bitmap from = ComposeSlideFrame(a.bitmap, look);
    const Bitmap to = ComposeSlideFrame(b.bitmap, look);
    const SlidePlacement place = PlaceSlide(b.bitmap.width(), b.bitmap.height(), look);
    std::mt19937 engine(1);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    int previous = -1;
    const EffectRecord chosen =
        ResolveRandomFamily(table.records[size_t(code)], [&] { return uniform(engine); }, previous);
    Transition transition(from, to, MapEffectParameters(chosen, speed, w, place.drawnWidth, place.drawnHeight));
    Bitmap frame;
    transition.drawFrame(ProgressFromFraction(t), frame);
    Workspace ws;
    ws.setImage(std::move(frame));
    return SaveForCli(ws, *out, 3, SaveOptions{}).ok() ? kExitOk : kExitFailure;
}

}  // namespace vimbra::cli
