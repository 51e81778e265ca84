#include "app/ui/CommandIcons.h"

#include <QPainter>
#include <QPixmap>

#include <map>

namespace drumo {

namespace {

struct Glyph {
    QColor colour;
    QString text;
};

QIcon Draw(const Glyph& g) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(g.colour.darker(150), 1));
    p.setBrush(g.colour);
    p.drawRoundedRect(QRectF(1.5, 1.5, 17, 17), 4, 4);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(g.text.size() > 1 ? 9 : 13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, g.text);
    return QIcon(pixmap);
}

}  // namespace

QIcon CommandIcon(const QString& name) {
    const QColor file(70, 110, 170), run(40, 140, 60), device(150, 90, 30), view(110, 70, 160),
        setup(90, 90, 100), stop(180, 40, 40);
    static const std::map<QString, Glyph> glyphs = {
        {QStringLiteral("actFind"), {setup, QStringLiteral("⌕")}},
        {QStringLiteral("actFileOpen"), {file, QStringLiteral("↥")}},
        {QStringLiteral("actFileSave"), {file, QStringLiteral("↧")}},
        {QStringLiteral("actFileExcelExport"), {QColor(30, 120, 70), QStringLiteral("X")}},
        {QStringLiteral("actFileArhiv"), {file, QStringLiteral("A")}},
        {QStringLiteral("actStart"), {run, QStringLiteral("▶")}},
        {QStringLiteral("actStop"), {stop, QStringLiteral("■")}},
        {QStringLiteral("actPowerOff"), {stop, QStringLiteral("⚡")}},
        {QStringLiteral("actDevSettings"), {device, QStringLiteral("⚙")}},
        {QStringLiteral("actTimeSinhro"), {device, QStringLiteral("◷")}},
        {QStringLiteral("actNotebook"), {device, QStringLiteral("Б")}},
        {QStringLiteral("actGraph"), {view, QStringLiteral("∿")}},
        {QStringLiteral("actTrend"), {view, QStringLiteral("L")}},
        {QStringLiteral("actSysTrend"), {view, QStringLiteral("Σ")}},
        {QStringLiteral("actPlets"), {view, QStringLiteral("≋")}},
        {QStringLiteral("actReport"), {view, QStringLiteral("≣")}},
        {QStringLiteral("actClearResults"), {stop, QStringLiteral("✕")}},
        {QStringLiteral("actScanM"), {setup, QStringLiteral("☰")}},
        {QStringLiteral("actProgSet"), {setup, QStringLiteral("⚒")}},
        {QStringLiteral("actAutoSet"), {device, QStringLiteral("↕")}},
        {QStringLiteral("actDevSerial"), {device, QStringLiteral("№")}},
    };
    const auto it = glyphs.find(name);
    return it == glyphs.end() ? QIcon() : Draw(it->second);
}

}  // namespace drumo
