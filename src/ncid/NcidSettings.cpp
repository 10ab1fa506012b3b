#include "ncid/NcidSettings.h"

#include "ncid/NcidText.h"

#include <algorithm>

namespace NcidSettings {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value without blanks around it, when it is ASCII; nothing otherwise.
std::optional<std::string> asciiValue(std::u16string_view value)
{
    std::size_t first = 0;
    std::size_t last = value.size();
    while (first < last && (value[first] == u' ' || value[first] == u'\t'))
        ++first;
    while (last > first && (value[last - 1] == u' ' || value[last - 1] == u'\t'))
        --last;
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        if (value[i] > 0x7E || value[i] < 0x21)
            return std::nullopt;
        out.push_back(static_cast<char>(value[i]));
    }
    return out;
}

std::optional<std::uint16_t> parsePort(std::string_view text)
{
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit))
        return std::nullopt;
    unsigned value = 0;
    for (char c : text)
        value = value * 10 + static_cast<unsigned>(c - '0');
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool isHostName(std::string_view text)
{
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.front() == '-' ||
        text.find("..") != std::string_view::npos)
        return false;
    const bool allowed = std::all_of(text.begin(), text.end(), [](char c) {
        return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
               c == '.' || c == '_';
    });
    if (!allowed)
        return false;
    // Digits and dots alone are meant as an address: it must be one.
    const bool numeric =
        std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || c == '.'; });
    return !numeric || isIpv4Literal(text);
}

struct Split {
    std::string host;
    std::string port;
    bool bracketed = false;
};

// "host:port" or "[v6]:port"; nothing when neither shape fits.
std::optional<Split> splitHostPort(std::string_view text)
{
    if (text.starts_with('[')) {
        const std::size_t close = text.find("]:");
        if (close == std::string_view::npos)
            return std::nullopt;
        return Split{std::string(text.substr(1, close - 1)), std::string(text.substr(close + 2)),
                     true};
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos)
        return std::nullopt;
    return Split{std::string(text.substr(0, colon)), std::string(text.substr(colon + 1)), false};
}

} // namespace

bool isIpv4Literal(std::string_view text)
{
    int parts = 0;
    std::size_t at = 0;
    while (true) {
        std::size_t end = text.find('.', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view part = text.substr(at, end - at);
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), isDigit))
            return false;
        // "010" reads as octal to some resolvers: not an address we can be sure of.
        if (part.size() > 1 && part.front() == '0')
            return false;
        int value = 0;
        for (char c : part)
            value = value * 10 + (c - '0');
        if (value > 255)
            return false;
        ++parts;
        if (end == text.size())
            break;
        at = end + 1;
    }
    return parts == 4;
}

bool isIpv6Literal(std::string_view text)
{
    if (text.empty() || text.size() > 45)
        return false;
    const std::size_t gap = text.find("::");
    if (gap != std::string_view::npos && text.find("::", gap + 1) != std::string_view::npos)
        return false;
    // Counts the groups of one side of the gap; false when one does not read.
    const auto countGroups = [](std::string_view side, bool last, int &groups) {
        groups = 0;
        if (side.empty())
            return true;
        std::size_t at = 0;
        while (true) {
            std::size_t end = side.find(':', at);
            if (end == std::string_view::npos)
                end = side.size();
            const std::string_view group = side.substr(at, end - at);
            if (last && end == side.size() && group.find('.') != std::string_view::npos) {
                if (!isIpv4Literal(group))
                    return false;
                groups += 2;
                return true;
            }
            if (group.empty() || group.size() > 4 ||
                !std::all_of(group.begin(), group.end(), isHexDigit))
                return false;
            ++groups;
            if (end == side.size())
                return true;
            at = end + 1;
        }
    };
    int before = 0;
    int after = 0;
    if (gap == std::string_view::npos) {
        if (!countGroups(text, true, before))
            return false;
        return before == 8;
    }
    if (!countGroups(text.substr(0, gap), false, before) ||
        !countGroups(text.substr(gap + 2), true, after))
        return false;
    return before + after <= 7;
}

std::optional<Listen> parseListen(std::u16string_view value)
{
    const auto text = asciiValue(value);
    if (!text)
        return std::nullopt;
    if (const auto port = parsePort(*text))
        return Listen{{"127.0.0.1", "::1"}, *port};
    const auto split = splitHostPort(*text);
    if (!split)
        return std::nullopt;
    const auto port = parsePort(split->port);
    const bool literal = split->bracketed ? isIpv6Literal(split->host) : isIpv4Literal(split->host);
    if (!port || !literal)
        return std::nullopt;
    return Listen{{split->host}, *port};
}

std::optional<Endpoint> parseEndpoint(std::u16string_view value)
{
    const auto text = asciiValue(value);
    if (!text)
        return std::nullopt;
    const auto split = splitHostPort(*text);
    if (!split)
        return std::nullopt;
    const auto port = parsePort(split->port);
    const bool host = split->bracketed ? isIpv6Literal(split->host) : isHostName(split->host);
    if (!port || !host)
        return std::nullopt;
    return Endpoint{split->host, *port};
}

Settings parse(const Values &values)
{
    Settings settings;
    const auto isEmpty = [](std::u16string_view value) {
        return std::all_of(value.begin(), value.end(),
                           [](char16_t c) { return c == u' ' || c == u'\t'; });
    };
    const auto note = [&settings](std::u16string_view key, std::u16string_view value) {
        settings.unreadable.push_back(std::u16string(key) + u"=" + std::u16string(value));
    };
    if (!isEmpty(values.listen)) {
        settings.listen = parseListen(values.listen);
        if (!settings.listen)
            note(u"LISTEN", values.listen);
    }
    if (!isEmpty(values.forward)) {
        settings.forward = parseEndpoint(values.forward);
        if (!settings.forward)
            note(u"FORWARD", values.forward);
    }
    if (!isEmpty(values.source)) {
        settings.source = parseEndpoint(values.source);
        if (!settings.source)
            note(u"SOURCE", values.source);
    }
    if (!isEmpty(values.line))
        settings.line = values.line;
    return settings;
}

std::u16string unreadableEntry(std::u16string_view keyAndValue)
{
    return u"NCIDの設定を読めません。" + std::u16string(keyAndValue);
}

std::u16string listenFailedEntry(const std::string &address, std::uint16_t port,
                                 const std::string &error)
{
    return u"NCIDの待ち受けを開けません。" +
           NcidText::fromUtf8(endpointText(address, port) + " " + error);
}

std::string endpointText(const std::string &host, std::uint16_t port)
{
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

namespace {

std::u16string at(const Endpoint &server)
{
    return NcidText::fromUtf8(endpointText(server.host, server.port));
}

} // namespace

std::u16string quietServerEntry(const Endpoint &server)
{
    return u"NCIDのサーバーが応答しません。接続し直します。" + at(server);
}

std::u16string tooManyCallsEntry(const Endpoint &server)
{
    return u"NCIDの着信が多すぎるため、一部を受け取りませんでした。" + at(server);
}

std::u16string longNumberEntry(const Endpoint &server)
{
    return u"NCIDの着信の番号が長すぎるため、受け取りませんでした。" + at(server);
}

std::u16string messageEntry(const Endpoint &server, std::u16string_view text)
{
    return u"NCIDのメッセージ（" + at(server) + u"）：" + std::u16string(text);
}

std::u16string unsentCallsEntry(const Endpoint &server)
{
    return u"NCIDのサーバーに送れなかった着信を捨てました。" + at(server);
}

std::u16string refusedClientEntry()
{
    return u"NCIDのクライアントが多すぎるため、接続を断りました。";
}

} // namespace NcidSettings
