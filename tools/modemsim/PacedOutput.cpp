#include "PacedOutput.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace {
// How long to wait before trying again when the line's buffer is full.
constexpr std::chrono::milliseconds FullRetry{10};
} // namespace

void PacedOutput::push(std::string_view bytes, std::chrono::nanoseconds gap)
{
    for (char c : bytes)
        m_items.push_back(Item{c, gap});
}

bool PacedOutput::writeDue(int fd, Clock::time_point now)
{
    if (m_retryAt && now < *m_retryAt)
        return true;
    m_retryAt.reset();
    while (!m_items.empty()) {
        const Item &first = m_items.front();
        const Clock::time_point due = m_lastWrite + first.gap;
        const bool paced = first.gap.count() > 0;
        if (paced && now < due)
            return true;
        // A line clocks its bytes: the next one counts from when this one was
        // due, not from when the wake-up came, so lateness does not add up.
        // After a pause longer than a gap the line starts afresh.
        const Clock::time_point sent = paced && now - due < first.gap ? due : now;
        // The first due byte, and every unpaced byte right behind it, in one write.
        std::string chunk(1, first.byte);
        for (std::size_t i = 1; i < m_items.size() && m_items[i].gap.count() == 0; ++i)
            chunk.push_back(m_items[i].byte);
        const ssize_t written = ::write(fd, chunk.data(), chunk.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_retryAt = now + FullRetry;
                return true;
            }
            return false;
        }
        m_items.erase(m_items.begin(), m_items.begin() + written);
        m_lastWrite = sent;
        if (static_cast<std::size_t>(written) < chunk.size()) {
            m_retryAt = now + FullRetry;
            return true;
        }
    }
    return true;
}

std::optional<PacedOutput::Clock::time_point> PacedOutput::nextDue() const
{
    if (m_items.empty())
        return std::nullopt;
    if (m_retryAt)
        return m_retryAt;
    return m_lastWrite + m_items.front().gap;
}
