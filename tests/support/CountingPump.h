#pragma once
// An event pump that counts how often long operations let window events run, and can run an
// action at the n-th time (the operator pressing stop, a port vanishing).

#include "base/Services.h"

#include <functional>

namespace drumo::test {

class CountingPump final : public EventPump {
public:
    int Calls = 0;
    int At = -1;
    std::function<void()> Action;
    void ProcessEvents() override {
        ++Calls;
        if (Calls == At && Action) Action();
    }
};

}  // namespace drumo::test
