#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace abacoria::rt {

// Classic error numbers the handlers and the runtime layer raise.
enum ErrorNumber : int {
    errInvalidCall = 5,
    errOverflow = 6,
    errOutOfMemory = 7,
    errSubscriptOutOfRange = 9,
    errFileNotFound = 53,
    errElementMissing = 340,
    errAlreadyLoaded = 360,
    errInvalidPropertyValue = 380,
    errObjectRequired = 424,
    errNotSupported = 438,
};

// The text the classic runtime shows for an error number.
std::string_view errorText(int number);

// A failing runtime call. Carries the classic number so the default error
// handling can report it the way users of the classic program saw it.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int number);
    int number() const noexcept { return number_; }

private:
    int number_;
};

// Raised when a handler touches the window after it was destroyed. It is not
// a RuntimeError on purpose: the resume-next mode must not swallow it, so a
// handler that outlived its window stops at the first touch.
class FormUnloaded : public std::exception {
public:
    const char* what() const noexcept override { return "the window is gone"; }
};

// "Run-time error 'N':" + CRLF + text, as the default error handling shows it.
std::string runTimeErrorMessage(int number);

} // namespace abacoria::rt
