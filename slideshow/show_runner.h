#pragma once
// The course of a show without a window: which slide comes next, what file it
// shows, its caption, transition and time, the wait and the requests that cut
// it short. The window (or a video renderer) asks for steps and draws them;
// time comes from an injected clock so the course can be tested.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "slideshow/avl_paths.h"
#include "slideshow/avl_script.h"
#include "slideshow/effect_table.h"

namespace vimbra {

// Chained scripts that show nothing before chaining again end the show.
inline constexpr int kMaxChainedScripts = 16;

struct SlideStep {
    int p = 0;                 // 1-based slide (bookmark: entry) number
    int total = 0;             // N for a script, the entry count for bookmarks
    SlideKind kind = SlideKind::Picture;
    std::string path;          // the file; empty for a CD slide
    std::string name;          // the F name or the bookmark's path
    AvlSlide slide;            // the script's values (defaults for bookmarks)
    EffectRecord effect;       // chosen, random families resolved, not yet mapped
    int64_t waitMs = kMinSlideWaitMs;
    std::string windowCaption; // "Slide p of total \n name"
};

class ShowRunner {
public:
    using Clock = std::function<int64_t()>;  // milliseconds, never going back

    ShowRunner(Clock clock, RandomSource random);

    // Starts a bookmark show over entries; bookmarkIndex is the current entry
    // (the show begins after it; at 0 with the first). "" or the refusal text.
    std::string startBookmarks(std::vector<std::string> entries, size_t bookmarkIndex, int delayMs,
                               std::vector<int> selection);
    // Starts a script: "" or "Bad AVL file." / the two-slides text.
    std::string startAvl(const std::string& path);

    // The next slide, or nothing when the show has ended (endMessage() says
    // why: the missing-file warning, a bad chained script, or empty on stop).
    std::optional<SlideStep> next();

    // The wait of a slide: its time, 50 ms at least, cut short by a request.
    void beginWait(int64_t ms);
    bool waitOver() const;
    int64_t remainingMs() const;

    void requestAdvance() { advance_ = true; }
    void requestStop() { stop_ = true; }
    bool stopRequested() const { return stop_; }
    bool running() const { return running_; }
    bool avlMode() const { return avl_; }
    size_t bookmarkIndex() const { return bookmarkIndex_; }
    const std::string& endMessage() const { return endMessage_; }
    const std::string& scriptPath() const { return scriptPath_; }

private:
    std::optional<SlideStep> nextBookmark();
    std::optional<SlideStep> nextAvl();
    std::optional<SlideStep> end(std::string message);

    Clock clock_;
    RandomSource random_;
    bool running_ = false, avl_ = false, stop_ = false, advance_ = false;
    int64_t deadline_ = 0;
    std::string endMessage_;
    int previousCode_ = -1;
    // Bookmark show.
    std::vector<std::string> entries_;
    size_t bookmarkIndex_ = 0;
    int delayMs_ = 0;
    std::vector<int> selection_;
    // Script show.
    std::string scriptPath_;
    AvlScript script_;
    std::unique_ptr<AvlPathResolver> resolver_;
    int p_ = 0;
};

// "Slide " + p + " of " + total + " \n " + name.
std::string SlideCaption(int p, int total, const std::string& name);

}  // namespace vimbra
