#pragma once
// The notebook window "Блокнот": the notebook table, the info panel, the device buttons (info,
// load, stop, erase), the file buttons, a progress bar and a status bar. Every rule is the
// engine's Notebook; this window shows what it holds and passes the operator's commands on.

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "notebook/Notebook.h"
#include "notebook/ui/NotebookModel.h"

namespace drumo {

// The file dialogs of the notebook; tests put scripted ones in their place.
class NotebookDialogs {
public:
    virtual ~NotebookDialogs() = default;
    virtual QString OpenFile(QWidget* parent, const QString& folder);
    // filterIndex gets the chosen filter: 1 "*.dmn", 2 "*.xls", 3 all files.
    virtual QString SaveFile(QWidget* parent, const QString& folder, int& filterIndex);
};

class TfrmNoteBig : public QWidget, public NotebookView {
    Q_OBJECT
public:
    TfrmNoteBig(Station& station, Operator& op, NotebookGraphs& graphs, const std::string& version,
                QWidget* parent = nullptr);
    ~TfrmNoteBig() override;

    Notebook& Engine() { return notebook_; }
    QTableView& Table() { return *table_; }
    NotebookModel& Model() { return model_; }
    QPushButton& InfoButton() { return *info_; }
    void SetDialogs(NotebookDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &ownDialogs_; }
    // Where the file dialogs start.
    void SetArchiveFolder(std::function<std::string()> folder) { archiveFolder_ = std::move(folder); }

    // The file commands (the buttons and the main window's actions).
    void OpenCommand();
    void SaveCommand();
    // "Копировать" of the selected rows: the text that went to the clipboard.
    QString CopySelection();
    void ConvertSelection();

    // --- NotebookView.
    void TableChanged() override;
    void Unsigned(bool pink) override;
    void PanelLines(const std::array<std::string, 6>& lines) override;
    void Status(const std::string& text) override;
    void Busy(bool busy) override;
    void ProgressRange(int maximum) override;
    void Progress(int position) override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QPushButton* Button(const char* name, const char* caption, const char* hint);
    void RowSelected(const QModelIndex& current);

    Notebook notebook_;
    NotebookModel model_;
    NotebookDialogs ownDialogs_;
    NotebookDialogs* dialogs_ = &ownDialogs_;
    std::function<std::string()> archiveFolder_;
    QTableView* table_ = nullptr;
    QPushButton* info_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* erase_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* save_ = nullptr;
    std::array<QLabel*, 6> panel_{};
    QProgressBar* progress_ = nullptr;
    QStatusBar* status_ = nullptr;
    QMenu* popup_ = nullptr;
    bool busy_ = false;
};

}  // namespace drumo
