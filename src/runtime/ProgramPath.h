#pragma once

#include <string>
#include <string_view>

namespace abacoria::rt {

// Which file a program start may run for the given path. A start never
// searches PATH or the current folder, so only absolute paths name a file.
// Each throws RuntimeError (errFileNotFound) when no file may be run.
//
// POSIX: a path must start with "/"; a Windows path ("C:\...", anything with
// a backslash) names no file at all, so even a file planted under that
// literal name in the current folder is never run.
std::string programPathForPosix(std::string_view path);
// Windows: a drive-letter path ("C:\...", "C:/...") or a UNC path
// ("\\server\share\..."); never a relative or drive-relative one ("C:x").
std::string programPathForWindows(std::string_view path);
// The rule of the system this program was built for.
std::string programPathForThisSystem(std::string_view path);

} // namespace abacoria::rt
