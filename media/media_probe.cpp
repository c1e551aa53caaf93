#include "media/media_probe.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <filesystem>
#include <memory>

namespace vimbra {
namespace {

template <typename T>
struct GUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GUnref<T>>;

struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct StreamListFree {
    void operator()(GList* list) const { gst_discoverer_stream_info_list_free(list); }
};
using StreamList = std::unique_ptr<GList, StreamListFree>;

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string Unplayable(const std::string& path, const std::string& why) {
    return NameOf(path) + " could not be read as audio or video: " + why;
}

// GStreamer's text as one sentence ("...error." not "...error..").
std::string Sentence(const char* text) {
    std::string s = text && *text ? text : "damaged or unknown format";
    while (!s.empty() && (s.back() == '.' || s.back() == ' ' || s.back() == '\n')) s.pop_back();
    return s + ".";
}

}  // namespace

MediaFacts ProbeMediaFile(const std::string& path, int timeoutSeconds) {
    MediaFacts facts;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        facts.message = NameOf(path) + " not found.";
        return facts;
    }
    GError* raw = nullptr;
    if (!gst_init_check(nullptr, nullptr, &raw)) {
        ErrorPtr error(raw);
        facts.message = std::string("GStreamer cannot start: ") + (error ? error->message : "unknown error");
        return facts;
    }
    GObjectPtr<GstDiscoverer> discoverer(gst_discoverer_new(GstClockTime(timeoutSeconds) * GST_SECOND, &raw));
    if (!discoverer) {
        ErrorPtr error(raw);
        facts.message = std::string("GStreamer cannot read media: ") + (error ? error->message : "unknown error");
        return facts;
    }
    const std::string absolute = std::filesystem::absolute(path, ec).string();
    gchar* uri = gst_filename_to_uri(absolute.c_str(), nullptr);
    if (!uri) {
        facts.message = Unplayable(path, "bad file name.");
        return facts;
    }
    GObjectPtr<GstDiscovererInfo> info(gst_discoverer_discover_uri(discoverer.get(), uri, &raw));
    g_free(uri);
    ErrorPtr error(raw);
    const GstDiscovererResult result =
        info ? gst_discoverer_info_get_result(info.get()) : GST_DISCOVERER_ERROR;
    switch (result) {
        case GST_DISCOVERER_OK: break;
        case GST_DISCOVERER_TIMEOUT:
            facts.message = Unplayable(path, "no answer within " + std::to_string(timeoutSeconds) + " s.");
            return facts;
        case GST_DISCOVERER_MISSING_PLUGINS:
            facts.message = Unplayable(path, "no GStreamer plugin decodes it.");
            return facts;
        default:
            facts.message = Unplayable(path, Sentence(error ? error->message : nullptr));
            return facts;
    }
    const StreamList video(gst_discoverer_info_get_video_streams(info.get()));
    const StreamList audio(gst_discoverer_info_get_audio_streams(info.get()));
    // Still pictures (a PNG, a cover image) are video streams of one frame.
    for (GList* s = video.get(); s; s = s->next) {
        auto* v = GST_DISCOVERER_VIDEO_INFO(s->data);
        if (gst_discoverer_video_info_is_image(v)) continue;
        facts.hasVideo = true;
        facts.videoWidth = int(gst_discoverer_video_info_get_width(v));
        facts.videoHeight = int(gst_discoverer_video_info_get_height(v));
        break;
    }
    facts.hasAudio = audio != nullptr;
    if (!facts.hasVideo && !facts.hasAudio) {
        facts.message = Unplayable(path, "it holds no sound or moving picture.");
        return facts;
    }
    const GstClockTime duration = gst_discoverer_info_get_duration(info.get());
    if (GST_CLOCK_TIME_IS_VALID(duration) && duration > 0)
        facts.durationMs = int64_t((duration + GST_MSECOND / 2) / GST_MSECOND);
    facts.ok = true;
    return facts;
}

}  // namespace vimbra
