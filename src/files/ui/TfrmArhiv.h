#pragma once
// The archive window "Архив": a calendar of the days of the archive, the archive files of the
// chosen day, and Open (through the group loader) and Delete (to the desktop's trash).

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QPushButton>
#include <QToolButton>

#include <functional>
#include <string>
#include <vector>

#include "base/Services.h"

namespace drumo {

class TfrmArhiv : public QDialog {
    Q_OBJECT
public:
    // archiveFolder gives the current archive root; open loads a list of files.
    TfrmArhiv(std::function<std::string()> archiveFolder,
              std::function<void(const std::vector<std::string>&)> open, Operator& op,
              QWidget* parent = nullptr);

    QCalendarWidget* Calendar() const { return calendar_; }
    QComboBox* Files() const { return files_; }
    QToolButton* DeleteButton() const { return delete_; }
    QToolButton* OpenButton() const { return open_; }
    QPushButton* CancelButton() const { return cancel_; }

    // The folder of a day: the archive root + "/" + "dd.mm.yy".
    std::string DayFolder(const QDate& day) const;
    // Lists the ".dml" files of a day in the order the file system gives them (regular files only).
    void FillList(const QDate& day);
    void OpenSelected();
    void DeleteSelected();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string SelectedPath() const;

    std::function<std::string()> archiveFolder_;
    std::function<void(const std::vector<std::string>&)> openFiles_;
    Operator& operator_;
    QCalendarWidget* calendar_ = nullptr;
    QComboBox* files_ = nullptr;
    QToolButton* delete_ = nullptr;
    QToolButton* open_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace drumo
