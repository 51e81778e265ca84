#include "files/ui/TfrmArhiv.h"

#include <QFile>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "files/ArchiveBrowser.h"
#include "model/DateTime.h"

namespace drumo {

TfrmArhiv::TfrmArhiv(std::function<std::string()> archiveFolder,
                     std::function<void(const std::vector<std::string>&)> open, Operator& op, QWidget* parent)
    : QDialog(parent), archiveFolder_(std::move(archiveFolder)), openFiles_(std::move(open)), operator_(op) {
    setObjectName(QStringLiteral("TfrmArhiv"));
    setWindowTitle(QStringLiteral("Архив"));
    setModal(false);

    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName(QStringLiteral("calArhiv"));
    calendar_->setDateRange(QDate(2010, 1, 1), QDate(2099, 12, 31));
    files_ = new QComboBox(this);
    files_->setObjectName(QStringLiteral("cbFiles"));
    files_->setEditable(false);
    delete_ = new QToolButton(this);
    delete_->setObjectName(QStringLiteral("btnDelete"));
    delete_->setToolTip(QStringLiteral("Удалить файл архива"));
    delete_->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    open_ = new QToolButton(this);
    open_->setObjectName(QStringLiteral("btnOpen"));
    open_->setToolTip(QStringLiteral("Открыть файл архива"));
    open_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setObjectName(QStringLiteral("btnCancel"));

    auto* row = new QHBoxLayout;
    row->addWidget(files_, 1);
    row->addWidget(delete_);
    row->addWidget(open_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calendar_);
    layout->addLayout(row);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    // A fixed single border: the window keeps the size of its contents.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Every change of the day refills the list, by mouse or by keyboard, so that the list never
    // shows the files of another day than the calendar.
    connect(calendar_, &QCalendarWidget::selectionChanged, this,
            [this] { FillList(calendar_->selectedDate()); });
    connect(calendar_, &QCalendarWidget::clicked, this, &TfrmArhiv::FillList);
    connect(calendar_, &QCalendarWidget::activated, this, &TfrmArhiv::FillList);
    connect(open_, &QToolButton::clicked, this, &TfrmArhiv::OpenSelected);
    connect(delete_, &QToolButton::clicked, this, &TfrmArhiv::DeleteSelected);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::close);
}

std::string TfrmArhiv::DayFolder(const QDate& day) const {
    return drumo::DayFolder(archiveFolder_(), EncodeDate(day.year(), day.month(), day.day()));
}

void TfrmArhiv::FillList(const QDate& day) {
    files_->clear();
    const std::string folder = DayFolder(day);
    for (const std::string& name :
         ArchiveFilesOfDay(archiveFolder_(), EncodeDate(day.year(), day.month(), day.day())))
        // Each entry keeps its own full path: Open and Delete act on what the list shows.
        files_->addItem(QString::fromStdString(name), QString::fromStdString(folder + "/" + name));
    if (files_->count() > 0) files_->setCurrentIndex(0);
}

std::string TfrmArhiv::SelectedPath() const {
    if (files_->currentIndex() < 0) return {};
    return files_->currentData().toString().toStdString();
}

void TfrmArhiv::OpenSelected() {
    const std::string path = SelectedPath();
    if (!path.empty() && openFiles_) openFiles_({path});
}

void TfrmArhiv::DeleteSelected() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    // The desktop's trash asks nothing itself.
    if (operator_.AskDanger("Удалить файл " + files_->currentText().toStdString() + "?")) {
        if (!QFile::moveToTrash(QString::fromStdString(path))) operator_.Error("Ошибка при удалении файла");
    }
    FillList(calendar_->selectedDate());
}

void TfrmArhiv::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QDate today = QDate::currentDate();
    calendar_->setSelectedDate(today);
    FillList(today);
}

}  // namespace drumo
