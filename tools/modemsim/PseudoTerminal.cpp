#include "PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {
std::string systemError(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

std::string speedText(speed_t speed)
{
    static const std::array<std::pair<speed_t, const char *>, 30> speeds{{
        {B50, "50"},           {B75, "75"},           {B110, "110"},         {B134, "134"},
        {B150, "150"},         {B200, "200"},         {B300, "300"},         {B600, "600"},
        {B1200, "1200"},       {B1800, "1800"},       {B2400, "2400"},       {B4800, "4800"},
        {B9600, "9600"},       {B19200, "19200"},     {B38400, "38400"},     {B57600, "57600"},
        {B115200, "115200"},   {B230400, "230400"},   {B460800, "460800"},   {B500000, "500000"},
        {B576000, "576000"},   {B921600, "921600"},   {B1000000, "1000000"}, {B1152000, "1152000"},
        {B1500000, "1500000"}, {B2000000, "2000000"}, {B2500000, "2500000"}, {B3000000, "3000000"},
        {B3500000, "3500000"}, {B4000000, "4000000"},
    }};
    for (const auto &[value, text] : speeds) {
        if (value == speed)
            return text;
    }
    return "other";
}
} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(std::string &error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = systemError("grantpt/unlockpt");
        close();
        return false;
    }
    std::array<char, 128> name{};
    if (::ptsname_r(m_master, name.data(), name.size()) != 0) {
        error = systemError("ptsname_r");
        close();
        return false;
    }
    m_slavePath = name.data();
    m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = systemError(m_slavePath.c_str());
        close();
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool PseudoTerminal::makeLink(const std::string &path, std::string &error)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = path + ": exists and is not a symlink";
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(m_slavePath.c_str(), path.c_str()) != 0) {
        error = systemError(path.c_str());
        return false;
    }
    m_linkPath = path;
    return true;
}

void PseudoTerminal::close()
{
    if (!m_linkPath.empty()) {
        // Only our own link: another simulator may have replaced it meanwhile.
        std::array<char, 256> target{};
        const ssize_t n = ::readlink(m_linkPath.c_str(), target.data(), target.size() - 1);
        if (n > 0 && std::string(target.data(), static_cast<std::size_t>(n)) == m_slavePath)
            ::unlink(m_linkPath.c_str());
        m_linkPath.clear();
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

std::string PseudoTerminal::lineSettings() const
{
    termios tio{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0)
        return "unknown";
    std::string parity = "none";
    if (tio.c_cflag & PARENB) {
        if (tio.c_cflag & CMSPAR)
            parity = (tio.c_cflag & PARODD) ? "mark" : "space";
        else
            parity = (tio.c_cflag & PARODD) ? "odd" : "even";
    }
    const char *bits = "8";
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        bits = "5";
        break;
    case CS6:
        bits = "6";
        break;
    case CS7:
        bits = "7";
        break;
    default:
        break;
    }
    std::string flow = "none";
    if (tio.c_cflag & CRTSCTS)
        flow = "hardware";
    else if (tio.c_iflag & (IXON | IXOFF))
        flow = "software";
    return "speed " + speedText(::cfgetospeed(&tio)) + " parity " + parity + " bits " + bits +
           " stop " + ((tio.c_cflag & CSTOPB) ? "2" : "1") + " flow " + flow;
}
