#include "gui/frmWindows.h"
#include "gui/support/GuiFixtures.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using quorvel::gui::frmWindows;
using quorvel::gui::testing::FlushDeletes;
using quorvel::gui::testing::WindowContext;
using quorvel::platform::TopLevelWindow;

// Before any use: a use before the declaration instantiates Qt's own metatype for it.
Q_DECLARE_METATYPE(std::vector<TopLevelWindow>)

class frmWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowContext> m_ui;

private slots:
    void init() { m_ui = std::make_unique<WindowContext>(); }
    void cleanup() {
        delete frmWindows::instance();
        FlushDeletes();
        m_ui.reset();
    }

    void listsTheTitledWindowsOfThePid_data() {
        QTest::addColumn<std::vector<TopLevelWindow>>("desktop");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("none") << std::vector<TopLevelWindow>{{1, 42, ""}, {2, 7, "Other"}}
                              << QStringList{"No Associated Windows"};
        QTest::newRow("in enumeration order, untitled and foreign skipped")
            << std::vector<TopLevelWindow>{{1, 42, "Top"},
                                           {2, 42, ""},
                                           {3, 7, "Other"},
                                           {4, 42, "Hidden tool"}}
            << QStringList{"Top", "Hidden tool"};
        std::vector<TopLevelWindow> many;
        QStringList first100;
        for (int i = 0; i < 120; ++i) {
            many.push_back({static_cast<uint64_t>(i + 1), 42, "Window " + std::to_string(i)});
            if (i < 100)
                first100 << QString("Window %1").arg(i);
        }
        QTest::newRow("more than 100") << many << first100;
    }

    void listsTheTitledWindowsOfThePid() {
        QFETCH(std::vector<TopLevelWindow>, desktop);
        QFETCH(QStringList, lines);
        m_ui->windows.windows = desktop;
        frmWindows window(42, "editor.exe", m_ui->context);
        QCOMPARE(window.windowTitle(), QString("Associated Windows"));
        QCOMPARE(window.findChild<QLabel*>("lblMain")->text(), QString("Associated Windows for:"));
        QCOMPARE(window.findChild<QLabel*>("lblTarget")->text(), QString("editor.exe (PID 42)"));
        QCOMPARE(window.lines(), lines);
        QCOMPARE(window.findChild<QListWidget*>("lstWindows")->count(), lines.size());
    }

    void aSecondRequestRebuildsTheOpenWindow() {
        m_ui->windows.windows = {{1, 42, "First"}};
        QPointer<frmWindows> window = frmWindows::ShowFor(42, "a.exe", m_ui->context);
        QVERIFY(window->isVisible());
        m_ui->windows.windows = {{1, 42, "First"}, {2, 42, "Second"}};
        QCOMPARE(frmWindows::ShowFor(42, "a.exe", m_ui->context), window.data());
        QCOMPARE(window->lines(), QStringList({"First", "Second"}));
    }

    void exitUnloadsIt() {
        QPointer<frmWindows> window = frmWindows::ShowFor(42, "a.exe", m_ui->context);
        auto* exit = window->findChild<QPushButton*>("uc7Exit");
        QCOMPARE(exit->text(), QString("Exit"));
        QTest::mouseClick(exit, Qt::LeftButton);
        FlushDeletes();
        QVERIFY(!window);
        QVERIFY(frmWindows::instance() == nullptr);
    }
};

QTEST_MAIN(frmWindowsTest)
#include "frmWindows_test.moc"
