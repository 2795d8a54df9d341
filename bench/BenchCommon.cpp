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
    // Field 22 of /proc/self/stat: start time after boot, in clock ticks. The
    // command name (field 2) may hold blanks, so count from its closing ')'.
    std::ifstream stat("/proc/self/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(all.substr(close + 2));
    std::string field;
    // Fields 3 to 21 come before the start time.
    for (int i = 3; i <= 21 && fields >> field; ++i) {
    }
    unsigned long long startTicks = 0;
    if (!(fields >> startTicks))
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
    std::ifstream stat(std::string("/proc/") + pid + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(all.substr(close + 2));
    std::string field;
    // Fields 3 to 13 come before utime (14) and stime (15).
    for (int i = 3; i <= 13 && fields >> field; ++i) {
    }
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!(fields >> user >> system))
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
