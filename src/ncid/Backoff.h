// The pause before connecting again to a server that could not be reached or
// went away: 1 s, doubled at each failure up to 60 s, and 1 s again once the
// server has said something.
#pragma once

class Backoff {
public:
    static constexpr int FirstMilliseconds = 1000;
    static constexpr int LastMilliseconds = 60000;

    // The pause to wait now; the next one is longer.
    int next()
    {
        const int pause = m_pause;
        m_pause = m_pause >= LastMilliseconds / 2 ? LastMilliseconds : m_pause * 2;
        return pause;
    }
    void reset() { m_pause = FirstMilliseconds; }

private:
    int m_pause = FirstMilliseconds;
};
