#include "files/ui/TfrmArhiv.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "files/ArchiveBrowser.h"

namespace drumo {

namespace {
DateTime DayOf(const QDate& date) { return EncodeDate(date.year(), date.month(), date.day()); }
}  // namespace

TfrmArhiv::TfrmArhiv(Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), op_(op) {
    setObjectName(QStringLiteral("frmArhiv"));
    setWindowTitle(QStringLiteral("Архив"));

    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName(QStringLiteral("MCArhiv"));
    calendar_->setDateRange(QDate(2010, 1, 1), QDate(2099, 12, 31));
    calendar_->setGridVisible(true);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

    files_ = new QComboBox(this);
    files_->setObjectName(QStringLiteral("CBFiles"));
    files_->setEditable(false);
    files_->setMinimumWidth(140);

    auto* remove = new QToolButton(this);
    remove->setObjectName(QStringLiteral("btnDelete"));
    remove->setToolTip(QStringLiteral("Удалить файл архива"));
    remove->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    auto* open = new QToolButton(this);
    open->setObjectName(QStringLiteral("btnOpen"));
    open->setToolTip(QStringLiteral("Открыть файл архива"));
    open->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));

    auto* row = new QHBoxLayout;
    row->addWidget(files_, 1);
    row->addWidget(remove);
    row->addWidget(open);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calendar_);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(calendar_, &QCalendarWidget::selectionChanged, this,
            [this] { ChooseDay(calendar_->selectedDate()); });
    connect(open, &QToolButton::clicked, this, &TfrmArhiv::OpenSelected);
    connect(remove, &QToolButton::clicked, this, &TfrmArhiv::DeleteSelected);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

void TfrmArhiv::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const QDate today = QDate::currentDate();
    calendar_->setSelectedDate(today);
    calendar_->setCurrentPage(today.year(), today.month());
    ChooseDay(today);
}

void TfrmArhiv::ChooseDay(const QDate& day) {
    if (calendar_->selectedDate() != day) {
        calendar_->setSelectedDate(day);  // selectionChanged comes back here
        if (calendar_->selectedDate() == day) return;
    }
    files_->clear();
    if (!folder_) return;
    for (const std::string& name : ArchiveFilesOfDay(folder_(), DayOf(day)))
        files_->addItem(QString::fromStdString(name));
    if (files_->count() > 0) files_->setCurrentIndex(0);
}

QStringList TfrmArhiv::FileNames() const {
    QStringList names;
    for (int i = 0; i < files_->count(); ++i) names << files_->itemText(i);
    return names;
}

QString TfrmArhiv::SelectedPath() const {
    if (files_->currentIndex() < 0 || !folder_) return {};
    return QString::fromStdString(DayFolder(folder_(), DayOf(calendar_->selectedDate()))) +
           QLatin1Char('/') + files_->currentText();
}

void TfrmArhiv::OpenSelected() {
    const QString path = SelectedPath();
    if (path.isEmpty() || !open_) return;
    open_({path.toStdString()});
}

void TfrmArhiv::DeleteSelected() {
    const QString path = SelectedPath();
    if (path.isEmpty()) return;
    // The trash keeps the file, so the operator can take it back.
    if (!QFile::moveToTrash(path)) op_.Error("Ошибка при удалении файла");
    ChooseDay(calendar_->selectedDate());
}

}  // namespace drumo
