// The analysis window over real PE files built with mingw-w64, driven through its own
// file dialog.
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/frmAnalyze.h"
#include "pe/AnalyzeState.h"
#include "pe/PeAnalyzer.h"
#include "pe/PeBuilder.h"
#include "platform/linux/Backends.h"
#include "store/TempFolder.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using quorvel::gui::frmAnalyze;
using quorvel::gui::MessageBox;

namespace {

QString Fixture(const char* name) {
    return QStringLiteral(QUORVEL_PE_FIXTURES "/") + QLatin1String(name);
}

quorvel::platform::Platform FilesOnly() {
    quorvel::platform::Platform platform;
    platform.files = quorvel::platform::linux_backend::CreatePosixFiles();
    return platform;
}

bool EvenWidths(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(QLatin1Char('i')) ==
               metrics.horizontalAdvance(QLatin1Char('W')) &&
           metrics.horizontalAdvance(QLatin1Char('.')) ==
               metrics.horizontalAdvance(QLatin1Char('M'));
}

QString ShownText(const std::string& reportText) {
    return QString::fromStdString(reportText).remove(QLatin1Char('\r'));
}

} // namespace

class frmAnalyzeTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        quorvel::pe::LastAnalysedReport() = {};
        m_window = new frmAnalyze(m_context);
        m_window->show();
    }

    void cleanup() { delete m_window; }

    void opensOnTheDosHeaderViewAndSwitchesViews() {
        QCOMPARE(m_window->windowTitle(), QString("Quorvel | Analyze Manual"));
        QVERIFY(option(0)->isChecked());
        QCOMPARE(visibleViews(), QList<int>{0});
        QCOMPARE(label2(), QString("N/A"));
        for (int k : {3, 1, 4, 2, 0}) {
            QTest::mouseClick(option(k), Qt::LeftButton);
            QCOMPARE(visibleViews(), QList<int>{k});
        }
        for (int i = 0; i < 5; ++i)
            QVERIFY2(EvenWidths(view(i)->font()), "the columns must line up");
    }

    void loadThenAnalyzeShowsTheReport() {
        requireFixtures();
        const QString path = Fixture("gui_program.exe");
        load(path);
        QCOMPARE(m_dialogFilters, QStringList{"PE [Portable Executable] (*.exe *.dll *.ocx)"});
        QCOMPARE(label2(), "Complete Open File -> " + path + " Click Analyze Now for view anaysis");
        for (int i = 0; i < 5; ++i)
            QVERIFY2(view(i)->toPlainText().isEmpty(), "views change only on Analyze");

        analyzeAndClassify();
        const auto expected =
            quorvel::pe::AnalyzePeFile(*m_platform.files, path.toStdString()).report;
        QCOMPARE(view(0)->toPlainText(), ShownText(expected.dosText));
        QCOMPARE(view(1)->toPlainText(), ShownText(expected.ntText));
        QCOMPARE(view(2)->toPlainText(), ShownText(expected.sectionText));
        QCOMPARE(view(3)->toPlainText(), ShownText(expected.exportText));
        QCOMPARE(view(4)->toPlainText(), ShownText(expected.importText));
        QVERIFY(view(4)->toPlainText().contains(" [ Module USER32.DLL ]\n"));
        QCOMPARE(infotxt(), QString());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void classifiesAfterAnalyze_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("label");
        QTest::newRow("UPX sections") << "upx_packed.exe"
                                      << "Packed - can't be analyzed..suspected";
        QTest::newRow("UPX and qcyrwa") << "upx_qcyrwa.exe"
                                        << " Potentially Worm MOW";
        QTest::newRow("keyboard hook") << "hook_program.exe"
                                       << " Potentially Malware - Hook";
        QTest::newRow("wininet client") << "internet_program.exe"
                                        << " Potentially Trojan";
        QTest::newRow("plain program") << "gui_program.exe"
                                       << "";
    }

    void classifiesAfterAnalyze() {
        QFETCH(QString, fixture);
        QFETCH(QString, label);
        requireFixtures();
        load(Fixture(fixture.toUtf8().constData()));
        QTest::mouseClick(m_window->findChild<QPushButton*>("cmdAnalyze"), Qt::LeftButton);
        QCOMPARE(infotxt(), QString()); // the rules run after the click has returned
        waitForClassification();
        QCOMPARE(infotxt(), label);

        analyzeAndClassify();
        QCOMPARE(infotxt(), label);
    }

    void cancelledDialogEmptiesTheLabelOnly() {
        requireFixtures();
        load(Fixture("hook_program.exe"));
        analyzeAndClassify();
        const QString imports = view(4)->toPlainText();
        const QString status = label2();
        QCOMPARE(infotxt(), QString(" Potentially Malware - Hook"));

        load(QString()); // cancel
        QCOMPARE(infotxt(), QString());
        QCOMPARE(label2(), status);
        QCOMPARE(view(4)->toPlainText(), imports);
        analyzeAndClassify();
        QCOMPARE(view(4)->toPlainText(), imports);
        QCOMPARE(infotxt(), QString(" Potentially Malware - Hook"));
    }

    void aNewLoadKeepsTheViewsUntilAnalyze() {
        requireFixtures();
        load(Fixture("hook_program.exe"));
        analyzeAndClassify();
        const QString hookImports = view(4)->toPlainText();

        load(Fixture("gui_program.exe"));
        QCOMPARE(infotxt(), QString());
        QCOMPARE(view(4)->toPlainText(), hookImports);
        analyzeAndClassify();
        QVERIFY(view(4)->toPlainText() != hookImports);
        QCOMPARE(infotxt(), QString());
    }

    void analyzeBeforeAnyLoadShowsEmptyViews() {
        analyzeAndClassify();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(view(i)->toPlainText(), QString());
        QCOMPARE(infotxt(), QString());
        QCOMPARE(label2(), QString("N/A"));
    }

    void notAPeFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("dosShown");
        QTest::newRow("text") << QByteArray("just some text, no MZ here\n") << "Invalid DOS header!"
                              << false;
        QByteArray mzOnly(64, '\0');
        mzOnly[0] = 'M';
        mzOnly[1] = 'Z';
        QTest::newRow("MZ without PE") << mzOnly << "Invalid PE file!" << true;
    }

    void notAPeFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(bool, dosShown);
        quorvel::testing::TempFolder temp;
        const QString path = QString::fromStdString(temp / "notes.exe");
        quorvel::testing::WriteBytes(path.toStdString(), bytes.toStdString());

        load(path);
        QCOMPARE(label2(), "Complete Open File -> " + path + " Click Analyze Now for view anaysis");
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Critical);
        QCOMPARE(MessageBox::shown().at(0).title, QString("Quorvel"));
        QCOMPARE(MessageBox::shown().at(0).text, message);

        analyzeAndClassify();
        QCOMPARE(view(0)->toPlainText().isEmpty(), !dosShown);
        for (int i = 1; i < 5; ++i)
            QCOMPARE(view(i)->toPlainText(), QString());
        QCOMPARE(infotxt(), QString());
    }

    // The old file's report must not stand under the name of a file that is no PE file.
    void noPeFileClearsTheOldFilesViewsAtOnce() {
        requireFixtures();
        load(Fixture("hook_program.exe"));
        analyzeAndClassify();
        QVERIFY(!view(4)->toPlainText().isEmpty());
        QVERIFY(!infotxt().isEmpty());
        quorvel::testing::TempFolder temp;
        const QString path = QString::fromStdString(temp / "notes.exe");
        quorvel::testing::WriteBytes(path.toStdString(), "no MZ here\n");
        load(path);
        QCOMPARE(MessageBox::shown().last().text, QString("Invalid DOS header!"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(view(i)->toPlainText(), QString());
        QCOMPARE(infotxt(), QString());
    }

    void reopenedWindowShowsTheLastFileOnlyAfterAnalyze() {
        requireFixtures();
        load(Fixture("upx_packed.exe"));
        analyzeAndClassify();
        const QString sections = view(2)->toPlainText();
        delete m_window;

        m_window = new frmAnalyze(m_context);
        m_window->show();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(view(i)->toPlainText(), QString());
        QCOMPARE(infotxt(), QString());
        analyzeAndClassify();
        QCOMPARE(view(2)->toPlainText(), sections);
        QCOMPARE(infotxt(), QString("Packed - can't be analyzed..suspected"));
    }

    void aLargeImportReportFillsItsViewWhole() {
        // 40000 imports by name: one thunk table far longer than any real program's.
        constexpr uint32_t kImports = 40000;
        using namespace quorvel::pe::test;
        PeBuilder pe = CraftedPe();
        const size_t rdata = crafted::kSectionTable + 40;
        pe.u32(rdata + 8, 0x40000).u32(rdata + 16, 0x40000).resize(crafted::kRdata + 0x40000);
        pe.u32(crafted::kDescriptors, 0x3000);
        for (uint32_t i = 0; i < kImports; ++i)
            pe.u32(crafted::RdataOffset(0x3000) + 4 * i, 0x21E0);
        quorvel::testing::TempFolder temp;
        const QString path = QString::fromStdString(temp / "many.exe");
        const auto bytes = pe.bytes();
        quorvel::testing::WriteBytes(
            path.toStdString(),
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));

        load(path);
        QElapsedTimer filling;
        filling.start();
        QTest::mouseClick(m_window->findChild<QPushButton*>("cmdAnalyze"), Qt::LeftButton);
        qInfo("Analyze filled the views with %d import lines in %lld ms",
              view(4)->document()->blockCount(), filling.elapsed());
        QTest::mouseClick(option(4), Qt::LeftButton);
        waitForClassification();
        QVERIFY(view(4)->document()->blockCount() > int(kImports));
        QCOMPARE(view(4)->toPlainText().count(" Function name: GetAsyncKeyState\n"),
                 qsizetype(kImports));
        QCOMPARE(infotxt(), QString());
    }

private:
    static void requireFixtures() {
        if (!QUORVEL_PE_HAVE_FIXTURES)
            QSKIP("mingw-w64 was not found when the tests were built");
    }

    // Clicks Load File and answers the dialog with path, or cancels it for an empty path.
    void load(const QString& path) {
        m_dialogFilters.clear();
        QPointer<frmAnalyze> window = m_window;
        QTimer::singleShot(0, this, [this, window, path] { answerDialog(window, path); });
        QTest::mouseClick(m_window->findChild<QPushButton*>("cmdLoad"), Qt::LeftButton);
        QVERIFY(!m_dialogFilters.isEmpty());
    }

    void answerDialog(QPointer<frmAnalyze> window, const QString& path) {
        auto* dialog = window ? window->findChild<QFileDialog*>("UniDialog1") : nullptr;
        if (!dialog || !dialog->isVisible()) {
            QTimer::singleShot(10, this, [this, window, path] { answerDialog(window, path); });
            return;
        }
        m_dialogFilters = dialog->nameFilters();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    }

    void analyzeAndClassify() {
        QTest::mouseClick(m_window->findChild<QPushButton*>("cmdAnalyze"), Qt::LeftButton);
        waitForClassification();
    }

    void waitForClassification() {
        auto* timer = m_window->findChild<QTimer*>("Timer1");
        QVERIFY(timer);
        QTRY_VERIFY(!timer->isActive());
    }

    QList<int> visibleViews() const {
        QList<int> shown;
        for (int i = 0; i < 5; ++i)
            if (view(i)->isVisibleTo(m_window))
                shown.append(i);
        return shown;
    }

    QPlainTextEdit* view(int i) const {
        return m_window->findChild<QPlainTextEdit*>(QString("Text%1").arg(i + 1));
    }
    QRadioButton* option(int i) const {
        return m_window->findChild<QRadioButton*>(QString("Option1_%1").arg(i));
    }
    QString infotxt() const { return m_window->findChild<QLineEdit*>("infotxt")->text(); }
    QString label2() const { return m_window->findChild<QLabel*>("Label2")->text(); }

    quorvel::platform::Platform m_platform = FilesOnly();
    quorvel::gui::AppContext m_context{m_platform, {}, {}};
    QPointer<frmAnalyze> m_window;
    QStringList m_dialogFilters;
};

QTEST_MAIN(frmAnalyzeTest)
#include "frmAnalyze_test.moc"
