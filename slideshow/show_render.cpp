#include "slideshow/show_render.h"

#include <algorithm>
#include <random>

#include "imagefiles/load_dispatch.h"
#include "slideshow/avl_paths.h"
#include "slideshow/slide_frame.h"
#include "slideshow/text_slide.h"
#include "slideshow/transition.h"

namespace vimbra {

int HoldFrames(int64_t waitMs, int fps) { return int(std::max<int64_t>(1, waitMs * fps / 1000)); }

int TransitionFrames(const EffectRecord& mapped, int speed, int fps) {
    return std::max(1, int(int64_t(TransitionDurationMs(mapped, speed)) * fps / 1000));
}

std::string RenderShowCycle(const ShowListing& show, const RenderOptions& options, const FrameSink& sink,
                            const RenderReport& report) {
    if (!show.ok()) return show.error;
    // A fixed seed: the same script always renders the same video.
    std::mt19937 engine(1);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const RandomSource random = [&] { return uniform(engine); };
    int previousCode = -1;
    Bitmap shown = BlankFrame(options.width, options.height, options.background);
    Bitmap frame;
    for (const ListedSlide& s : show.slides) {
        if (s.kind == SlideKind::Text) {
            // Pages come without a transition, drawn over what is shown.
            shown = ComposeTextPage(shown, *s.file, s.slide, options.textPosition,
                                    s.slide.background.value_or(options.background), options.width, options.height);
            for (int i = HoldFrames(s.slide.waitMs(), options.fps); i > 0; --i)
                if (!sink(shown)) return "Stopped.";
            continue;
        }
        if (s.kind != SlideKind::Picture) {
            report("Slide " + std::to_string(s.p) + ": " + SlideKindName(s.kind) + " slides have no pictures for a video; skipped.");
            continue;
        }
        DecodedPicture picture;
        try {
            picture = ReadImageFile(*s.file);
        } catch (const std::exception&) {
            const size_t slash = s.file->rfind('/');
            return MissingSlideMessage(s.p, int(show.slides.size()) + 1, s.file->substr(0, slash + 1),
                                       s.file->substr(slash + 1));
        }
        const SlideLook look = LookOfSlide(s.slide, options.width, options.height, options.background);
        const Bitmap next = ComposeSlideFrame(picture.bitmap, look);
        const SlidePlacement place = PlaceSlide(picture.bitmap.width(), picture.bitmap.height(), look);
        const EffectRecord chosen = ChooseAvlEffect(s.slide.effect, s.slide.family, random, previousCode);
        const EffectRecord fx =
            MapEffectParameters(chosen, options.speed, options.width, place.drawnWidth, place.drawnHeight);
        if (fx.code != kFxNone) {
            Transition transition(shown, next, fx);
            const int frames = TransitionFrames(fx, options.speed, options.fps);
            for (int i = 1; i <= frames; ++i) {
                transition.drawFrame(int(int64_t(kProgressOne) * i / frames), frame);
                if (!sink(frame)) return "Stopped.";
            }
        }
        shown = next;
        for (int i = HoldFrames(s.slide.waitMs(), options.fps); i > 0; --i)
            if (!sink(shown)) return "Stopped.";
    }
    return {};
}

}  // namespace vimbra
