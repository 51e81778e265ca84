#pragma once
// A device search that runs exactly while the test says so.

#include "acquisition/SearchActivity.h"

namespace drumo::test {

class FakeSearchActivity final : public SearchActivity {
public:
    explicit FakeSearchActivity(bool running = false) : running(running) {}
    bool SearchRunning() const override { return running; }
    bool running;
};

}  // namespace drumo::test
