// The operator's questions and Qt's own widgets speak Russian: the buttons of a question, the
// answer that Enter gives, the calendar's month names and the short date of the operations log.

#include <QApplication>
#include <QCalendarWidget>
#include <QDate>
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
            bool onTop = false;
            // Runs inside the question's own event loop: reads the box, then presses Enter.
            QTimer::singleShot(0, qApp, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                for (const QAbstractButton* b : box->buttons())
                    buttons << b->text().remove(QLatin1Char('&'));
                preset = box->defaultButton()->text().remove(QLatin1Char('&'));
                // Above windows that stay on top themselves, such as "Нумератор".
                onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                QTest::keyClick(box, Qt::Key_Return);
            });
            QtOperator op;
            const bool answer = c.danger ? op.AskDanger("Результаты измерений будут удалены.\r\nПродолжить?")
                                         : op.Ask("Прибор обнаружен.\r\nНазначить порт?");
            buttons.sort();
            QCOMPARE(buttons, QStringList({"Да", "Нет"}));
            QCOMPARE(preset, QString::fromUtf8(c.preset));
            QCOMPARE(answer, c.enterAnswer);
            QVERIFY(onTop);
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
