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
// Questions and messages come above every window of the program, also above those that stay on
// top of the others ("Нумератор", the search): a question opening underneath one could not be
// answered while the window waits for it.
QMessageBox::StandardButton Show(QMessageBox::Icon icon, const std::string& text, QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton preset = QMessageBox::NoButton) {
    QMessageBox box(icon, Title(), MessageText(text), buttons, Owner());
    if (preset != QMessageBox::NoButton) box.setDefaultButton(preset);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool Question(const std::string& text, QMessageBox::StandardButton preset) {
    return Show(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, preset) == QMessageBox::Yes;
}
}  // namespace

bool QtOperator::Ask(const std::string& text) { return Question(text, QMessageBox::Yes); }

bool QtOperator::AskDanger(const std::string& text) { return Question(text, QMessageBox::No); }

void QtOperator::Error(const std::string& text) { Show(QMessageBox::Critical, text, QMessageBox::Ok); }

void QtOperator::Info(const std::string& text) { Show(QMessageBox::Information, text, QMessageBox::Ok); }

void QtOperator::Warning(const std::string& text) { Show(QMessageBox::Warning, text, QMessageBox::Ok); }

}  // namespace drumo
