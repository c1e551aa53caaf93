#include "slideshow/show_runner.h"

#include <algorithm>
#include <filesystem>

namespace vimbra {

std::string SlideCaption(int p, int total, const std::string& name) {
    return "Slide " + std::to_string(p) + " of " + std::to_string(total) + " \n " + name;
}

ShowRunner::ShowRunner(Clock clock, RandomSource random) : clock_(std::move(clock)), random_(std::move(random)) {}

std::string ShowRunner::startBookmarks(std::vector<std::string> entries, size_t bookmarkIndex, int delayMs,
                                       std::vector<int> selection) {
    if (entries.size() < 2) return kTwoSlidesRequired;
    entries_ = std::move(entries);
    // The show begins after the current entry; at 0 it begins with the first.
    bookmarkIndex_ = bookmarkIndex == 0 || bookmarkIndex >= entries_.size() ? entries_.size() - 1 : bookmarkIndex;
    delayMs_ = delayMs;
    selection_ = std::move(selection);
    avl_ = false;
    running_ = true;
    stop_ = advance_ = false;
    endMessage_.clear();
    previousCode_ = -1;
    return {};
}

std::string ShowRunner::startAvl(const std::string& path) {
    AvlParseResult parsed = ReadAvlScript(path);
    if (!parsed.ok()) return parsed.error;
    script_ = std::move(parsed.script);
    scriptPath_ = path;
    resolver_ = std::make_unique<AvlPathResolver>(path, script_.directory);
    p_ = script_.run - 1;  // the first step moves on to RUN
    avl_ = true;
    running_ = true;
    stop_ = advance_ = false;
    endMessage_.clear();
    previousCode_ = -1;
    return {};
}

std::optional<SlideStep> ShowRunner::end(std::string message) {
    running_ = false;
    endMessage_ = std::move(message);
    return std::nullopt;
}

std::optional<SlideStep> ShowRunner::next() {
    if (!running_) return std::nullopt;
    if (stop_) return end({});
    advance_ = false;
    return avl_ ? nextAvl() : nextBookmark();
}

std::optional<SlideStep> ShowRunner::nextBookmark() {
    bookmarkIndex_ = bookmarkIndex_ + 1 >= entries_.size() ? 0 : bookmarkIndex_ + 1;
    SlideStep step;
    step.p = int(bookmarkIndex_) + 1;
    step.total = int(entries_.size());
    step.name = entries_[bookmarkIndex_];
    step.windowCaption = SlideCaption(step.p, step.total, step.name);
    const std::filesystem::path file(step.name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return end(MissingSlideMessage(step.p, step.total, file.parent_path().string(), file.filename().string()));
    step.path = step.name;
    step.slide.hasFile = true;
    step.slide.fileName = file.filename().string();
    step.kind = KindOfSlide(step.slide);
    step.slide.timeMs = delayMs_;
    step.waitMs = step.slide.waitMs();
    step.effect = ChooseBookmarkEffect(selection_, random_, previousCode_);
    return step;
}

std::optional<SlideStep> ShowRunner::nextAvl() {
    for (int chained = 0; chained <= kMaxChainedScripts; ++chained) {
        p_ = p_ + 1 >= script_.n ? 1 : p_ + 1;
        const AvlSlide& slide = script_.slides[size_t(p_ - 1)];
        SlideStep step;
        step.p = p_;
        step.total = script_.n;
        step.slide = slide;
        step.name = slide.fileName;
        step.kind = KindOfSlide(slide);
        step.windowCaption = SlideCaption(step.p, step.total, step.name);
        step.waitMs = slide.waitMs();
        if (step.kind != SlideKind::Cd) {
            const std::string folder = resolver_->directory()[size_t(slide.folderIndex)];
            auto found = resolver_->resolve(slide);
            if (!found) return end(MissingSlideMessage(step.p, step.total, folder, slide.fileName));
            step.path = *found;
        }
        if (step.kind == SlideKind::Avl) {
            // The chained script replaces this one and the show starts over with it.
            const std::string error = startAvl(step.path);
            if (!error.empty()) return end(error);
            continue;
        }
        step.effect = ChooseAvlEffect(slide.effect, slide.family, random_, previousCode_);
        return step;
    }
    return end(kBadAvlFile);
}

void ShowRunner::beginWait(int64_t ms) {
    advance_ = false;
    deadline_ = clock_() + std::max<int64_t>(ms, kMinSlideWaitMs);
}

bool ShowRunner::waitOver() const { return stop_ || advance_ || clock_() >= deadline_; }

int64_t ShowRunner::remainingMs() const {
    if (stop_ || advance_) return 0;
    return std::max<int64_t>(0, deadline_ - clock_());
}

}  // namespace vimbra
