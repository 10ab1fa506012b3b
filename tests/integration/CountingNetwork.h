// The real network with a count of what went over each outgoing connection:
// whether it was established, the bytes the program was handed and the bytes
// it wrote. A test waits on these for the program to have read what its peer
// sent before it judges what the program did with it, or did not do.
#pragma once

#include "platform/Network.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CountingNetwork final : public Net::Network {
public:
    // What one outgoing connection carried; it outlives the connection.
    struct Link {
        std::uint16_t port = 0;
        bool connected = false;
        std::size_t received = 0;
        std::size_t written = 0;
    };

    explicit CountingNetwork(Net::Network &real) : m_real(real) {}

    std::unique_ptr<Net::Listener> listen(const std::string &address, std::uint16_t port,
                                          AcceptFunction accept, std::string &error) override
    {
        return m_real.listen(address, port, std::move(accept), error);
    }

    std::unique_ptr<Net::Connection> connect(const std::string &host, std::uint16_t port,
                                             Net::ConnectionHandler &handler) override
    {
        auto link = std::make_shared<Link>();
        link->port = port;
        m_links.push_back(link);
        auto counted = std::make_unique<Counted>(link, handler);
        counted->m_real = m_real.connect(host, port, counted->m_relay);
        return counted;
    }

    std::unique_ptr<Net::Timer> startTimer(int milliseconds, std::function<void()> due) override
    {
        return m_real.startTimer(milliseconds, std::move(due));
    }

    // The connections made to `port` so far, oldest first.
    std::size_t connections(std::uint16_t port) const { return towards(port).size(); }
    // The latest connection to `port`; an empty link when there was none.
    Link latest(std::uint16_t port) const
    {
        const auto links = towards(port);
        return links.empty() ? Link{} : *links.back();
    }

private:
    // Counts, then hands each report on as coming from the counted connection.
    // The handler may destroy that connection: nothing is touched after.
    class Counted final : public Net::Connection {
    public:
        Counted(std::shared_ptr<Link> link, Net::ConnectionHandler &handler)
            : m_link(std::move(link)), m_relay(*this, handler)
        {
        }
        void setHandler(Net::ConnectionHandler *handler) override { m_relay.m_handler = handler; }
        void write(std::string_view bytes) override
        {
            m_link->written += bytes.size();
            m_real->write(bytes);
        }
        std::size_t pending() const override { return m_real->pending(); }

        struct Relay final : Net::ConnectionHandler {
            Relay(Counted &owner, Net::ConnectionHandler &handler)
                : m_owner(owner), m_handler(&handler)
            {
            }
            void connected(Net::Connection &) override
            {
                m_owner.m_link->connected = true;
                m_handler->connected(m_owner);
            }
            void received(Net::Connection &, std::string_view bytes) override
            {
                m_owner.m_link->received += bytes.size();
                m_handler->received(m_owner, bytes);
            }
            void written(Net::Connection &) override { m_handler->written(m_owner); }
            void disconnected(Net::Connection &) override
            {
                m_owner.m_link->connected = false;
                m_handler->disconnected(m_owner);
            }
            Counted &m_owner;
            Net::ConnectionHandler *m_handler;
        };

        std::shared_ptr<Link> m_link;
        Relay m_relay;
        std::unique_ptr<Net::Connection> m_real;
    };

    std::vector<std::shared_ptr<Link>> towards(std::uint16_t port) const
    {
        std::vector<std::shared_ptr<Link>> links;
        for (const auto &link : m_links)
            if (link->port == port)
                links.push_back(link);
        return links;
    }

    Net::Network &m_real;
    std::vector<std::shared_ptr<Link>> m_links;
};
