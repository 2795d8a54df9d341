#pragma once

// A window wired to its handlers, with message boxes and program starts
// answered and recorded instead of shown.
#include "app/Form1.h"
#include "runtime/RuntimeError.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtRuntime.h"

#include <QApplication>
#include <QStyleFactory>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace abacoria::testing {

using rt::MessageBoxRequest;

struct StartAttempt {
    std::string path;
    int windowStyle;
};

class Harness {
public:
    explicit Harness(bool start = true)
    {
        runtime.setMessageBoxHook([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            if (onBox)
                onBox(r);
            if (!answers.empty()) {
                const int a = answers.front();
                answers.pop_front();
                return a;
            }
            return r.buttons == rt::vbYesNo ? rt::vbYes : rt::vbOK;
        });
        runtime.setProgramStarter([this](std::string_view path, int style) -> double {
            starts.push_back({std::string(path), style});
            if (startFails)
                throw rt::RuntimeError(rt::errFileNotFound);
            return 4242;
        });
        runtime.setOnUnloaded([this] { ++unloads; });
        if (start)
            runtime.start(form);
    }

    void click(std::string_view control, int index = -1)
    {
        runtime.raise(rt::Event{rt::EventKind::Click, control, index});
    }
    void tick() { runtime.raise(rt::Event{rt::EventKind::Timer, "Timer1", -1}); }
    std::string display() { return runtime.text({"Text1"}); }

    qtbackend::QtRuntime runtime;
    app::Form1 form{runtime};
    std::vector<MessageBoxRequest> boxes;
    std::deque<int> answers;
    std::function<void(const MessageBoxRequest&)> onBox;
    std::vector<StartAttempt> starts;
    bool startFails = true;
    int unloads = 0;
};

} // namespace abacoria::testing

// QTEST_MAIN with the application set up as the program does it.
#define ABACORIA_TEST_MAIN(TestObject)                                                                               \
    int main(int argc, char* argv[])                                                                                 \
    {                                                                                                                \
        QApplication app(argc, argv);                                                                                \
        abacoria::qtbackend::setUpApplication();                                                                       \
        TestObject tc;                                                                                               \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                   \
        return QTest::qExec(&tc, argc, argv);                                                                        \
    }
