#pragma once

#include <string>
#include <string_view>

namespace abacoria::rt {

// Which file a program start may run for the given path on this platform.
// The start never searches PATH or the current folder: on a POSIX system a
// path must be absolute, and a Windows path ("C:\...", anything with a
// backslash) names no file at all, so even a file planted under that literal
// name in the current folder is never run. Throws RuntimeError
// (errFileNotFound) when no file may be run.
std::string programPathForPosix(std::string_view path);

} // namespace abacoria::rt
