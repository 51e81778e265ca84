#include "app/ui/QtOperator.h"

#include <QApplication>
#include <QMessageBox>

namespace drumo {

namespace {
QWidget* Owner() { return QApplication::activeWindow(); }
QString Title() { return QApplication::applicationName(); }
}  // namespace

QString MessageText(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

namespace {
bool Question(const std::string& text, QMessageBox::StandardButton preset) {
    return QMessageBox::question(Owner(), Title(), MessageText(text),
                                 QMessageBox::Yes | QMessageBox::No, preset) == QMessageBox::Yes;
}
}  // namespace

bool QtOperator::Ask(const std::string& text) { return Question(text, QMessageBox::Yes); }

bool QtOperator::AskDanger(const std::string& text) { return Question(text, QMessageBox::No); }

void QtOperator::Error(const std::string& text) {
    QMessageBox::critical(Owner(), Title(), MessageText(text));
}

void QtOperator::Info(const std::string& text) {
    QMessageBox::information(Owner(), Title(), MessageText(text));
}

void QtOperator::Warning(const std::string& text) {
    QMessageBox::warning(Owner(), Title(), MessageText(text));
}

}  // namespace drumo
