#pragma once
// Pending window events, run between two device transactions of a long operation.

#include <QCoreApplication>

#include "base/Services.h"

namespace drumo {

class QtEventPump final : public EventPump {
public:
    void ProcessEvents() override { QCoreApplication::processEvents(); }
};

}  // namespace drumo
