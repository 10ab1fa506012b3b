// Lines as a peer's bytes make them, however they are cut, within a limit.
#include "ncid/LineSplitter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Everything the splitter gives for the pieces: lines, and "!" for each line
// reported too long.
std::vector<std::string> split(std::size_t limit, const std::vector<std::string> &pieces)
{
    LineSplitter splitter(limit);
    std::vector<std::string> out;
    std::string line;
    for (const std::string &piece : pieces) {
        splitter.append(piece);
        while (true) {
            const LineSplitter::Next next = splitter.next(line);
            if (next == LineSplitter::Next::None)
                break;
            out.push_back(next == LineSplitter::Next::Line ? line : "!");
        }
    }
    return out;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(LineSplitter, LinesWhateverThePieces)
{
    EXPECT_EQ(split(10, {"a\r\nb\nc"}), (Lines{"a", "b"}));
    EXPECT_EQ(split(10, {"RE", "Q: ", "YO\r", "\nx\n"}), (Lines{"REQ: YO", "x"}));
    EXPECT_EQ(split(10, {"\n\r\n"}), (Lines{"", ""}));
    EXPECT_EQ(split(10, {"a\rb\n"}), (Lines{"a\rb"})); // only a CR before the LF goes
}

TEST(LineSplitter, TheLimitCountsTheLineWithoutItsEnd)
{
    const std::string full(10, 'x');
    EXPECT_EQ(split(10, {full + "\r\n"}), (Lines{full}));
    EXPECT_EQ(split(10, {full + "\r", "\n"}), (Lines{full}));
    EXPECT_EQ(split(10, {full + "x\n", "ok\n"}), (Lines{"!", "ok"}));
    // Too long before its end has come: reported once, skipped up to its end.
    EXPECT_EQ(split(10, {full + "x", "yyyy", std::string(100, 'z'), "\nok\n"}), (Lines{"!", "ok"}));
    EXPECT_EQ(split(10, {std::string(1000, 'z') + "\nok\n"}), (Lines{"!", "ok"}));
}
