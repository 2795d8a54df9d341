#pragma once
// Small helpers shared by the benchmark programs: clocks, the process's own
// figures from /proc, polling the event loop with a bound, and the one output
// format that bench/run.sh reads ("RESULT name value unit").

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace abacoria::bench {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// One figure for bench/run.sh, which takes the median over the runs.
void result(const char* name, double value, const char* unit);

// Milliseconds from the start of this process to now. bench/run.sh passes the
// wall-clock time just before it executes the program (BENCH_T0, seconds with
// microseconds); without it, the kernel's start time of the process serves,
// at the kernel's clock-tick resolution.
double msSinceProcessStart();
// Which of the two msSinceProcessStart() used.
const char* processStartSource();

// Peak resident set size (VmHWM) in MiB, -1 if unreadable.
double peakResidentMiB();
// Current resident set size (VmRSS) in MiB, -1 if unreadable.
double residentMiB();

// CPU time used so far by this process, all threads, in milliseconds.
double processCpuMs();
// CPU time used so far by the X server whose pid bench/run.sh passes in
// BENCH_XSERVER_PID, in milliseconds at clock-tick resolution; -1 without it.
double xServerCpuMs();

// Runs the event loop until done() holds or timeoutMs has passed; returns
// done(). Never a plain sleep: the loop keeps serving events while it waits.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

// Ends the program with a message on stderr and exit code 1.
[[noreturn]] void fail(const std::string& why);

} // namespace abacoria::bench
