#include "BenchCommon.h"

#include <QTimer>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace abacoria::bench {

namespace {

double nowSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

bool launchStampGiven()
{
    const char* t0 = std::getenv("BENCH_T0");
    return t0 && *t0;
}

} // namespace

void result(const char* name, double value, const char* unit)
{
    std::printf("RESULT %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

namespace {

// Positions fields at field number first (counting from 1) of a
// /proc/PID/stat file. The command name (field 2) may hold blanks, so fields
// are counted from its closing ')'.
bool statFieldsFrom(const std::string& path, int first, std::istringstream& fields)
{
    std::ifstream stat(path);
    const std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos || close + 2 > all.size())
        return false;
    fields.str(all.substr(close + 2));
    std::string skipped;
    for (int i = 3; i < first; ++i)
        if (!(fields >> skipped))
            return false;
    return true;
}

} // namespace

double msSinceProcessStart()
{
    if (launchStampGiven()) {
        // bash's EPOCHREALTIME: seconds since the epoch, a point, microseconds
        // (the point is locale-dependent; accept a comma too).
        std::string t0 = std::getenv("BENCH_T0");
        for (char& c : t0)
            if (c == ',')
                c = '.';
        return (nowSeconds(CLOCK_REALTIME) - std::strtod(t0.c_str(), nullptr)) * 1000.0;
    }
    // Field 22 of /proc/self/stat: start time after boot, in clock ticks.
    std::istringstream fields;
    unsigned long long startTicks = 0;
    if (!statFieldsFrom("/proc/self/stat", 22, fields) || !(fields >> startTicks))
        return -1;
    const double start = static_cast<double>(startTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (nowSeconds(CLOCK_BOOTTIME) - start) * 1000.0;
}

const char* processStartSource()
{
    return launchStampGiven() ? "launch stamp (BENCH_T0)" : "/proc/self/stat start time";
}

namespace {

double statusMiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            std::istringstream in(line.substr(field.size()));
            double kib = 0;
            in >> kib;
            return kib / 1024.0;
        }
    }
    return -1;
}

} // namespace

double peakResidentMiB() { return statusMiB("VmHWM:"); }

double residentMiB() { return statusMiB("VmRSS:"); }

double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

double xServerCpuMs()
{
    const char* pid = std::getenv("BENCH_XSERVER_PID");
    if (!pid || !*pid)
        return -1;
    // Fields 14 and 15: user and system time, in clock ticks.
    std::istringstream fields;
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!statFieldsFrom(std::string("/proc/") + pid + "/stat", 14, fields) || !(fields >> user >> system))
        return -1;
    return static_cast<double>(user + system) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= timeoutMs)
            return done();
        // Sleeps in the event loop until something happens, at most 10 ms.
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void fail(const std::string& why)
{
    std::fprintf(stderr, "bench: %s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace abacoria::bench
