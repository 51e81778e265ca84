#include "acquisition/ui/TfrmAlarm.h"

#include <QVBoxLayout>

namespace drumo {

TfrmAlarm::TfrmAlarm(Kind kind, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      header_(new QLabel(QStringLiteral("Внимание!"), this)),
      list_(new QPlainTextEdit(this)) {
    const bool upper = kind == Kind::Upper;
    setObjectName(upper ? QStringLiteral("frmAlarmMax") : QStringLiteral("frmAlarmMin"));
    setWindowTitle(QStringLiteral("Alarm"));
    setFixedWidth(400);
    setMinimumHeight(250);
    resize(400, 250);
    move(0, upper ? 0 : 248);

    QFont font = header_->font();
    font.setPixelSize(32);
    font.setBold(true);
    header_->setFont(font);
    header_->setAlignment(Qt::AlignCenter);
    header_->setStyleSheet(upper ? QStringLiteral("color: rgb(255, 0, 0);")
                                 : QStringLiteral("color: rgb(0, 0, 255);"));

    list_->setReadOnly(true);
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->setStyleSheet(upper ? QStringLiteral("background: black; color: rgb(255, 90, 90);")
                               : QStringLiteral("background: black; color: rgb(90, 89, 255);"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(header_);
    layout->addWidget(list_, 1);
}

void TfrmAlarm::AddLine(const QString& line) {
    if (isHidden()) show();
    list_->appendPlainText(line);
}

QStringList TfrmAlarm::Lines() const {
    const QString text = list_->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

}  // namespace drumo
