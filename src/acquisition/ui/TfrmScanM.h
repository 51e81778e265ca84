#pragma once
// The device manager "Диспетчер приборов": the grid of devices and cables through which the
// operator picks the cable the main window shows, a check box and a colour swatch per row for the
// system trend, the pop-up commands of the address, comment and speed editor, the polling timer,
// and the operations log of the whole program.

#include <QCheckBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <vector>

#include "base/Services.h"
#include "model/Store.h"

namespace drumo {

class TfrmScanM : public QWidget, public EventLog, public StoreListener {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;

    explicit TfrmScanM(MeasurementStore& store, QWidget* parent = nullptr);

    // --- The operations log: the current time, then the text (which begins with " > ").
    void Log(const std::string& text) override;
    QStringList LogLines() const;

    // --- The grid, written by discovery and the archive loaders. Rows count from 1.
    void SetListedRows(int rows);
    int ListedRows() const { return grid_->rowCount() - 1; }
    void SetRow(int row, const QStringList& cells, bool hasSensors);
    QString Cell(int row, int column) const;
    int SelectedRow() const { return selectedRow_; }
    // Selects a row as the operator would; false when the selection rules refuse it or the row
    // was already the selected one.
    bool SelectRow(int row);
    // Clipboard text: the header row, then every selected row.
    QString CopyText() const;
    void CopyToClipboard();

    // The archive loaders colour the grid for data without a confirmed signature.
    void SetGridColour(const QColor& colour);

    // --- Line check boxes and colour swatches of the system trend.
    bool LineChecked(int row) const;
    void SetAllLinesBoxVisible(bool visible);
    void CreateSwatches(const std::vector<QColor>& colours);
    void DestroySwatches();

    // --- The three change commands of the pop-up menu, enabled after a Modbus search.
    void SetChangeCommandsEnabled(bool enabled);
    QMenu* PopupMenu() const { return popup_; }
    void PreparePopup();  // item texts for the selected device, as when the menu opens

    // A device search in progress refuses row selection; the search window answers it.
    void SetSearchRunning(std::function<bool()> running) { searchRunning_ = std::move(running); }

    // The polling timer; the polling pass runs on its ticks.
    QTimer& TimerRequest() { return timerRequest_; }

    // --- Store listener.
    void ResetDeviceManager() override;
    void PlainTitles() override;

signals:
    void RowSelected(int previousRow, int row);  // after SelDevice and SelCable changed
    void LineToggled(int row, bool shown);
    void AllLinesToggled(bool shown);
    void SwatchColourChanged(int row, QColor colour);
    void EditAddress();
    void EditComment();
    void EditSpeed();

private:
    void OnCurrentCellChanged(int row);
    void PlaceRowWidgets();
    void AfterRowCountChange();

    MeasurementStore& store_;
    QTableWidget* grid_;
    QWidget* side_;
    QCheckBox* allLines_;
    QScrollArea* scroll_;
    QPlainTextEdit* log_;
    QMenu* popup_;
    QAction* actEditAddress_;
    QAction* actEditComment_;
    QAction* actEditSpeed_;
    std::vector<QCheckBox*> boxes_;
    std::vector<QToolButton*> swatches_;
    QTimer timerRequest_;
    std::function<bool()> searchRunning_;
    int selectedRow_ = 0;
    bool restoring_ = false;
};

}  // namespace drumo
