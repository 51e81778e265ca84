#include "notebook/ui/TfrmNoteBig.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QVBoxLayout>

namespace drumo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(const char* text) { return QString::fromUtf8(text); }

const QColor kTableColour(131, 183, 236);
const QColor kUnsignedColour(255, 168, 227);
const char* const kOpenFilters[] = {"*.dmn (*.dmn)", "Все файлы (*)"};
const char* const kSaveFilters[] = {"*.dmn (*.dmn)", "*.xls (*.xls)", "Все файлы (*)"};

}  // namespace

QString NotebookDialogs::OpenFile(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, Q(kOpenFilters[0]) + ";;" + Q(kOpenFilters[1]));
}

QString NotebookDialogs::SaveFile(QWidget* parent, const QString& folder, int& filterIndex) {
    QString chosen;
    const QString filters = Q(kSaveFilters[0]) + ";;" + Q(kSaveFilters[1]) + ";;" + Q(kSaveFilters[2]);
    // The notebook asks itself before it replaces a file.
    const QString name = QFileDialog::getSaveFileName(parent, QString(), folder, filters, &chosen,
                                                      QFileDialog::DontConfirmOverwrite);
    filterIndex = 3;
    for (int i = 0; i < 3; ++i) {
        if (chosen == Q(kSaveFilters[i])) filterIndex = i + 1;
    }
    return name;
}

TfrmNoteBig::TfrmNoteBig(Station& station, Operator& op, NotebookGraphs& graphs, const std::string& version,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), notebook_(station, op, *this, graphs, version), model_(notebook_.Table()) {
    setObjectName(QStringLiteral("TfrmNoteBig"));
    setWindowTitle(Q("Блокнот"));
    setMinimumSize(536, 348);
    resize(600, 433);

    auto* info = new QGroupBox(Q(" Инфо "), this);
    auto* infoGrid = new QGridLayout(info);
    infoGrid->setContentsMargins(6, 2, 6, 2);
    infoGrid->setVerticalSpacing(0);
    // The six lines in the table's small font, each column as wide as its longest line, so
    // that the panel and the buttons fit the window's first width.
    QFont infoFont = info->font();
    infoFont.setPointSize(8);
    const QFontMetrics infoMetrics(infoFont);
    const int columnWidth[] = {
        std::max(infoMetrics.horizontalAdvance(Q("Свободно: 9999.9 КБ (99.99%)")),
                 infoMetrics.horizontalAdvance(Q("Объем памяти: 9999.9 КБ"))),
        std::max(infoMetrics.horizontalAdvance(Q("Записей: 65535 (max: 65535)")),
                 infoMetrics.horizontalAdvance(Q("Напр. питания: 99.99 В")))};
    for (int i = 0; i < 6; ++i) {
        panel_[i] = new QLabel(info);
        panel_[i]->setObjectName(QStringLiteral("LInfo%1").arg(i + 1));
        panel_[i]->setFont(infoFont);
        panel_[i]->setMinimumWidth(columnWidth[i / 3] + 2);
        infoGrid->addWidget(panel_[i], i % 3, i / 3);
    }

    info_ = Button("BBInfo", "Инфо", "Считать информацию\r\n о состоянии Блокнота");
    refresh_ = Button("BBRefresh", "Загрузить", "Загрузить Блокнот\r\nиз контроллера");
    cancel_ = Button("BBCancel", "Стоп", "Прервать чтение Блокнота");
    erase_ = Button("BBErase", "Стереть", "Стереть всю информацию\r\nв Блокноте контроллера");
    open_ = Button("BBOpen", "Открыть", "Загрузить блокнот из файла");
    save_ = Button("BBSave", "Сохранить", "Сохранить блокнот в файл");
    auto* buttons = new QGridLayout;
    buttons->setSpacing(4);
    buttons->addWidget(info_, 0, 0);
    buttons->addWidget(refresh_, 0, 1);
    buttons->addWidget(cancel_, 0, 2);
    buttons->addWidget(erase_, 1, 0);
    buttons->addWidget(open_, 1, 1);
    buttons->addWidget(save_, 1, 2);

    auto* top = new QHBoxLayout;
    top->addWidget(info, 1);
    top->addLayout(buttons);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("StGNote"));
    table_->setModel(&model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setMinimumSectionSize(15);
    table_->verticalHeader()->setDefaultSectionSize(15);
    table_->horizontalHeader()->setDefaultSectionSize(40);
    table_->horizontalHeader()->setMinimumSectionSize(20);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: silver; padding: 0px 1px; border: 1px solid gray; }"));
    table_->setWordWrap(false);
    Unsigned(false);
    const int widths[] = {31, 81, 81, 47};
    for (int c = 0; c < 4; ++c) table_->setColumnWidth(c, widths[c]);
    // The narrow columns of the notebook want a small font and hardly any padding.
    QFont small = table_->font();
    small.setPointSize(8);
    table_->setFont(small);
    table_->horizontalHeader()->setFont(small);

    popup_ = new QMenu(this);
    QAction* copy = popup_->addAction(Q("Копировать"));
    copy->setObjectName(QStringLiteral("PopupCopyStGNote"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    table_->addAction(copy);
    QAction* convert = popup_->addAction(Q("Преобразовать"));
    convert->setObjectName(QStringLiteral("PopupStGNoteConvert"));
    QAction* clear = popup_->addAction(Q("Очистить"));
    clear->setObjectName(QStringLiteral("PopupStGNoteClear"));
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popup_->popup(table_->viewport()->mapToGlobal(at)); });
    connect(copy, &QAction::triggered, this, [this] { CopySelection(); });
    connect(convert, &QAction::triggered, this, [this] { ConvertSelection(); });
    connect(clear, &QAction::triggered, this, [this] {
        if (!notebook_.Reading()) notebook_.Clear();
    });
    // A row chosen with the mouse or the keys draws its record in the length trend.
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { RowSelected(current); });

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(14);
    status_ = new QStatusBar(this);
    status_->setObjectName(QStringLiteral("StatusBar"));
    status_->setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(3);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(progress_);
    layout->addWidget(status_);

    connect(info_, &QPushButton::clicked, this, [this] { notebook_.ReadInfo(); });
    connect(refresh_, &QPushButton::clicked, this, [this] { notebook_.Load(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { notebook_.Stop(); });
    connect(erase_, &QPushButton::clicked, this, [this] { notebook_.Erase(); });
    connect(open_, &QPushButton::clicked, this, [this] { OpenCommand(); });
    connect(save_, &QPushButton::clicked, this, [this] { SaveCommand(); });
}

TfrmNoteBig::~TfrmNoteBig() { notebook_.Stop(); }

QPushButton* TfrmNoteBig::Button(const char* name, const char* caption, const char* hint) {
    auto* b = new QPushButton(Q(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(Q(hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    b->setAutoDefault(false);
    return b;
}

void TfrmNoteBig::OpenCommand() {
    if (busy_) return;
    const QString name = dialogs_->OpenFile(this, archiveFolder_ ? Q(archiveFolder_()) : QString());
    if (name.isEmpty()) return;
    notebook_.Open(name.toStdString());
}

void TfrmNoteBig::SaveCommand() {
    if (busy_) return;
    int filter = 1;
    const QString name = dialogs_->SaveFile(this, archiveFolder_ ? Q(archiveFolder_()) : QString(), filter);
    if (name.isEmpty()) return;
    notebook_.Save(name.toStdString(), filter);
}

QString TfrmNoteBig::CopySelection() {
    std::vector<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.push_back(i.row() + 1);
    std::sort(rows.begin(), rows.end());
    const QString text = Q(notebook_.Copy(rows));
    if (!rows.empty()) QApplication::clipboard()->setText(text);
    return text;
}

void TfrmNoteBig::ConvertSelection() {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty() || notebook_.Reading()) return;
    int top = rows.front().row() + 1, bottom = top;
    for (const QModelIndex& i : rows) {
        top = std::min(top, i.row() + 1);
        bottom = std::max(bottom, i.row() + 1);
    }
    notebook_.Convert(top, bottom);
}

void TfrmNoteBig::RowSelected(const QModelIndex& current) {
    if (!current.isValid() || busy_) return;
    notebook_.SelectRow(current.row() + 1);
}

void TfrmNoteBig::TableChanged() {
    model_.Reset();
    for (int c = 4; c < model_.columnCount(); ++c) table_->setColumnWidth(c, 40);
}

void TfrmNoteBig::Unsigned(bool pink) {
    const QColor colour = pink ? kUnsignedColour : kTableColour;
    model_.SetBackground(colour);
    table_->setStyleSheet(QStringLiteral("QTableView { background: %1; } QTableView::item { padding: 0px 1px; }")
                              .arg(colour.name()));
}

void TfrmNoteBig::PanelLines(const std::array<std::string, 6>& lines) {
    for (int i = 0; i < 6; ++i) panel_[i]->setText(Q(lines[i]));
}

void TfrmNoteBig::Status(const std::string& text) { status_->showMessage(Q(text)); }

void TfrmNoteBig::Busy(bool busy) {
    busy_ = busy;
    for (QPushButton* b : {info_, refresh_, erase_, open_, save_}) b->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfrmNoteBig::ProgressRange(int maximum) { progress_->setRange(0, std::max(maximum, 0)); }

void TfrmNoteBig::Progress(int position) { progress_->setValue(position); }

void TfrmNoteBig::hideEvent(QHideEvent* event) {
    // Closing the window ends a read at its next block.
    notebook_.Stop();
    QWidget::hideEvent(event);
}

}  // namespace drumo
