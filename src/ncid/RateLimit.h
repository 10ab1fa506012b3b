// At most `burst` events at once and one more each `every` after that: what a
// peer can make the program do is bounded however fast it sends.
#pragma once

#include <algorithm>
#include <chrono>

class RateLimit {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    RateLimit(int burst, std::chrono::steady_clock::duration every) : m_burst(burst), m_every(every)
    {
    }

    // True when one more event is allowed at `now`; it is counted.
    bool take(TimePoint now)
    {
        if (!m_started) {
            m_started = true;
            m_tokens = m_burst;
            m_since = now;
        }
        const auto earned = (now - m_since) / m_every;
        if (earned > 0) {
            m_tokens = static_cast<int>(std::min<decltype(earned)>(m_burst, m_tokens + earned));
            m_since += earned * m_every;
            if (m_tokens == m_burst)
                m_since = now;
        }
        if (m_tokens == 0)
            return false;
        --m_tokens;
        return true;
    }

private:
    int m_burst;
    std::chrono::steady_clock::duration m_every;
    bool m_started = false;
    int m_tokens = 0;
    TimePoint m_since{};
};
