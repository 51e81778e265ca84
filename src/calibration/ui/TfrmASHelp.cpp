#include "calibration/ui/TfrmASHelp.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace drumo {

namespace {

struct Section {
    QColor Colour;
    std::vector<const char*> Title;
    std::vector<const char*> Body;
    bool BlankAfterTitle = false;
};

const QColor Red(255, 0, 0), Maroon(128, 0, 0), Black(0, 0, 0);

const std::vector<Section>& Sections() {
    static const std::vector<Section> sections = {
        {Red, {"Коды ошибок (Error X)"},
         {"0 - нет ошибок", "1 - нет сигнала присутствия датчиков в линии", "     (или к.з. на +5V)", "2 - к.з. на GND",
          "3 - в линии слишком большая задержка, емкость", "     линии превышает допустимую",
          "4 - сбой при поиске датчиков (две единицы)", "5 - ошибка CRC при поиске датчиков",
          "6 - датчики забракованы при чтении калибровочных", "     коэффициентов",
          "7 - в линии нет датчиков для измерения температуры", "8 - тип линии не поддерживается прибором",
          "9 - количество датчиков превышает допустимое"},
         true},
        {Maroon, {"ID Code  (0-250)"},
         {"    Идентификатор датчика. При поиске", "датчики сортируются по возрастанию ID Code.",
          "Идентифицируются контроллером в формате ", "расстояния до датчика L**, если сеть имеет датчик",
          "с номером сети. Если датчик с номером сети", "отсутствует,  то в формате порядкового номера n**.",
          "ID Code 251 - 255 зарезервированы для служебного", "использования.", "251 - зарезервировано",
          "252 - зарезервировано", "253 - скрытый датчик (можно присвоить вручную)",
          "254 - датчик с номером линии (присв. автоматически)", "255 - поврежденный датчик (присв. автоматически)"}},
        {Maroon, {"S30 (от -0,5'С до +0,45'С)"},
         {"    Поправка  к измеренной температуре (смещение),", "вносится при калибровке в точке 30'С."}},
        {Maroon, {"P100 (от 0 до -1,5 )"},
         {"Поправка  к измеренной температуре (коэффициент", "полинома),  определяется при калибровке в ",
          "точке 100'С. Только отрицательные значения!"}},
        {Maroon, {"Status (0, 1 , 2, 3)"},
         {"0 - обычный датчик", " ", "1 - в датчик записан номер короткой термокосы",
          "     (в колонке P100). Расстояние до датчика", "     будет определяться выражением",
          "     L = ID Code/10 (от 0.0 до 25.0 метров)", "     На индикаторе: L21.1 ", " ",
          "2 - в датчик записан номер длинной термокосы", "     (в колонке P100). Расстояние до датчика",
          "     будет определяться выражением", "     L = ID Code (от 0 до 250 метров)", "     На индикаторе: L211 ",
          " ", "3 - в датчик записан номер термокосы с", "     нумерованными датчиками", "     n = ID Code (от 0 до 250)",
          "     На индикаторе: n211 ", " ", "Если в датчик записан номер термокосы, то",
          "датчик в режиме измерений скрыт. ID Code", "автоматически = 254, S25 = 0", " ",
          "Если в термокосе нет датчика с номером термокосы,", "или номер термокосы = 0, то термокоса считается",
          "термокосой с нумерованными датчиками", "     n = ID Code (от 0 до 250)", "     На индикаторе: n211 ", " ",
          "Совместимость:", "Hexar-1/100  - Status 0, 1, 2, 3", "Hexar-1/16    - Status 0, 1,     3"},
         true},
        {Black, {"Порядок действий для ", "автоматического расчета поправок", "на примере S30:"},
         {"1. Прием измерений должен быть разрешен.", "2. В поле рядом с кнопкой S30 ввести температуру",
          "    образцового датчика.", "3. Подождать, пока придет несколько отсчетов (до 8).",
          "4. Нажать кнопку S30. При этом в таблице будет", "    заполнена колонка S30. Надпись на кнопке ",
          "    изменится, будет отображено количество отсчетов", "    температуры, использованных для расчета",
          "    Если при расчете возникли ошибки, будет", "    выведено соотвествующее сообщение.",
          "5. Нажать кнопку Записать. Информация из таблицы", "    будет записана в датчики.",
          "6. Оценить на графике результаты калибровки. ", "7. Если результаты удовлетворительны, калибровка",
          "    завершена.", "8. Для повторного расчета поправок необходимо",
          "    нажать кнопку Обновить. При этом в таблицу будет", "    загружена реальная информация из датчиков.",
          "    Прим: После нажатия кнопки Записать расчет на ", "    некоторое время блокируется, пока не придут",
          "    новые отсчеты температуры.", "9. Вернуться к пункту 3."}},
        {Black, {"Поиск и пересортировка датчиков"},
         {"Процедура нужна, если менялись ID Code, и", "необходима, если записывался номер термокосы,",
          "т.к. датчик может стать скрытым.", "Для запуска поиска и сортировки датчиков нажать",
          "кнопку Поиск. Контроллер запустит процедуру", "поиска Find... (как при включении питания). Во время ",
          "поиска не следует давать других команд до тех пор, ", "пока контроллер не выйдет в режим измерений.",
          "Теперь датчики в памяти контроллера расположены ", "по возрастанию ID Code. Для обновления данных в ",
          "таблице нажать кнопку Обновить. Для обновления", "данных о датчиках на графиках и основной форме ",
          "нажать кнопку Принять (зеленый телевизор в", "верхнем углу формы). Останавливать прием",
          "измерений не обязательно."},
         true},
        {Black, {"Новая группа датчиков"},
         {"Для присвоения номеров датчикам в порядке", "возрастания и обнуления всех поправок",
          "нажать кнопку Новая. Для записи в датчики нажать", "кнопку Записать. "},
         true},
        {Black, {}, {"Номер прибора - вынесен в отдельную форму"}},
        {Black, {"Поддержка цифровых датчиков"},
         {"   DS18B20                   DS18S20", "(Hexar-1/16)             (Hexar-1/100)", "(Hexar-1/100)"},
         true},
    };
    return sections;
}

// A sensor in its three-legged TO-92 case, seen from the front, with its name on the flat face.
QPixmap SensorPicture(const QString& name, const QColor& body) {
    QPixmap picture(110, 120);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 150, 150), 3));
    for (int x : {40, 55, 70}) p.drawLine(x, 62, x, 115);
    QPainterPath casing;
    casing.moveTo(25, 62);
    casing.lineTo(25, 30);
    casing.arcTo(25, 5, 60, 50, 180, -180);
    casing.lineTo(85, 62);
    casing.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(body);
    p.drawPath(casing);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(25, 30, 60, 20), Qt::AlignCenter, name);
    return picture;
}

}  // namespace

TfrmASHelp::TfrmASHelp(QWidget* owner) : QScrollArea(owner), owner_(owner) {
    setWindowFlags(Qt::Dialog);
    setWindowTitle(QStringLiteral("Помощь"));
    setFixedWidth(FixedWidth);
    setMinimumHeight(MinHeight);
    resize(FixedWidth, 440);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("HelpPage"));
    page->setAutoFillBackground(true);
    page->setMinimumHeight(PageHeight);
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(0);
    layout->setContentsMargins(4, 4, 4, 4);
    QFont small = font();
    small.setPixelSize(10);
    auto addLine = [&](const char* text, const QColor& colour, bool title) {
        auto* label = new QLabel(QString::fromUtf8(text));
        label->setFont(small);
        label->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
        if (title) {
            label->setAlignment(Qt::AlignHCenter);
            QFont bold = small;
            bold.setBold(true);
            label->setFont(bold);
        }
        layout->addWidget(label);
        lines_.push_back(label);
    };
    for (const Section& section : Sections()) {
        for (const char* line : section.Title) addLine(line, section.Colour, true);
        if (section.BlankAfterTitle) addLine(" ", section.Colour, false);
        for (const char* line : section.Body) addLine(line, section.Colour, false);
        addLine(" ", section.Colour, false);
    }
    auto* pictures = new QHBoxLayout;
    for (const auto& [name, colour] : {std::pair{"DS18B20", QColor(20, 20, 20)}, std::pair{"DS18S20", QColor(60, 60, 90)}}) {
        auto* picture = new QLabel;
        picture->setPixmap(SensorPicture(QString::fromLatin1(name), colour));
        pictures->addWidget(picture, 0, Qt::AlignHCenter);
    }
    layout->addLayout(pictures);
    layout->addStretch(1);
    setWidget(page);
    setWidgetResizable(true);
}

QStringList TfrmASHelp::Lines() const {
    QStringList lines;
    for (const QLabel* label : lines_) lines << label->text();
    return lines;
}

void TfrmASHelp::ShowCentred() {
    if (owner_) {
        const QRect o = owner_->frameGeometry();
        move(o.center().x() - width() / 2, o.center().y() - height() / 2);
    }
    show();
    raise();
}

}  // namespace drumo
