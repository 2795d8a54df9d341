#include "runtime/RuntimeError.h"

#include <string>

namespace abacoria::rt {

std::string_view errorText(int number)
{
    switch (number) {
    case errInvalidCall: return "Invalid procedure call or argument";
    case errOverflow: return "Overflow";
    case errOutOfMemory: return "Out of memory";
    case errSubscriptOutOfRange: return "Subscript out of range";
    case errFileNotFound: return "File not found";
    case errElementMissing: return "Control array element doesn't exist";
    case errAlreadyLoaded: return "Object already loaded";
    case errInvalidPropertyValue: return "Invalid property value";
    case errObjectRequired: return "Object required";
    case errNotSupported: return "Object doesn't support this property or method";
    default: return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int number)
    : std::runtime_error(std::string(errorText(number)))
    , number_(number)
{
}

std::string runTimeErrorMessage(int number)
{
    return "Run-time error '" + std::to_string(number) + "':\r\n" + std::string(errorText(number));
}

} // namespace abacoria::rt
