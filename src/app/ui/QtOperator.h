#pragma once
// The operator as the desktop program meets him: modal message boxes over the active window.

#include <QWidget>

#include "base/Services.h"

namespace drumo {

class QtOperator final : public Operator {
public:
    bool Ask(const std::string& text) override;
    bool AskDanger(const std::string& text) override;
    void Error(const std::string& text) override;
    void Info(const std::string& text) override;
    void Warning(const std::string& text) override;
};

// Message texts use "\r\n" for a line break; a message box wants "\n".
QString MessageText(const std::string& text);

}  // namespace drumo
