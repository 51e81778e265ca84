// The operator's questions and Qt's own dialogs speak Russian: the buttons of a question, the
// answer that Enter gives, the calendar's month names and the short date of the operations log.

#include <QApplication>
#include <QCalendarWidget>
#include <QColorDialog>
#include <QDate>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/Language.h"
#include "app/ui/QtOperator.h"
#include "model/Store.h"
#include "support/ScriptedOperator.h"

using namespace drumo;

namespace {
QStringList ButtonTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QPushButton* b : dialog.findChildren<QPushButton*>())
        if (!b->text().isEmpty()) texts << b->text().remove(QLatin1Char('&'));
    return texts;
}
}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(UseRussianLanguage(*QCoreApplication::instance())); }

    void questionsSayDaAndNetAndEnterGivesThePresetAnswer() {
        struct Case {
            bool danger;
            const char* preset;
            bool enterAnswer;
        };
        for (const Case c : {Case{false, "Да", true}, Case{true, "Нет", false}}) {
            QStringList buttons;
            QString preset;
            // Runs inside the question's own event loop: reads the box, then presses Enter.
            QTimer::singleShot(0, qApp, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                buttons = ButtonTexts(*box);
                preset = box->defaultButton()->text().remove(QLatin1Char('&'));
                QTest::keyClick(box, Qt::Key_Return);
            });
            QtOperator op;
            const bool answer = c.danger ? op.AskDanger("Результаты измерений будут удалены.\r\nПродолжить?")
                                         : op.Ask("Прибор обнаружен.\r\nНазначить порт?");
            buttons.sort();
            QCOMPARE(buttons, QStringList({"Да", "Нет"}));
            QCOMPARE(preset, QString::fromUtf8(c.preset));
            QCOMPARE(answer, c.enterAnswer);
        }
    }

    void qtDialogsHaveNoEnglishButtons() {
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setAcceptMode(QFileDialog::AcceptSave);
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        for (QDialog* dialog : std::initializer_list<QDialog*>{&files, &colours}) {
            const QStringList texts = ButtonTexts(*dialog);
            QVERIFY2(texts.contains("Отмена"), qPrintable(texts.join(", ")));
            for (const char* english : {"Cancel", "Save", "Open", "Look in:", "File name:"})
                QVERIFY2(!texts.contains(english), english);
        }
    }

    void calendarAndLogDatesAreRussian() {
        QCalendarWidget calendar;
        calendar.setSelectedDate(QDate(2026, 12, 9));
        auto* month = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
        QVERIFY(month);
        QCOMPARE(month->text().toLower(), QString("декабрь"));

        test::ScriptedOperator op;
        NullLog log;
        MeasurementStore store(op, log);
        TfrmScanM manager(store);
        // The first line is the time of day and then today's date in the Russian short form.
        const QString first = manager.LogLines().first();
        QCOMPARE(first.mid(8), " > " + QDate::currentDate().toString("dd.MM.yyyy") + " --- Старт ---");
    }
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
