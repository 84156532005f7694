// The registry policy window over the file-backed registry in a temporary folder.
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/frmRegedit.h"
#include "platform/linux/Backends.h"
#include "platform/linux/FileRegistry.h"
#include "regguard/RegPolicies.h"
#include "regguard/RegistryValues.h"
#include "store/TempFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <cstdlib>
#include <optional>

using quorvel::gui::frmRegedit;
using quorvel::gui::MessageBox;
using quorvel::platform::RegRoot;
using quorvel::regguard::PolicyValues;

namespace {

constexpr const char* kSystem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char* kExplorer =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char* kAdvanced =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

using Values = QList<QPair<QString, int>>; // value name, stored DWORD

// Root ignores permission bits, but not the immutable attribute.
class Immutable {
public:
    explicit Immutable(QStringList paths) : m_paths(std::move(paths)) {
        m_set = true;
        for (const QString& path : m_paths)
            m_set =
                m_set &&
                std::system(("chattr +i '" + path.toStdString() + "' 2>/dev/null").c_str()) == 0;
    }
    ~Immutable() {
        for (const QString& path : m_paths)
            (void)std::system(("chattr -i '" + path.toStdString() + "' 2>/dev/null").c_str());
    }
    bool set() const { return m_set; }

private:
    QStringList m_paths;
    bool m_set = false;
};

} // namespace

class frmRegeditTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
        m_temp.emplace();
        useRegistryIn(*m_temp / "hkcu");
    }

    void cleanup() {
        delete m_window;
        m_temp.reset();
    }

    void pagesAndCaptions() {
        open();
        QCOMPARE(m_window->windowTitle(),
                 QString("Quorvel | Reg Quorvel details [Windows XP only]"));
        QVERIFY(!button("cmdreg_2")->isEnabled());
        QVERIFY(!button("cmdreg_4")->isEnabled());
        QCOMPARE(shownPage(), QString("frGeneral"));
        QTest::mouseClick(button("cmdreg_3"), Qt::LeftButton);
        QCOMPARE(shownPage(), QString("frNetwork"));
        QTest::mouseClick(button("cmdreg_1"), Qt::LeftButton);
        QCOMPARE(shownPage(), QString("frSystem"));
        QTest::mouseClick(button("cmdreg_0"), Qt::LeftButton);
        QCOMPARE(shownPage(), QString("frGeneral"));
        auto* note = m_window->findChild<QLabel*>("lblPlatformNote");
        QVERIFY(note && note->isVisibleTo(m_window));
        QVERIFY(note->text().contains("no effect on the system"));
    }

    void statusAtLoad_data() {
        QTest::addColumn<Values>("stored");
        QTest::addColumn<QString>("status");
        QTest::newRow("nothing stored") << Values{} << "Health";
        QTest::newRow("all four 1") << Values{{"DisableRegistryTools", 1},
                                              {"DisableTaskMgr", 1},
                                              {"DisableCMD", 1},
                                              {"NoFolderOptions", 1}}
                                    << "Warning";
        QTest::newRow("fourth absent")
            << Values{{"DisableRegistryTools", 1}, {"DisableTaskMgr", 1}, {"DisableCMD", 1}}
            << "Health";
        QTest::newRow("first 0") << Values{{"DisableRegistryTools", 0},
                                           {"DisableTaskMgr", 1},
                                           {"DisableCMD", 1},
                                           {"NoFolderOptions", 1}}
                                 << "Health";
        QTest::newRow("one greyed") << Values{{"DisableRegistryTools", 1},
                                              {"DisableTaskMgr", 2},
                                              {"DisableCMD", 1},
                                              {"NoFolderOptions", 1}}
                                    << "Health";
    }

    void statusAtLoad() {
        QFETCH(Values, stored);
        QFETCH(QString, status);
        for (const auto& [name, value] : stored)
            store(name, value);
        open();
        QCOMPARE(label2(), status);
        for (size_t i = 0; i < 14; ++i) {
            const auto name = QString::fromUtf8(PolicyValues()[i].name);
            const int value = valueIn(stored, name);
            const Qt::CheckState expected = value == 1   ? Qt::Checked
                                            : value == 2 ? Qt::PartiallyChecked
                                                         : Qt::Unchecked;
            QCOMPARE(box(i)->checkState(), expected);
        }
        // The status is computed once: changing boxes does not move it.
        clickBox(0);
        QCOMPARE(label2(), status);
    }

    void applyWithNoChangeCreatesAllFourteen() {
        open();
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QTRY_VERIFY(m_window.isNull()); // closed and gone
        QVERIFY(MessageBox::shown().isEmpty());
        for (const auto& value : PolicyValues()) {
            const auto stored = m_registry->QueryValue(RegRoot::CurrentUser, std::string(value.key),
                                                       std::string(value.name));
            QVERIFY2(stored && stored.value().type == quorvel::platform::kRegDword,
                     value.name.data());
            QCOMPARE(quorvel::regguard::GetRegDword(*m_registry, RegRoot::CurrentUser,
                                                    std::string(value.key),
                                                    std::string(value.name)),
                     0);
        }
    }

    void stringOneShowsUncheckedAndBecomesDwordZero() {
        const std::string one = "1";
        QVERIFY(m_registry->SetValue(RegRoot::CurrentUser, kSystem, "DisableCMD",
                                     quorvel::platform::kRegString,
                                     std::as_bytes(std::span(one.data(), one.size()))));
        open();
        QCOMPARE(box(2)->checkState(), Qt::Unchecked);
        QCOMPARE(box(2)->toolTip(), QString());
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        const auto stored = m_registry->QueryValue(RegRoot::CurrentUser, kSystem, "DisableCMD");
        QVERIFY(stored);
        QCOMPARE(stored.value().type, uint32_t(quorvel::platform::kRegDword));
        QCOMPARE(dword(kSystem, "DisableCMD"), 0);
    }

    void greyedHiddenIsWrittenBackAsTwo() {
        store("Hidden", 2);
        store("DisableTaskMgr", 1);
        open();
        QCOMPARE(box(4)->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QCOMPARE(dword(kAdvanced, "Hidden"), 2);
        QCOMPARE(dword(kSystem, "DisableTaskMgr"), 1);
    }

    void clicksLeaveTheGreyedStateForGood() {
        store("Hidden", 2);
        store("DisableTaskMgr", 1);
        open();
        clickBox(4);
        QCOMPARE(box(4)->checkState(), Qt::Checked);
        clickBox(4);
        QCOMPARE(box(4)->checkState(), Qt::Unchecked);
        clickBox(4);
        QCOMPARE(box(4)->checkState(), Qt::Checked);
        clickBox(1);
        QCOMPARE(box(1)->checkState(), Qt::Unchecked);
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QCOMPARE(dword(kAdvanced, "Hidden"), 1);
        QCOMPARE(dword(kSystem, "DisableTaskMgr"), 0);
    }

    void valueOutsideTheBoxIsKeptUnlessChanged_data() {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("written");
        QTest::newRow("left alone") << 0 << 7;
        QTest::newRow("checked") << 1 << 1;
        QTest::newRow("checked and cleared again") << 2 << 7;
    }

    void valueOutsideTheBoxIsKeptUnlessChanged() {
        QFETCH(int, clicks);
        QFETCH(int, written);
        store("NoFolderOptions", 7);
        store("NoSetTaskbar", -1);
        open();
        QCOMPARE(box(3)->checkState(), Qt::Unchecked);
        QVERIFY(box(3)->toolTip().contains("7"));
        QVERIFY(box(7)->toolTip().contains("-1"));
        for (int i = 0; i < clicks; ++i)
            clickBox(3);
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QTRY_VERIFY(m_window.isNull());
        QCOMPARE(dword(kExplorer, "NoFolderOptions"), written);
        QCOMPARE(dword(kExplorer, "NoSetTaskbar"), -1);
        QCOMPARE(dword(kExplorer, "NoTrayContextMenu"), 0);
    }

    void closingWithoutApplyWritesNothing() {
        open();
        clickBox(0);
        m_window->close();
        QVERIFY(!QFile::exists(QString::fromStdString(*m_temp / "hkcu/HKEY_CURRENT_USER.reg")));
    }

    void failedWritesKeepTheWindowOpenAndNameTheValues_data() {
        QTest::addColumn<bool>("immutable");
        QTest::newRow("registry folder under a regular file") << false;
        QTest::newRow("registry file made immutable") << true;
    }

    void failedWritesKeepTheWindowOpenAndNameTheValues() {
        QFETCH(bool, immutable);
        std::optional<Immutable> locked;
        QString file;
        if (immutable) {
            store("DisableTaskMgr", 1);
            file = QString::fromStdString(*m_temp / "hkcu/HKEY_CURRENT_USER.reg");
            locked.emplace(QStringList{file, QString::fromStdString(*m_temp / "hkcu")});
            if (!locked->set())
                QSKIP("chattr +i is not available here");
        } else {
            quorvel::testing::WriteBytes(*m_temp / "blocked", "a file, not a folder");
            useRegistryIn(*m_temp / "blocked/hkcu");
        }
        const QByteArray before = immutable ? readFile(file) : QByteArray();

        open();
        clickBox(0);
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QVERIFY(!m_window.isNull());
        QVERIFY(m_window->isVisible());
        QCOMPARE(MessageBox::shown().size(), 1);
        const auto& shown = MessageBox::shown().at(0);
        QCOMPARE(shown.icon, QMessageBox::Critical);
        QCOMPARE(shown.title, QString("Quorvel"));
        for (const auto& value : PolicyValues()) {
            // A value that already holds what Apply writes needs no write at all.
            if (immutable && value.name == std::string_view("DisableTaskMgr"))
                continue;
            QVERIFY2(shown.text.contains("\\" + QString::fromUtf8(value.name) + "\n") ||
                         shown.text.endsWith("\\" + QString::fromUtf8(value.name)),
                     value.name.data());
        }
        if (immutable)
            QCOMPARE(readFile(file), before);
    }

private:
    void useRegistryIn(const std::string& folder) {
        auto registry = std::make_unique<quorvel::platform::linux_backend::FileRegistry>(
            quorvel::platform::linux_backend::FileRegistryLocations{folder, *m_temp / "hklm",
                                                                    *m_temp / "autostart"});
        m_registry = registry.get();
        m_platform.registry = std::move(registry);
    }

    void open() {
        m_window = new frmRegedit(m_context);
        m_window->show();
    }

    void store(const QString& name, int value) {
        for (const auto& policy : PolicyValues())
            if (QString::fromUtf8(policy.name) == name) {
                QVERIFY(quorvel::regguard::SetRegDword(*m_registry, RegRoot::CurrentUser,
                                                       std::string(policy.key), name.toStdString(),
                                                       value));
                return;
            }
        QFAIL("no such policy value");
    }

    int dword(const char* key, const char* name) const {
        return quorvel::regguard::GetRegDword(*m_registry, RegRoot::CurrentUser, key, name);
    }

    static int valueIn(const Values& values, const QString& name) {
        for (const auto& [stored, value] : values)
            if (stored == name)
                return value;
        return 0;
    }

    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // On the indicator: a box stretched by the layout takes no clicks past its caption.
    void clickBox(size_t i) const {
        QTest::mouseClick(box(i), Qt::LeftButton, {}, QPoint(6, box(i)->height() / 2));
    }
    QCheckBox* box(size_t i) const {
        return m_window->findChild<QCheckBox*>(QString::fromUtf8(PolicyValues()[i].control));
    }
    QPushButton* button(const char* name) const { return m_window->findChild<QPushButton*>(name); }
    QString label2() const { return m_window->findChild<QLabel*>("Label2")->text(); }
    QString shownPage() const {
        for (const char* page : {"frGeneral", "frSystem", "frNetwork"})
            if (m_window->findChild<QWidget*>(page)->isVisibleTo(m_window))
                return page;
        return {};
    }

    std::optional<quorvel::testing::TempFolder> m_temp;
    quorvel::platform::Platform m_platform;
    quorvel::platform::Registry* m_registry = nullptr;
    quorvel::gui::AppContext m_context{m_platform, {}, {}};
    QPointer<frmRegedit> m_window;
};

QTEST_MAIN(frmRegeditTest)
#include "frmRegedit_test.moc"
