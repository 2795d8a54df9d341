#include "runtime/ProgramPath.h"

#include "runtime/RuntimeError.h"

namespace abacoria::rt {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

} // namespace

std::string programPathForPosix(std::string_view path)
{
    const bool windowsPath = path.find('\\') != std::string_view::npos
        || (path.size() >= 2 && path[1] == ':');
    const bool absolute = !path.empty() && path.front() == '/';
    if (windowsPath || !absolute || path.find('\0') != std::string_view::npos)
        throw RuntimeError(errFileNotFound);
    return std::string(path);
}

std::string programPathForWindows(std::string_view path)
{
    const bool drive = path.size() >= 3
        && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':'
        && isSeparator(path[2]);
    const bool unc = path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2]);
    if (!(drive || unc) || path.find('\0') != std::string_view::npos)
        throw RuntimeError(errFileNotFound);
    return std::string(path);
}

std::string programPathForThisSystem(std::string_view path)
{
#ifdef _WIN32
    return programPathForWindows(path);
#else
    return programPathForPosix(path);
#endif
}

} // namespace abacoria::rt
