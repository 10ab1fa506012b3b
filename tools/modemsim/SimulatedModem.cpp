#include "SimulatedModem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
constexpr std::string_view CrLf = "\r\n";
// What a withheld call carries in place of the number: not a number, so the
// program shows it as withheld.
constexpr std::string_view WithheldMark = "P";
constexpr std::chrono::milliseconds PieceGap{20};

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const std::size_t begin = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > begin)
            out.push_back(line.substr(begin, i - begin));
    }
    return out;
}

std::optional<long> count(std::string_view text)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<bool> onOff(std::string_view text)
{
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

std::string now(const char *format)
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &local);
    return buffer;
}

std::string escaped(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        if (c == '\r')
            out += "<CR>";
        else if (c == '\n')
            out += "<LF>";
        else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned char>(c));
            out += hex;
        } else
            out.push_back(c);
    }
    return out;
}
} // namespace

SimulatedModem::SimulatedModem(int kind, PacedOutput &output) : m_output(output), m_kind(kind) {}

void SimulatedModem::receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (!m_lineStarted) {
            // Silence is decided when a command begins, so its echo is withheld too.
            m_lineStarted = true;
            m_lineSilent = m_silentOn || m_silentCount > 0;
        }
        if (!m_lineSilent)
            m_output.push(std::string_view(&c, 1), byteGap());
        if (c == '\n')
            continue;
        if (c != '\r') {
            m_line.push_back(c);
            continue;
        }
        const std::string command = std::move(m_line);
        const bool silent = m_lineSilent;
        m_line.clear();
        m_lineStarted = false;
        if (command.empty())
            continue;
        log("recv", command);
        if (silent) {
            if (!m_silentOn && m_silentCount > 0)
                --m_silentCount;
            log("none", {});
            continue;
        }
        answer(command);
    }
}

void SimulatedModem::answer(const std::string &command)
{
    // Like a modem, only lines that begin with AT (or at) are commands.
    if (command.size() < 2 || !(command.starts_with("AT") || command.starts_with("at"))) {
        log("none", {});
        return;
    }
    if (m_errorCount > 0) {
        --m_errorCount;
        send("\r\nERROR\r\n");
        return;
    }
    if (m_garbageCount > 0) {
        --m_garbageCount;
        send(junk(256));
        return;
    }
    const std::string prefix = junk(m_floodBytes);
    m_floodBytes = 0;
    const std::string body = upper(command);
    if ((m_kind == 0 && body == "AT\\L1") || (m_kind == 1 && body == "AT$A"))
        send(prefix + std::string(CrLf) + numberAnswer() + "OK\r\n");
    else
        send(prefix + "\r\nOK\r\n");
}

std::string SimulatedModem::numberAnswer() const
{
    const std::string number =
        m_number && !m_number->empty() ? *m_number : std::string(WithheldMark);
    if (m_kind == 0) {
        if (!m_number)
            return {};
        return "RECEIVE CALLING PARTY = " + number + "/" + m_callTime + "\r\n";
    }
    if (!m_number)
        return "NO DATA\r\n";
    char index[8];
    std::snprintf(index, sizeof index, "%03d", m_callIndex);
    return std::string(index) + " " + number + "/" + m_callTime + "\r\n";
}

std::string SimulatedModem::junk(long bytes)
{
    // Every byte value but the letters of "OK", so the junk never ends an
    // exchange by itself: NULs, control codes, CP932 lead and trail bytes.
    std::string out;
    out.reserve(static_cast<std::size_t>(std::max(bytes, 0L)));
    while (static_cast<long>(out.size()) < bytes) {
        m_junkSeed = m_junkSeed * 1103515245u + 12345u;
        const char c = static_cast<char>((m_junkSeed >> 16) & 0xff);
        if (c != 'O' && c != 'K')
            out.push_back(c);
    }
    return out;
}

void SimulatedModem::send(std::string_view answerBytes)
{
    log("send", answerBytes);
    m_output.push(answerBytes,
                  m_pieces ? std::max<std::chrono::nanoseconds>(PieceGap, byteGap()) : byteGap());
}

std::chrono::nanoseconds SimulatedModem::byteGap() const
{
    if (m_bitsPerSecond <= 0)
        return std::chrono::nanoseconds{0};
    // Ten bits a byte: start, eight data bits, stop.
    return std::chrono::nanoseconds{10'000'000'000LL / m_bitsPerSecond};
}

void SimulatedModem::log(std::string_view direction, std::string_view bytes) const
{
    if (m_logPath.empty())
        return;
    // Opened per entry so a test reading the file sees every line at once.
    if (std::FILE *f = std::fopen(m_logPath.c_str(), "a")) {
        const std::string line =
            std::string(direction) + (bytes.empty() ? "" : " ") + escaped(bytes) + "\n";
        std::fputs(line.c_str(), f);
        std::fclose(f);
    }
}

void SimulatedModem::takeCall(const std::string &number)
{
    m_number = number;
    m_callTime = now("%m%d%H%M");
    m_callIndex = m_callIndex >= 999 ? 1 : m_callIndex + 1;
}

void SimulatedModem::takeWithheldCall()
{
    takeCall(std::string());
}

void SimulatedModem::clearCall()
{
    m_number.reset();
}

std::string SimulatedModem::state() const
{
    std::string call = "none";
    if (m_number)
        call = m_number->empty() ? "withheld" : *m_number;
    return "kind " + std::to_string(m_kind) + " call " + call + " index " +
           std::to_string(m_callIndex);
}

std::string SimulatedModem::control(std::string_view line)
{
    const std::vector<std::string_view> w = words(line);
    if (w.empty())
        return "error: empty command";
    const std::string_view name = w[0];
    std::string normal;
    for (std::string_view part : w)
        normal += (normal.empty() ? "" : " ") + std::string(part);
    const std::string ok = "ok " + normal;

    if (name == "call" && w.size() == 2) {
        if (w[1].find('/') != std::string_view::npos)
            return "error: a number cannot hold '/'";
        takeCall(std::string(w[1]));
        return ok;
    }
    if (name == "withheld" && w.size() == 1) {
        takeWithheldCall();
        return ok;
    }
    if (name == "clear" && w.size() == 1) {
        clearCall();
        return ok;
    }
    if (name == "silent" && w.size() == 2) {
        if (const auto flag = onOff(w[1])) {
            m_silentOn = *flag;
            if (!*flag)
                m_silentCount = 0;
            return ok;
        }
        if (const auto n = count(w[1])) {
            m_silentCount = static_cast<int>(*n);
            return ok;
        }
    }
    if (name == "error" && w.size() == 2) {
        if (const auto n = count(w[1])) {
            m_errorCount = static_cast<int>(*n);
            return ok;
        }
    }
    if (name == "garbage" && w.size() == 2) {
        if (const auto n = count(w[1])) {
            m_garbageCount = static_cast<int>(*n);
            return ok;
        }
    }
    if (name == "flood" && w.size() == 2) {
        if (const auto n = count(w[1])) {
            m_floodBytes = *n;
            return ok;
        }
    }
    if (name == "pieces" && w.size() == 2) {
        if (const auto flag = onOff(w[1])) {
            m_pieces = *flag;
            return ok;
        }
    }
    if (name == "slow" && w.size() == 2) {
        if (const auto bps = count(w[1])) {
            m_bitsPerSecond = *bps;
            return ok;
        }
    }
    if (name == "kind" && w.size() == 2 && (w[1] == "0" || w[1] == "1")) {
        m_kind = w[1] == "0" ? 0 : 1;
        return ok;
    }
    return "error: unknown command: " + normal;
}
