#include "acquisition/ui/TfrmAlarm.h"

#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

namespace drumo {

namespace {
constexpr int Margin = 4;  // around the header and the list
}  // namespace

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
    FitWidestLine();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margin, Margin, Margin, Margin);
    layout->addWidget(header_);
    layout->addWidget(list_, 1);
}

void TfrmAlarm::FitWidestLine() {
    // The window's width is fixed, so the list's letters are made small enough for the widest line
    // an alarm can bring (a three-digit address and cable, a long negative value) to fit beside the
    // vertical scroll bar: the value at the end of a line must never be cut.
    const QString widest = QStringLiteral("00:00:00 > Адрес: 255 Термокоса: 255 Макс. температура: -100.00");
    const int room = width() - 2 * Margin - 2 * list_->frameWidth() -
                     2 * static_cast<int>(list_->document()->documentMargin()) -
                     list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_) - 4;
    QFont font = list_->font();
    if (font.pixelSize() <= 0) font.setPixelSize(QFontInfo(font).pixelSize());
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(widest) > room)
        font.setPixelSize(font.pixelSize() - 1);
    list_->setFont(font);
}

void TfrmAlarm::AddLine(const QString& line) {
    if (isHidden()) show();
    list_->appendPlainText(line);
    // The newest alarm stays in view, from its start, however far the operator had scrolled.
    list_->verticalScrollBar()->setValue(list_->verticalScrollBar()->maximum());
    list_->horizontalScrollBar()->setValue(0);
}

QStringList TfrmAlarm::Lines() const {
    const QString text = list_->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

}  // namespace drumo
