// The archive window: the files of a day, Open through the loader, Delete to the trash.

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "files/ui/TfrmArhiv.h"
#include "support/ScriptedOperator.h"

namespace drumo {

class TfrmArhivTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    QString archive_;
    test::ScriptedOperator op_;
    std::vector<std::vector<std::string>> opened_;

    void Touch(const QString& path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("//\r\n");
    }
    QString Today() const { return archive_ + "/" + QDate::currentDate().toString(QStringLiteral("dd.MM.yy")); }
    QSet<QString> Listed(const TfrmArhiv& w) const {
        QSet<QString> names;
        for (int i = 0; i < w.Files()->count(); ++i) names.insert(w.Files()->itemText(i));
        return names;
    }

private slots:
    void initTestCase() {
        QVERIFY(root_.isValid());
        archive_ = root_.path() + "/Archive";
        // The desktop's trash goes to a folder of the test.
        QVERIFY(QDir().mkpath(root_.path() + "/data"));
        qputenv("XDG_DATA_HOME", (root_.path() + "/data").toLocal8Bit());
        QVERIFY(QDir().mkpath(Today()));
        Touch(Today() + "/14.03.22.dml");
        Touch(Today() + "/.09.00.00.dml");  // hidden entries are listed too
        Touch(Today() + "/notes.txt");
        QVERIFY(QDir().mkpath(archive_ + "/05.12.17"));
        Touch(archive_ + "/05.12.17/14.03.22.dml");
    }

    void ShowingListsTodaysFilesAndOpenLoadsTheSelectedOne() {
        TfrmArhiv w([this] { return archive_.toStdString(); },
                    [this](const std::vector<std::string>& files) { opened_.push_back(files); }, op_);
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Архив"));
        QCOMPARE(w.Calendar()->selectedDate(), QDate::currentDate());
        QCOMPARE(w.Calendar()->minimumDate(), QDate(2010, 1, 1));
        QCOMPARE(w.Calendar()->maximumDate(), QDate(2099, 12, 31));
        QCOMPARE(w.OpenButton()->toolTip(), QStringLiteral("Открыть файл архива"));
        QCOMPARE(w.DeleteButton()->toolTip(), QStringLiteral("Удалить файл архива"));
        QCOMPARE(Listed(w), (QSet<QString>{QStringLiteral("14.03.22.dml"), QStringLiteral(".09.00.00.dml")}));
        QCOMPARE(w.Files()->currentIndex(), 0);

        const QString selected = w.Files()->currentText();
        QTest::mouseClick(w.OpenButton(), Qt::LeftButton);
        QCOMPARE(opened_.size(), size_t(1));
        QCOMPARE(opened_[0], (std::vector<std::string>{(Today() + "/" + selected).toStdString()}));
        QVERIFY(w.isVisible());  // the window stays open

        // Another day.
        w.Calendar()->setSelectedDate(QDate(2017, 12, 5));
        w.FillList(QDate(2017, 12, 5));
        QCOMPARE(Listed(w), (QSet<QString>{QStringLiteral("14.03.22.dml")}));
        w.OpenSelected();
        QCOMPARE(opened_.back(), (std::vector<std::string>{(archive_ + "/05.12.17/14.03.22.dml").toStdString()}));

        QTest::mouseClick(w.CancelButton(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void ADayWithoutFilesGivesAnEmptyListAndTheButtonsDoNothing() {
        opened_.clear();
        TfrmArhiv w([this] { return archive_.toStdString(); },
                    [this](const std::vector<std::string>& files) { opened_.push_back(files); }, op_);
        w.show();
        w.Calendar()->setSelectedDate(QDate(2011, 1, 1));
        w.FillList(QDate(2011, 1, 1));
        QCOMPARE(w.Files()->count(), 0);
        w.OpenSelected();
        w.DeleteSelected();
        QVERIFY(opened_.empty());
        QVERIFY(op_.messages.empty());
    }

    // A day chosen with the keyboard refills the list, and Open and Delete act on the listed
    // entry of that day, never on a name listed for the day shown before.
    void KeyboardDayChangeRefillsTheListForOpenAndDelete() {
        const QDate next = QDate(2017, 12, 6);
        QVERIFY(QDir().mkpath(archive_ + "/06.12.17"));
        Touch(archive_ + "/06.12.17/09.00.00.dml");
        opened_.clear();
        op_.messages.clear();
        TfrmArhiv w([this] { return archive_.toStdString(); },
                    [this](const std::vector<std::string>& files) { opened_.push_back(files); }, op_);
        w.show();
        w.Calendar()->setSelectedDate(QDate(2017, 12, 5));
        auto* days = w.Calendar()->findChild<QAbstractItemView*>();
        QVERIFY(days);
        QTest::keyClick(days, Qt::Key_Right);
        QCOMPARE(w.Calendar()->selectedDate(), next);
        w.OpenSelected();
        QCOMPARE(opened_.back(), (std::vector<std::string>{(archive_ + "/06.12.17/09.00.00.dml").toStdString()}));

        w.DeleteSelected();  // answered No: the file stays
        QCOMPARE(op_.messages.size(), size_t(1));
        QCOMPARE(op_.messages[0].Text, std::string("Удалить файл 09.00.00.dml?"));
        QVERIFY(op_.messages[0].PresetNo);  // a stray Enter keeps the file
        QVERIFY(QFile::exists(archive_ + "/06.12.17/09.00.00.dml"));
        op_.Answer(true);
        w.DeleteSelected();
        QVERIFY(!QFile::exists(archive_ + "/06.12.17/09.00.00.dml"));
        QVERIFY(QFile::exists(archive_ + "/05.12.17/14.03.22.dml"));
        QCOMPARE(w.Files()->count(), 0);
    }

    void DeleteMovesTheFileToTheTrashAndRefillsTheList() {
        TfrmArhiv w([this] { return archive_.toStdString(); }, {}, op_);
        w.show();
        w.Calendar()->setSelectedDate(QDate(2017, 12, 5));
        w.FillList(QDate(2017, 12, 5));
        QCOMPARE(w.Files()->count(), 1);
        op_.messages.clear();
        op_.Answer(true);
        QTest::mouseClick(w.DeleteButton(), Qt::LeftButton);
        QVERIFY(!QFile::exists(archive_ + "/05.12.17/14.03.22.dml"));
        QCOMPARE(w.Files()->count(), 0);
        QCOMPARE(op_.messages.size(), size_t(1));  // only the question
        QVERIFY(!QDir(root_.path() + "/data/Trash/files").entryList({QStringLiteral("14.03.22*")}).isEmpty());
    }
};

}  // namespace drumo

QTEST_MAIN(drumo::TfrmArhivTest)
#include "TfrmArhivTest.moc"
