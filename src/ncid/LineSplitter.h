// Cuts what a peer sends into lines ended by LF (a CR before it is dropped),
// holding at most one line's worth of bytes however the peer sends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class LineSplitter {
public:
    enum class Next {
        None,    // no complete line yet
        Line,    // `line` holds the next line, without its line end
        TooLong, // a line passed the limit; it is skipped up to its line end
    };

    explicit LineSplitter(std::size_t maxLine) : m_maxLine(maxLine) {}

    void append(std::string_view bytes);
    Next next(std::string &line);
    void clear();

private:
    std::size_t m_maxLine;
    std::string m_buffer;
    std::size_t m_at = 0;    // where the next line starts in m_buffer
    bool m_skipping = false; // inside a line already reported too long
};
