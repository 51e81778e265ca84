#pragma once
// A round signal lamp with a caption beside it: red or green, bright while lit.

#include <QWidget>

namespace drumo {

class Lamp : public QWidget {
    Q_OBJECT
public:
    Lamp(const QString& caption, QWidget* parent = nullptr);

    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }
    void SetLit(bool lit);
    bool Lit() const { return lit_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString caption_;
    QColor colour_{Qt::red};
    bool lit_ = false;
};

}  // namespace drumo
