// The [NCID] section of Nubrel.ini: which of the three roles run, and where.
// Every key is optional; missing or empty leaves its role off, and so does a
// value that does not read, which is reported once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace NcidSettings {

inline constexpr std::u16string_view Section = u"NCID";

struct Endpoint {
    std::string host; // a name or a literal address, without brackets
    std::uint16_t port = 0;
    bool operator==(const Endpoint &) const = default;
};

struct Listen {
    // Literal addresses of this machine; a port alone gives the loopback ones.
    std::vector<std::string> addresses;
    std::uint16_t port = 0;
    bool operator==(const Listen &) const = default;
};

// The values of the four keys, as read.
struct Values {
    std::u16string listen;
    std::u16string line;
    std::u16string forward;
    std::u16string source;
};

struct Settings {
    std::optional<Listen> listen;
    std::u16string line = u"-";
    std::optional<Endpoint> forward;
    std::optional<Endpoint> source;
    // "KEY=value" of each value that did not read.
    std::vector<std::u16string> unreadable;
};

// "port", "address:port" or "[v6]:port"; the address a literal one.
std::optional<Listen> parseListen(std::u16string_view value);
// "host:port" or "[v6]:port"; the host a name or a literal address.
std::optional<Endpoint> parseEndpoint(std::u16string_view value);
Settings parse(const Values &values);

// The Nubrel.log entry for a value that does not read, and for an address the
// server could not listen on.
std::u16string unreadableEntry(std::u16string_view keyAndValue);
std::u16string listenFailedEntry(const std::string &address, std::uint16_t port,
                                 const std::string &error);

// "host:port", "[v6]:port".
std::string endpointText(const std::string &host, std::uint16_t port);
// The entries of what the roles met on the network.
std::u16string quietServerEntry(const Endpoint &server);
std::u16string tooManyCallsEntry(const Endpoint &server);
std::u16string longNumberEntry(const Endpoint &server);
std::u16string messageEntry(const Endpoint &server, std::u16string_view text);
std::u16string unsentCallsEntry(const Endpoint &server);
std::u16string refusedClientEntry();

bool isIpv4Literal(std::string_view text);
bool isIpv6Literal(std::string_view text);

} // namespace NcidSettings
