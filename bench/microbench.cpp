// Micro-benchmarks of the hot paths of one exchange and of the settings file.
#include "config/basNbComIni.h"
#include "frontend/qt/QtText.h"
#include "link/ReplyParsers.h"
#include "text/NumericText.h"
#include "text/Text.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void ParseCallingParty(benchmark::State &state)
{
    const std::u16string reply =
        u"AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/0001 1207\r\n\r\nOK\r\n";
    std::u16string number;
    for (auto _ : state) {
        ReplyParsers::ParseCallingPartyReply(reply, number);
        benchmark::DoNotOptimize(number);
    }
}
BENCHMARK(ParseCallingParty);

void ParseNumber(benchmark::State &state)
{
    const std::u16string reply = u"at$a\r\n012 0312345678/20261207\r\nOK\r\n";
    std::u16string number;
    bool changed = false;
    std::int32_t last = -2;
    for (auto _ : state) {
        ReplyParsers::ParseNumberReply(reply, number, changed, last);
        benchmark::DoNotOptimize(number);
    }
}
BENCHMARK(ParseNumber);

void NumericTest(benchmark::State &state)
{
    const std::u16string number = u" 09012345678 ";
    for (auto _ : state)
        benchmark::DoNotOptimize(IsNumeric(number));
}
BENCHMARK(NumericTest);

// A settings file of 1,000 keys in one section.
struct BigIni {
    QTemporaryDir dir;
    basNbComIni ini{fromQt(dir.path())};
    BigIni()
    {
        QString text = QStringLiteral("[ENV]\r\n");
        for (int i = 0; i < 1000; ++i)
            text += QStringLiteral("KEY%1=value %1\r\n").arg(i);
        QFile f(dir.path() + QStringLiteral("/Nubrel.ini"));
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toLatin1());
    }
};

void GetIniStringOf1000Keys(benchmark::State &state)
{
    BigIni big;
    for (auto _ : state) {
        benchmark::DoNotOptimize(big.ini.GetIniString(u"env", u"key999", std::u16string()));
    }
}
BENCHMARK(GetIniStringOf1000Keys);

void PutIniStringOf1000Keys(benchmark::State &state)
{
    BigIni big;
    int n = 0;
    for (auto _ : state)
        big.ini.PutIniString(u"ENV", u"KEY500", Text::number(n++));
}
BENCHMARK(PutIniStringOf1000Keys);

} // namespace

BENCHMARK_MAIN();
