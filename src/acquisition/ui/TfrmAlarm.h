#pragma once
// The two alarm windows: the upper one lists samples above the upper alarm temperature, the lower
// one samples below the lower. Lines accumulate for the whole run; closing a window only hides it.

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

namespace drumo {

class TfrmAlarm : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Upper, Lower };
    explicit TfrmAlarm(Kind kind, QWidget* parent = nullptr);

    // Shows the window when it is hidden and appends one line.
    void AddLine(const QString& line);
    QStringList Lines() const;

    QPlainTextEdit* List() const { return list_; }

private:
    void FitWidestLine();

    QLabel* header_;
    QPlainTextEdit* list_;
};

}  // namespace drumo
