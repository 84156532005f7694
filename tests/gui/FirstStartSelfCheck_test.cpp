// The main window's first-start offer and its self check, over real files.
#include "gui/MessageBox.h"
#include "gui/support/MainWindowRig.h"
#include "platform/FileDigest.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QtTest>

using quorvel::gui::MessageBox;
using quorvel::gui::testing::MainWindowRig;

namespace {

// The scripted shell, with the program file where the test puts it.
class ProgramAtShell final : public quorvel::platform::Shell {
public:
    explicit ProgramAtShell(std::string program) : m_program(std::move(program)) {}
    quorvel::platform::Status Execute(const std::string& file, const std::string& parameters,
                                      const std::string& folder) override {
        return m_shell.Execute(file, parameters, folder);
    }
    std::string ExecutablePath() override { return m_program; }
    std::string ProgramFolder() override { return m_shell.ProgramFolder(); }
    std::string EnvironmentVariable(const std::string& name) override {
        return m_shell.EnvironmentVariable(name);
    }
    std::string ShortDateText(std::chrono::system_clock::time_point when) override {
        return m_shell.ShortDateText(when);
    }
    std::string TimeText(std::chrono::system_clock::time_point when) override {
        return m_shell.TimeText(when);
    }
    bool Is64BitMachine() override { return true; }

private:
    std::string m_program;
    quorvel::guard::testing::FakeShell m_shell;
};

QString Digest(const QString& path) {
    const auto digest = quorvel::platform::FileSha256(path.toStdString());
    return digest ? QString::fromStdString(digest.value()) : QString();
}

void FlipByte(const QString& path, qint64 offset) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(offset));
    char byte = 0;
    QVERIFY(file.getChar(&byte));
    QVERIFY(file.seek(offset));
    QVERIFY(file.putChar(static_cast<char>(byte ^ 0x40)));
}

QStringList Texts() {
    QStringList texts;
    for (const auto& shown : MessageBox::shown())
        texts << shown.text;
    return texts;
}

} // namespace

class FirstStartSelfCheckTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
    }

    void firstStartOfferIsMadeOnce_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void firstStartOfferIsMadeOnce() {
        QFETCH(bool, yes);
        MainWindowRig rig;
        rig.start({"init", "bash", "bash", "sshd"});
        QVERIFY2(MessageBox::shown().isEmpty(), "start-up itself asks nothing");

        MessageBox::setNextAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
        rig.window->OfferFirstStartTrust();
        QVERIFY(!MessageBox::shown().isEmpty());
        const auto question = MessageBox::shown().first();
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.title, QString("Quorvel"));
        QVERIFY2(question.text.contains("trust the 3 programs running now"),
                 qPrintable(question.text));
        QVERIFY2(question.text.endsWith("bash, init, sshd"), qPrintable(question.text));

        const QStringList trusted = yes ? QStringList{"bash", "init", "sshd"} : QStringList{};
        QCOMPARE(rig.items("List3"), trusted);
        QCOMPARE(rig.text("lbltrustedcount_8"), QString::number(trusted.size()));
        QCOMPARE(rig.text("lblcopywhite"), QString::number(trusted.size()));
        QCOMPARE(rig.readDataFile("whitelist.db"),
                 yes ? QByteArray("kenal|bash\r\nkenal|init\r\nkenal|sshd\r\n") : QByteArray());
        QCOMPARE(Texts().mid(1), yes ? QStringList{"Trusted 3 programs."} : QStringList{});
        QVERIFY(QFile::exists(rig.dataPath("firststart.txt")));

        // The answer reaches the guard at once: a new sshd is left alone only after a yes.
        const auto alert = rig.hold("sshd");
        QCOMPARE(alert == nullptr, yes);
        if (alert)
            alert->Allow();

        // Asked once: not again in this run, nor on the next start.
        MessageBox::clearShown();
        rig.window->OfferFirstStartTrust();
        rig.window.reset();
        rig.start({"init", "cron"});
        rig.window->OfferFirstStartTrust();
        QCOMPARE(Texts(), QStringList{});
    }

    void selfCheckRecordsMatchesAndSeesAChangedProgramFile() {
        MainWindowRig rig;
        const QString program = rig.dataPath("program-copy");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        const QString original = Digest(program);
        QCOMPARE(original.size(), 64);
        rig.platform.shell = std::make_unique<ProgramAtShell>(program.toStdString());
        rig.writeDataFile("main.ini", "[QUORVEL]\r001-1\r002-0\r003-0\r004-0\r005-0\r");

        // The first check, as start-up applies the settings, records the digest.
        rig.start();
        QVERIFY(rig.find<QCheckBox>("chkselfcheck")->isChecked());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().icon, QMessageBox::Information);
        QVERIFY(MessageBox::shown().first().text.contains(original));
        const QByteArray record = rig.readDataFile("selfcheck.txt");
        QVERIFY2(record.startsWith("sha256=" + original.toLatin1() + "\r\ndate="), record);

        // Save applies the settings again: a match says nothing beyond the save's notice.
        MessageBox::clearShown();
        rig.click("cmdsaveset");
        QCOMPARE(Texts(), QStringList{"Please Restart Application for apply all changes"});

        // One byte changed: a warning with both digests; No keeps the record.
        FlipByte(program, 2000);
        const QString changed = Digest(program);
        QVERIFY(changed != original);
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::No);
        rig.click("cmdsaveset");
        QCOMPARE(MessageBox::shown().size(), 2);
        const auto warning = MessageBox::shown().first();
        QCOMPARE(warning.icon, QMessageBox::Warning);
        QVERIFY2(warning.text.contains("has changed since"), qPrintable(warning.text));
        QVERIFY(warning.text.contains(original));
        QVERIFY(warning.text.contains(changed));
        QCOMPARE(rig.readDataFile("selfcheck.txt"), record);

        // Yes records the new one, and the next check matches it.
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        rig.click("cmdsaveset");
        QCOMPARE(MessageBox::shown().size(), 3);
        QVERIFY(MessageBox::shown().at(1).text.startsWith("Self Check: recorded the new SHA-256"));
        QVERIFY(rig.readDataFile("selfcheck.txt").startsWith("sha256=" + changed.toLatin1()));
        MessageBox::clearShown();
        rig.click("cmdsaveset");
        QCOMPARE(MessageBox::shown().size(), 1);
    }

    void selfCheckOfAnUnreadableProgramFileSaysSo() {
        MainWindowRig rig;
        const QString missing = rig.dataPath("no-such-program");
        rig.platform.shell = std::make_unique<ProgramAtShell>(missing.toStdString());
        rig.writeDataFile("main.ini", "[QUORVEL]\r001-1\r002-0\r003-0\r004-0\r005-0\r");
        rig.start();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().icon, QMessageBox::Warning);
        QVERIFY2(
            MessageBox::shown().first().text.contains("can't read the program file " + missing),
            qPrintable(MessageBox::shown().first().text));
        QVERIFY(!QFile::exists(rig.dataPath("selfcheck.txt")));
    }

    void selfCheckOffRunsNoCheck() {
        MainWindowRig rig;
        rig.writeDataFile("main.ini", "[QUORVEL]\r001-0\r002-0\r003-0\r004-0\r005-0\r");
        rig.start();
        rig.click("cmdsaveset");
        QCOMPARE(Texts(), QStringList{"Please Restart Application for apply all changes"});
        QVERIFY(!QFile::exists(rig.dataPath("selfcheck.txt")));
    }
};

QTEST_MAIN(FirstStartSelfCheckTest)
#include "FirstStartSelfCheck_test.moc"
