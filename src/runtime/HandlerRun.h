#pragma once

#include "runtime/RuntimeError.h"

#include <utility>

namespace abacoria::rt {

// The error mode of one run of a handler. A run starts in the default mode,
// where a failing statement throws out of the handler to the event
// dispatcher. After resumeNext() a failing statement is abandoned and the run
// goes on with the next one. Each run owns its own object, so nested runs and
// other handlers never inherit the mode.
class HandlerRun {
public:
    void resumeNext() noexcept { resumeNext_ = true; }
    bool resumingNext() const noexcept { return resumeNext_; }

    // One statement. Only runtime errors are skippable; FormUnloaded and
    // anything else always end the run.
    template <class Statement>
    void operator()(Statement&& statement)
    {
        if (!resumeNext_) {
            std::forward<Statement>(statement)();
            return;
        }
        try {
            std::forward<Statement>(statement)();
        } catch (const RuntimeError&) {
            ++skipped_;
        }
    }

    int skippedStatements() const noexcept { return skipped_; }

private:
    bool resumeNext_ = false;
    int skipped_ = 0;
};

} // namespace abacoria::rt
