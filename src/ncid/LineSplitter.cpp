#include "ncid/LineSplitter.h"

void LineSplitter::append(std::string_view bytes)
{
    if (m_at > 0 && m_at == m_buffer.size()) {
        m_buffer.clear();
        m_at = 0;
    }
    m_buffer.append(bytes);
}

LineSplitter::Next LineSplitter::next(std::string &line)
{
    while (true) {
        const std::size_t lf = m_buffer.find('\n', m_at);
        if (lf == std::string::npos) {
            std::size_t waiting = m_buffer.size() - m_at;
            // A CR at the end may be the start of this line's end.
            if (waiting > 0 && m_buffer.back() == '\r')
                --waiting;
            if (m_skipping || waiting > m_maxLine) {
                m_buffer.clear();
                m_at = 0;
                if (m_skipping)
                    return Next::None;
                m_skipping = true;
                return Next::TooLong;
            }
            m_buffer.erase(0, m_at);
            m_at = 0;
            return Next::None;
        }
        std::size_t length = lf - m_at;
        if (length > 0 && m_buffer[lf - 1] == '\r')
            --length;
        const std::size_t start = m_at;
        m_at = lf + 1;
        if (m_skipping) {
            m_skipping = false;
            continue;
        }
        if (length > m_maxLine)
            return Next::TooLong;
        line.assign(m_buffer, start, length);
        return Next::Line;
    }
}

void LineSplitter::clear()
{
    m_buffer.clear();
    m_at = 0;
    m_skipping = false;
}
