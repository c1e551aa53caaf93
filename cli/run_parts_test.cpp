#include "cli/run_parts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vimbra::cli {
namespace {

using Pieces = std::vector<std::pair<int, std::string>>;

std::string Contents(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += char(c);
    return text;
}

TEST(RunParts, EntriesOfEachPart) {
    EXPECT_EQ(OrderedEntries::EntriesOf(0, 3, 7), (std::vector<size_t>{0, 3, 6}));
    EXPECT_EQ(OrderedEntries::EntriesOf(2, 3, 7), (std::vector<size_t>{2, 5}));
    EXPECT_EQ(OrderedEntries::EntriesOf(3, 4, 2), (std::vector<size_t>{}));
    // Together: every entry once.
    std::vector<int> seen(10);
    for (size_t part = 0; part < 4; ++part)
        for (size_t e : OrderedEntries::EntriesOf(part, 4, 10)) ++seen[e];
    EXPECT_EQ(seen, std::vector<int>(10, 1));
}

TEST(RunParts, OutputComesInListOrderAndStopsWhereTheRunEnds) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    {
        OrderedEntries order(5, out, err);
        EXPECT_TRUE(order.complete(2, Pieces{{0, "c\n"}}, false));
        EXPECT_TRUE(order.complete(1, Pieces{{0, "b\n"}, {1, "warn b\n"}}, false));
        EXPECT_EQ(Contents(out), "");  // entry 0 is not done yet
        EXPECT_TRUE(order.waitTurn(0));
        EXPECT_TRUE(order.complete(0, Pieces{{0, "a\n"}}, false));
        EXPECT_EQ(Contents(out), "a\nb\nc\n");
        EXPECT_TRUE(order.waitTurn(3));
        // Entry 4 finished first, but the run ends at entry 3: 4 is dropped.
        EXPECT_TRUE(order.complete(4, Pieces{{0, "e\n"}}, false));
        EXPECT_FALSE(order.complete(3, Pieces{{1, "failed d\n"}}, true));
        EXPECT_EQ(order.endedAt(), 3u);
        EXPECT_FALSE(order.waitTurn(4));
        EXPECT_FALSE(order.complete(4, Pieces{{0, "again\n"}}, false));
    }
    std::fseek(out, 0, SEEK_END);
    EXPECT_EQ(Contents(out), "a\nb\nc\n");
    EXPECT_EQ(Contents(err), "warn b\nfailed d\n");
    std::fclose(out);
    std::fclose(err);
}

TEST(RunParts, AWriteWaitsForEveryEarlierEntry) {
    std::FILE* out = std::tmpfile();
    OrderedEntries order(3, out, out);
    std::atomic<bool> turned{false};
    std::thread writer([&] {
        turned = order.waitTurn(2);
    });
    order.complete(1, {}, false);
    // Entry 0 still open: the writer for entry 2 must still be waiting.
    std::this_thread::yield();
    EXPECT_FALSE(turned);
    order.complete(0, {}, false);
    writer.join();
    EXPECT_TRUE(turned);
    EXPECT_EQ(order.endedAt(), 3u);  // entry 2 not done: the run has not ended
    std::fclose(out);
}

TEST(RunParts, CapturedStreamsKeepTheirInterleaving) {
    CapturedOutput c;
    std::fprintf(c.out(), "one\n");
    std::fprintf(c.out(), "two\n");
    std::fprintf(c.err(), "warning\n");
    std::fprintf(c.out(), "three\n");
    EXPECT_EQ(c.take(), (Pieces{{0, "one\ntwo\n"}, {1, "warning\n"}, {0, "three\n"}}));
    EXPECT_EQ(c.take(), Pieces{});
}

TEST(RunParts, SidePiecesReachTheSinkInOrderWithTheirEntry) {
    std::FILE* out = std::tmpfile();
    std::vector<std::pair<size_t, std::string>> side;
    {
        OrderedEntries order(4, out, out,
                             [&](size_t e, const std::string& text) { side.emplace_back(e, text); });
        CapturedOutput c;
        std::fprintf(c.out(), "b\n");
        c.add(OrderedEntries::kSideStream, "line b");
        std::fprintf(c.out(), "after\n");
        EXPECT_EQ(c.take(), (Pieces{{0, "b\n"}, {2, "line b"}, {0, "after\n"}}));
        order.complete(1, Pieces{{0, "b\n"}, {2, "line b"}}, false);
        EXPECT_TRUE(side.empty());
        order.complete(0, Pieces{{2, "line a"}}, false);
        order.complete(2, Pieces{{2, "line c"}}, true);
        // Past the end of the run: dropped with the rest of the entry.
        order.complete(3, Pieces{{2, "line d"}}, false);
    }
    using Side = std::vector<std::pair<size_t, std::string>>;
    EXPECT_EQ(side, (Side{{0, "line a"}, {1, "line b"}, {2, "line c"}}));
    EXPECT_EQ(Contents(out), "b\n");
    std::fclose(out);
}

TEST(RunParts, EveryPartRunsAndAnExceptionComesBack) {
    std::atomic<int> ran{0};
    RunParts(3, [&](size_t) { ++ran; });
    EXPECT_EQ(ran, 3);
    EXPECT_THROW(RunParts(2, [](size_t part) {
                     if (part == 1) throw std::runtime_error("part 1");
                 }),
                 std::runtime_error);
}

}  // namespace
}  // namespace vimbra::cli
