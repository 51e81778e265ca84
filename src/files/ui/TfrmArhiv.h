#pragma once
// The archive window "Архив": a calendar of the days the archive can hold, the archive files of
// the chosen day, and the commands to open one of them or to move it to the desktop's trash.
// Every showing starts at today.

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "link/Platform.h"

namespace drumo {

class TfrmArhiv : public QWidget {
    Q_OBJECT
public:
    using OpenFiles = std::function<void(const std::vector<std::string>&)>;

    TfrmArhiv(Operator& op, QWidget* parent = nullptr);

    // The archive root, read at every use (the settings dialog may change it).
    void SetArchiveFolder(std::function<std::string()> folder) { folder_ = std::move(folder); }
    // The group loader, given one file.
    void SetOpenFiles(OpenFiles open) { open_ = std::move(open); }

    // Choosing a day fills the list with that day's archive files and selects the first.
    void ChooseDay(const QDate& day);
    QDate ChosenDay() const { return calendar_->selectedDate(); }
    QStringList FileNames() const;
    QString SelectedName() const { return files_->currentText(); }
    // The full path of the selected file; empty when the day has none.
    QString SelectedPath() const;

    void OpenSelected();    // "Открыть файл архива"
    void DeleteSelected();  // "Удалить файл архива"

    QCalendarWidget* Calendar() const { return calendar_; }
    QComboBox* Files() const { return files_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    Operator& op_;
    std::function<std::string()> folder_;
    OpenFiles open_;
    QCalendarWidget* calendar_;
    QComboBox* files_;
};

}  // namespace drumo
