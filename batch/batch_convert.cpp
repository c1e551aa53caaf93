#include "batch/batch_convert.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <filesystem>
#include <iterator>

#include "batch/bip_line.h"
#include "batch/bookmarks.h"
#include "batch/interpreter.h"
#include "filters/convolution.h"
#include "filters/lightness_filters.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/jpeg_metadata.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMakerAddress = "https://vimbra.example.org";
constexpr size_t kMaxCommentChars = 1024;
constexpr uint64_t kDiskReserve = 32768;
constexpr int kMaxNameSuffix = 999;

constexpr const char* kExtensions[] = {".jpg", ".bmp", ".png", ".tif", ".tga", ".pcx", ".webp", ".avif", ".jxl"};
constexpr const char* kNames[] = {"jpg", "bmp", "png", "tif", "tga", "pcx", "webp", "avif", "jxl"};
constexpr int kModernQuality = 90;

SaveFormat WriterOf(ConvertFormat format) {
    switch (format) {
        case ConvertFormat::Bmp: return SaveFormat::Bmp;
        case ConvertFormat::Png: return SaveFormat::Png;
        case ConvertFormat::Tif: return SaveFormat::TiffDeflate;
        case ConvertFormat::Tga: return SaveFormat::Tga;
        case ConvertFormat::Pcx: return SaveFormat::Pcx;
        case ConvertFormat::Webp: return SaveFormat::Webp;
        case ConvertFormat::Avif: return SaveFormat::Avif;
        case ConvertFormat::Jxl: return SaveFormat::Jxl;
        case ConvertFormat::Jpg: break;
    }
    return SaveFormat::Jpeg;
}

// The script's own host with the commands that leave the picture disabled:
// the script lines come without them and no file is ever deleted.
class ConversionScriptHost final : public BatchHost {
public:
    ConversionScriptHost(BatchHost& inner, std::vector<std::string> lines,
                         const std::function<bool(size_t)>& writeTurn)
        : inner_(inner), lines_(std::move(lines)), writeTurn_(writeTurn) {}
    size_t file = 0;  // the entry of the list being converted
    std::vector<std::string> scriptLines() override { return lines_; }
    Choice ask(MessageKind kind, std::string_view text, ChoiceSet choices) override {
        return inner_.ask(kind, text, choices);
    }
    bool loadFile(Workspace& ws, const std::string& path, LoadReason reason) override {
        return inner_.loadFile(ws, path, reason);
    }
    BatchSaveResult save(Workspace& ws, const SaveRequest& request) override {
        if (writeTurn_ && !writeTurn_(file)) {
            ws.CancelRequested = true;
            return {SaveOutcome::Failed};
        }
        return inner_.save(ws, request);
    }
    std::string lastSaveFolder() const override { return inner_.lastSaveFolder(); }
    bool lastSaveTypeIsBmp() const override { return inner_.lastSaveTypeIsBmp(); }
    bool deleteFile(const std::string&) override { return false; }
    void processEvents(Workspace& ws) override { inner_.processEvents(ws); }
    void sleepMs(int ms) override { inner_.sleepMs(ms); }

private:
    BatchHost& inner_;
    std::vector<std::string> lines_;
    const std::function<bool(size_t)>& writeTurn_;
};

// The wizard's pre-filter for JPEG output: defocus or the sharpening blur.
void JpegPreFilter(Workspace& ws, const JpegWizardSettings& wizard) {
    const int m = std::clamp(wizard.smoothingAmount, 0, 255);
    if (m == 0) return;
    if (wizard.smoothingMode == 1) DeFocus(ws, PassTarget::mainPicture(ws), 255 - m);
    if (wizard.smoothingMode == 2) SharpGaussianBlur5x5(ws, PassTarget::mainPicture(ws), 255, m);
}

// The comment goes in after the metadata, so it stays where it always was.
std::vector<uint8_t> Encode(Workspace& ws, const BatchConvertJob& job) {
    const auto metadata = MetadataToSave(ws, WriterOf(job.format), job.keepMetadata);
    if (job.format != ConvertFormat::Jpg) {
        SaveOptions options;
        options.quality = job.quality.value_or(kModernQuality);
        options.metadata = metadata ? &*metadata : nullptr;
        return EncodeForSave(ws.Image, WriterOf(job.format), options);
    }
    JpegWriteOptions options = WizardJpegOptions(job.wizard);
    if (job.quality) options.quality = std::clamp(*job.quality, 1, 100);
    std::vector<uint8_t> jpeg = EncodeJpeg(ws.Image, options);
    if (metadata) jpeg = WithMetadata(std::move(jpeg), *metadata);
    return InsertJpegComment(jpeg, BatchCommentText());
}

bool Convertible(const std::string& path) {
    static const std::string kReadable = ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.WEBP.AVIF.HEIC.HEIF.JXL.";
    const std::string ext = UpperExtension(path);
    return ext.size() > 1 && kReadable.find(ext + ".") != std::string::npos;
}

}  // namespace

const char* ConvertExtension(ConvertFormat format) { return kExtensions[int(format)]; }

std::optional<ConvertFormat> ConvertFormatFromName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (int i = 0; i < int(std::size(kNames)); ++i)
        if (lower == kNames[i]) return ConvertFormat(i);
    return std::nullopt;
}

bool IsConvertibleSource(const std::string& path) {
    std::error_code ec;
    return Convertible(path) && ClassifyFile(path) == FileKind::Picture &&
           fs::is_regular_file(path, ec);
}

std::string ConversionTargetPath(const std::string& source, const std::string& folder,
                                 ConvertFormat format) {
    const std::string stem = fs::path(source).stem().string();
    const std::string ext = ConvertExtension(format);
    std::error_code ec;
    for (int k = 0; k <= kMaxNameSuffix; ++k) {
        const std::string name = k == 0 ? stem + ext : stem + "-" + std::to_string(k) + ext;
        const fs::path path = fs::path(folder) / name;
        if (!fs::exists(fs::symlink_status(path, ec))) return path.string();
    }
    return {};
}

std::vector<std::string> ConversionScript(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    Workspace scratch;
    for (const std::string& line : lines) {
        const std::string keyword = ParseBipLine(line, scratch).keyword;
        if (keyword == "NEXT" || keyword == "PREVIOUS" || keyword == "LOOP" || keyword == "DELETE")
            continue;
        kept.push_back(line);
    }
    return kept;
}

std::string BatchCommentText() {
    std::string text = std::string("Encoded with Vimbra 6.71 - ") + kMakerAddress;
    text.resize(std::min(text.size(), kMaxCommentChars));
    return text;
}

std::string ConversionProgressLabel(size_t done, int percent) {
    return std::to_string(done) + " file(s) processed.  " + std::to_string(percent) + "% done.";
}

bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const fs::path target(path);
    QTemporaryFile temp(QString::fromStdString((target.parent_path() / ".vimbra-XXXXXX").string()));
    if (!temp.open()) return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (temp.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !temp.flush() || ::fchmod(temp.handle(), 0666 & ~mask) != 0)
        return false;
    temp.close();
    // Refuses a name that was taken meanwhile; the temporary file then goes.
    // After a rename the object names the new file, which must stay.
    if (!temp.rename(QString::fromStdString(path))) return false;
    temp.setAutoRemove(false);
    return true;
}

BatchConvertResult BatchConvert(Workspace& ws, const BatchConvertJob& job, BatchProgress* progress) {
    BatchConvertResult result;
    const size_t n = job.files.size();
    const bool runScript = job.scriptHost && !job.script.empty();
    std::optional<ConversionScriptHost> scriptHost;
    if (runScript) scriptHost.emplace(*job.scriptHost, ConversionScript(job.script), job.writeTurn);
    if (progress) progress->begin("Batch Encoding ...", n);
    ws.BatchRunning = true;
    ws.CancelRequested = false;
    int lastPercent = -1;
    size_t i = 0;
    // Ends the batch at file i.
    const auto end = [&](BatchConvertResult::End how, std::string message) {
        result.end = how;
        result.message = std::move(message);
        if (how != BatchConvertResult::End::Cancelled) ws.CancelRequested = true;
    };
    // File i is done: false when the batch is to end.
    const auto done = [&](bool written, const std::string& path, const char* reason) {
        (written ? result.written : result.skipped).push_back(path);
        if (!job.fileDone || job.fileDone(i, ConvertedFile{written, path, reason})) return true;
        end(BatchConvertResult::End::Cancelled, {});
        return false;
    };
    for (; i < n; ++i) {
        if (ws.CancelRequested || (progress && progress->cancelRequested())) {
            end(BatchConvertResult::End::Cancelled, {});
            break;
        }
        const std::string& source = job.files[i];
        ws.Modified = false;
        const int percent = int((i + 1) * 100 / n);
        if (progress && percent != lastPercent) progress->step(i + 1, n, percent);
        lastPercent = percent;
        if (!IsConvertibleSource(source) || !LoadImageFile(ws, source, 0, job.load)) {
            if (!done(false, source, "Not read: no picture of a kind the conversion reads.")) break;
            continue;
        }
        ws.CurrentFileName = source;
        if (job.format == ConvertFormat::Jpg || runScript) ws.ForceTrueColor();
        if (runScript) {
            scriptHost->file = i;
            Bookmarks single;
            single.replace({source}, 0);
            BatchInterpreter interpreter(ws, single, *scriptHost);
            interpreter.options.stopWhenNextWraps = true;
            if (interpreter.DoBatchImageProcess() == BatchEnd::Aborted) {
                end(BatchConvertResult::End::Cancelled, {});
                break;
            }
            ws.BatchRunning = true;
        }
        if (job.format == ConvertFormat::Jpg) JpegPreFilter(ws, job.wizard);
        std::vector<uint8_t> bytes;
        try {
            bytes = Encode(ws, job);
        } catch (const std::exception&) {
            if (!done(false, source, "Not converted: the picture could not be encoded.")) break;
            continue;
        }
        if (job.writeTurn && !job.writeTurn(i)) {
            end(BatchConvertResult::End::Cancelled, {});
            break;
        }
        const uint64_t needed = (job.format == ConvertFormat::Jpg
                                     ? uint64_t(bytes.size())
                                     : uint64_t(ws.Image.width()) * ws.Image.height() * 3) +
                                kDiskReserve;
        const auto free = job.freeSpace ? job.freeSpace(job.folder) : FreeDiskSpace(job.folder);
        if (free && *free < needed) {
            end(BatchConvertResult::End::DiskFull, DiskSpaceMessage(needed, *free, "Batch cancelled."));
            break;
        }
        const std::string target = ConversionTargetPath(source, job.folder, job.format);
        if (target.empty()) {
            if (!done(false, source, "Not converted: every free name is taken.")) break;
            continue;
        }
        if (!WriteNewFile(target, bytes)) {
            end(BatchConvertResult::End::WriteFailed, "Batch aborted.");
            break;
        }
        if (!done(true, target, "")) break;
    }
    result.endedAt = result.completed() ? n : std::min(i, n);
    ws.Modified = false;
    ws.BatchRunning = false;
    return result;
}

std::vector<std::string> SkippedLines(const std::vector<std::string>& skipped) {
    std::vector<std::string> lines;
    for (const std::string& path : skipped) lines.push_back("Skipped: " + path);
    return lines;
}

std::string WriteBatchExceptions(const std::vector<std::string>& lines, const std::string& folder) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    QDir().mkpath(QString::fromStdString(folder));
    const std::string path = (fs::path(folder) / "BatchExceptions.txt").string();
    WriteFileAtomically(path, ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return path;
}

std::string SkippedQuestion(size_t count) {
    return std::to_string(count) +
           " file(s) skipped.  Some files may be opened and processed manually.\nView log?";
}

}  // namespace vimbra
