// modemsim: a simulated caller-number device on a pseudo-terminal.
//
// Prints the device path (the pseudo-terminal's slave side) as its first line,
// then answers the program's commands on it. Control commands, one a line, come
// from stdin and from the control file (write it elsewhere and rename it into
// place; it is deleted once read). Each is acknowledged with a line on stdout.
#include "DeviceSimulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
void usage()
{
    std::fputs("usage: modemsim [--kind 0|1] [--number DIGITS] [--link PATH] [--control FILE]\n"
               "                [--auto SECONDS] [--log FILE]\n"
               "control commands: call NUMBER | withheld | clear | silent N | silent on|off |\n"
               "                  error N | garbage N | flood BYTES | pieces on|off | slow BPS | "
               "kind 0|1 | status | sync |\n"
               "                  vanish | quit\n",
               stderr);
}

bool allDigits(const char *text)
{
    if (*text == '\0')
        return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return false;
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    DeviceSimulator::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            usage();
            return 0;
        }
        if (i + 1 >= argc) {
            usage();
            return 2;
        }
        const char *value = argv[++i];
        if (option == "--kind" && (std::strcmp(value, "0") == 0 || std::strcmp(value, "1") == 0)) {
            options.kind = value[0] - '0';
        } else if (option == "--number" && allDigits(value)) {
            options.number = value;
        } else if (option == "--link" && *value) {
            options.linkPath = value;
        } else if (option == "--control" && *value) {
            options.controlPath = value;
        } else if (option == "--auto") {
            char *end = nullptr;
            const double seconds = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(seconds > 0)) {
                usage();
                return 2;
            }
            options.autoSeconds = seconds;
        } else if (option == "--log" && *value) {
            options.logPath = value;
        } else {
            usage();
            return 2;
        }
    }
    DeviceSimulator simulator(options);
    return simulator.run();
}
