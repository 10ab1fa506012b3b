// Bytes on their way to the device's line, each allowed out only after its gap
// since the byte before it: how answers in pieces and slow lines are simulated.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string_view>

class PacedOutput {
public:
    using Clock = std::chrono::steady_clock;

    // Queues the bytes; every one of them waits `gap` after the previous byte went out.
    void push(std::string_view bytes, std::chrono::nanoseconds gap);
    // Writes every byte that is due to the non-blocking descriptor; false when the
    // descriptor failed for good (not merely full).
    bool writeDue(int fd, Clock::time_point now);
    // When the next byte may go out; nothing when the queue is empty.
    std::optional<Clock::time_point> nextDue() const;
    bool empty() const { return m_items.empty(); }
    void clear() { m_items.clear(); }

private:
    struct Item {
        char byte;
        std::chrono::nanoseconds gap;
    };
    std::deque<Item> m_items;
    Clock::time_point m_lastWrite{};
    // Set while the line is full, so the next attempt waits a little.
    std::optional<Clock::time_point> m_retryAt;
};
