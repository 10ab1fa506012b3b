// What an NCID server sends, byte for byte, through the client's line cutting
// and its reading of CID lines.
#include "ncid/LineSplitter.h"
#include "ncid/NcidText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Names the broken invariant and stops, so libFuzzer keeps the input.
[[noreturn]] void fail(int line, const char *condition)
{
    std::fprintf(stderr, "fuzz_ncid_client.cpp:%d: invariant broken: %s\n", line, condition);
    std::abort();
}
#define CHECK(condition) ((condition) ? void(0) : fail(__LINE__, #condition))

bool isDigits(std::u16string_view text)
{
    if (text.empty())
        return false;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

void checkLine(const std::string &line)
{
    CHECK(line.size() <= NcidText::MaxServerLine);
    CHECK(line.find('\n') == std::string::npos);

    const auto call = NcidText::parseCid(line);
    if (!line.starts_with("CID:") || line.find("NMBR") == std::string::npos)
        CHECK(!call);
    if (!call)
        return;

    // Digits, or the withheld mark, which never has a name.
    CHECK(isDigits(call->number));
    if (call->number == WithheldMark)
        CHECK(call->name.empty());
    CHECK(call->number == u"81" || !call->number.starts_with(u"81"));
    // A name fit for one line of the window.
    for (const char16_t c : call->name)
        CHECK(c >= 0x20 && c != 0x7F && c != 0xFEFF && !(c >= 0x80 && c <= 0x9F));
    CHECK(call->name.empty() || (call->name.front() != u' ' && call->name.back() != u' '));
    CHECK(call->name != u"NO NAME");

    // Served again by Nubrel's own server, the call reads the same.
    const std::string again =
        NcidText::cidLine({{2026, 1, 2, 3, 4}, call->number, call->name}, u"-");
    CHECK(again.ends_with("\r\n"));
    CHECK(again.find_first_of("\r\n") == again.size() - 2);
    const auto reread = NcidText::parseCid(std::string_view(again).substr(0, again.size() - 2));
    CHECK(reread && *reread == *call);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // Cut where the input says: the pieces a socket might deliver.
    LineSplitter splitter(NcidText::MaxServerLine);
    std::string line;
    std::size_t at = 0;
    std::size_t lines = 0;
    while (at < bytes.size()) {
        const std::size_t piece = 1 + static_cast<unsigned char>(bytes[at]) * 37 % 701;
        splitter.append(bytes.substr(at, piece));
        at += piece;
        while (true) {
            const LineSplitter::Next next = splitter.next(line);
            if (next == LineSplitter::Next::None)
                break;
            if (next == LineSplitter::Next::Line) {
                ++lines;
                checkLine(line);
            }
        }
    }
    // No more lines than line ends.
    std::size_t ends = 0;
    for (const char c : bytes)
        ends += c == '\n';
    CHECK(lines <= ends);
    return 0;
}
