#include "app/ui/TfrmProgSet.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/Formats.h"
#include "model/Intervals.h"

namespace drumo {

namespace {

QComboBox* IntervalList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (int i = 0; i < IntervalCount; ++i) {
        const auto caption = IntervalCaption(i);
        list->addItem(QString::fromUtf8(caption.data(), static_cast<int>(caption.size())));
    }
    return list;
}

QDoubleSpinBox* AlarmBox(QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(-60.0, 130.0);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    return box;
}

// The alarm limits are shown with the decimal mark the operator chose, not the one of the
// program's language: "точка" gives 100.0, "запятая" 100,0.
void ShowDecimalMark(QDoubleSpinBox* box, bool point) {
    QLocale locale = point ? QLocale::c() : QLocale(QLocale::Russian, QLocale::Russia);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    box->setLocale(locale);
    box->setValue(box->value());  // redraw the text with the new mark
}

}  // namespace

TfrmProgSet::TfrmProgSet(ProgramSettings& settings, Operator& op, std::string defaultArchiveFolder,
                         QWidget* parent)
    : QDialog(parent), settings_(settings), operator_(op),
      defaultArchiveFolder_(std::move(defaultArchiveFolder)), pages_(new QTabWidget(this)) {
    setObjectName(QStringLiteral("frmProgSet"));
    setWindowTitle(QStringLiteral("Настройки программы"));

    pages_->addTab(BuildGeneralPage(), QStringLiteral("Общие"));
    pages_->addTab(BuildMeasurementPage(), QStringLiteral("Измерения"));

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    auto* apply = buttons->addButton(QStringLiteral("Применить"), QDialogButtonBox::ApplyRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    apply->setObjectName(QStringLiteral("btnApply"));
    connect(ok, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);  // Escape rejects as well
    connect(apply, &QPushButton::clicked, this, &TfrmProgSet::Apply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

QWidget* TfrmProgSet::BuildGeneralPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    cbShowHint_ = new QCheckBox(QStringLiteral("Отображать подсказки"), page);
    cbConfirmClose_ = new QCheckBox(QStringLiteral("Подтверждение при выходе из программы"), page);
    cbAutoFind_ = new QCheckBox(QStringLiteral("Автоматический запуск поиска приборов"), page);
    auto* group = new QGroupBox(QStringLiteral(" Разделитель целой и дробной части "), page);
    rbComma_ = new QRadioButton(QStringLiteral("запятая"), group);
    rbPoint_ = new QRadioButton(QStringLiteral("точка"), group);
    auto* radios = new QVBoxLayout(group);
    radios->addWidget(rbComma_);
    radios->addWidget(rbPoint_);
    layout->addWidget(cbShowHint_);
    layout->addWidget(cbConfirmClose_);
    layout->addWidget(cbAutoFind_);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmProgSet::BuildMeasurementPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    cbRequest_ = IntervalList(page);
    cbAutoSave_ = new QCheckBox(QStringLiteral("Автосохранение"), page);
    cbAutoSaveIndex_ = IntervalList(page);
    seTMax_ = AlarmBox(page);
    seTMin_ = AlarmBox(page);
    edFolder_ = new QLineEdit(page);
    auto* browse = new QToolButton(page);
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QString(), edFolder_->text());
        if (!folder.isEmpty()) edFolder_->setText(folder);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(edFolder_, 1);
    folderRow->addWidget(browse);

    form->addRow(QStringLiteral("Период запроса на чтение измерений"), cbRequest_);
    form->addRow(cbAutoSave_);
    form->addRow(QStringLiteral("Период автосохранения"), cbAutoSaveIndex_);
    form->addRow(QStringLiteral("Tmax, сигнал тревоги"), seTMax_);
    form->addRow(QStringLiteral("Tmin, сигнал тревоги"), seTMin_);
    form->addRow(new QLabel(QStringLiteral("Директория архива:"), page));
    form->addRow(folderRow);
    return page;
}

void TfrmProgSet::LoadControls() {
    const MainSettings& m = settings_.Main;
    cbShowHint_->setChecked(m.ShowHint);
    cbConfirmClose_->setChecked(m.ConfirmClose);
    cbAutoFind_->setChecked(settings_.Find.AutoFindEnabled);
    (m.DecPoint ? rbPoint_ : rbComma_)->setChecked(true);
    cbRequest_->setCurrentIndex(IsIntervalIndex(m.RequestAllIndex) ? m.RequestAllIndex : 2);
    cbAutoSave_->setChecked(m.AutoSaveEnabled);
    cbAutoSaveIndex_->setCurrentIndex(IsIntervalIndex(m.AutoSaveIndex) ? m.AutoSaveIndex : 4);
    seTMax_->setValue(m.AlarmTMax);
    seTMin_->setValue(m.AlarmTMin);
    for (QDoubleSpinBox* box : {seTMax_, seTMin_}) ShowDecimalMark(box, m.DecPoint);
    edFolder_->setText(QString::fromStdString(m.ArchiveFolder));
}

void TfrmProgSet::PrepareOpening() {
    pages_->setCurrentIndex(0);
    // Auto-save cannot be switched on or off while data reception runs.
    cbAutoSave_->setEnabled(!(hooks_.Receiving && hooks_.Receiving()));
}

int TfrmProgSet::Execute() {
    PrepareOpening();
    if (parentWidget()) {
        const QRect owner = parentWidget()->frameGeometry();
        move(owner.center() - QPoint(width() / 2, height() / 2));
    }
    return exec();
}

void TfrmProgSet::Apply() {
    MainSettings& m = settings_.Main;
    m.ShowHint = cbShowHint_->isChecked();
    if (hooks_.ShowHint) hooks_.ShowHint(m.ShowHint);

    m.ConfirmClose = cbConfirmClose_->isChecked();
    settings_.Find.AutoFindEnabled = cbAutoFind_->isChecked();

    m.DecPoint = rbPoint_->isChecked();
    SetDecimalMark(m.DecPoint ? '.' : ',');
    for (QDoubleSpinBox* box : {seTMax_, seTMin_}) ShowDecimalMark(box, m.DecPoint);

    m.RequestAllIndex = cbRequest_->currentIndex();
    if (hooks_.PollingIntervalMs && hooks_.SetPollingInterval) {
        const TimerPlan plan = PlanTimerInterval(hooks_.PollingIntervalMs(),
                                                 IntervalMs(m.RequestAllIndex), hooks_.UpdateIntervalMs);
        if (plan.Change) {
            hooks_.SetPollingInterval(plan);
            emit PollingIntervalChanged(plan.IntervalMs);
        }
    }

    if (cbAutoSave_->isEnabled()) m.AutoSaveEnabled = cbAutoSave_->isChecked();
    if (hooks_.AutoSaveLamp) hooks_.AutoSaveLamp(m.AutoSaveEnabled);

    m.AutoSaveIndex = cbAutoSaveIndex_->currentIndex();
    if (hooks_.AutoSaveIntervalMs && hooks_.SetAutoSaveInterval) {
        const TimerPlan plan = PlanTimerInterval(hooks_.AutoSaveIntervalMs(),
                                                 IntervalMs(m.AutoSaveIndex), hooks_.UpdateIntervalMs);
        if (plan.Change) {
            hooks_.SetAutoSaveInterval(plan);
            emit AutoSaveIntervalChanged(plan.IntervalMs);
        }
    }

    m.AlarmTMax = seTMax_->value();
    m.AlarmTMin = seTMin_->value();
    if (hooks_.AlarmLimits) hooks_.AlarmLimits(m.AlarmTMax, m.AlarmTMin);

    m.ArchiveFolder = ApplyArchiveFolder(edFolder_->text().toStdString(), m.ArchiveFolder,
                                         defaultArchiveFolder_, operator_);
    emit Applied();
}

}  // namespace drumo
