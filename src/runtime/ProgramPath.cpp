#include "runtime/ProgramPath.h"

#include "runtime/RuntimeError.h"

namespace abacoria::rt {

std::string programPathForPosix(std::string_view path)
{
    const bool windowsPath = path.find('\\') != std::string_view::npos
        || (path.size() >= 2 && path[1] == ':');
    const bool absolute = !path.empty() && path.front() == '/';
    if (windowsPath || !absolute || path.find('\0') != std::string_view::npos)
        throw RuntimeError(errFileNotFound);
    return std::string(path);
}

} // namespace abacoria::rt
