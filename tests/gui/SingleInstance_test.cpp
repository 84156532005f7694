// One copy per user: a second copy is refused with its message and leaves the first alone;
// a copy that died leaves no lock behind that blocks the next.
#include "gui/MessageBox.h"
#include "gui/SingleInstance.h"
#include "gui/support/MainWindowRig.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstring>

using quorvel::gui::MessageBox;
using quorvel::gui::SingleInstance;

namespace {

bool CanMakePidNamespaces() {
    return QProcess::execute("unshare", {"--pid", "--fork", "--mount-proc", "true"}) == 0;
}

// This program, started with --hold-lock DIR, holds the lock until it is killed. In a
// fresh PID namespace it is PID 1 there, as every copy started that way is.
class LockHolder {
public:
    explicit LockHolder(const QString& folder, bool ownPidNamespace = false) {
        const QStringList holder = {QCoreApplication::applicationFilePath(), "--hold-lock", folder};
        if (ownPidNamespace) {
            // --kill-child: the SIGKILL of crash() reaches the copy itself.
            m_process.setProgram("unshare");
            m_process.setArguments(QStringList{"--pid", "--fork", "--mount-proc", "--kill-child"} +
                                   holder);
        } else {
            m_process.setProgram(holder.first());
            m_process.setArguments(holder.mid(1));
        }
        m_process.start();
    }
    ~LockHolder() { crash(); }
    bool waitUntilLocked() {
        while (!m_output.contains("locked")) {
            if (!m_process.waitForReadyRead(10000))
                return false;
            m_output += m_process.readAllStandardOutput();
        }
        return true;
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    // SIGKILL: no clean-up of any kind, as in a crash.
    void crash() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quorvel::gui::testing::IsolateUserFolders(); }
    void init() {
        MessageBox::enableTestMode();
        MessageBox::clearShown();
    }

    void aSecondCopyIsRefusedWithTheMessage() {
        QTemporaryDir folder;
        SingleInstance first(folder.path());
        QVERIFY(first.claimOrRefuse());
        SingleInstance second(folder.path());
        QVERIFY(!second.claimOrRefuse());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text,
                 QString("Quorvel is already running on your system"));
        QCOMPARE(MessageBox::shown().at(0).title, QString("Quorvel"));
        QCOMPARE(MessageBox::shown().at(0).icon, QMessageBox::Information);
        QVERIFY(first.claim()); // the first keeps its lock
    }

    void aCrashedCopyLeavesNoBlockingLock() {
        QTemporaryDir folder;
        LockHolder holder(folder.path());
        QVERIFY(holder.waitUntilLocked());
        SingleInstance refused(folder.path());
        QVERIFY(!refused.claim());
        holder.crash();
        QVERIFY(QFile::exists(refused.lockPath())); // left behind by the crash
        SingleInstance next(folder.path());
        QVERIFY(next.claim());
    }

    // A fresh PID namespace gives the next copy the crashed one's PID and name: a lock
    // judged by its owner's PID would look held by the very copy asking for it.
    void aCopyKilledInItsOwnPidNamespaceBindsNoNextCopy() {
        if (!CanMakePidNamespaces())
            QSKIP("no PID namespace on this system");
        QTemporaryDir folder;
        LockHolder first(folder.path(), true);
        QVERIFY(first.waitUntilLocked());
        QVERIFY(!SingleInstance(folder.path()).claim());
        first.crash();
        LockHolder next(folder.path(), true);
        QVERIFY(next.waitUntilLocked());
        QVERIFY(!SingleInstance(folder.path()).claim()); // and it holds the lock in turn
    }

    // The program itself, in a PID namespace of its own: were it not refused, its guard
    // could reach no process of the machine.
    void theProgramRefusesASecondCopyAndEnds() {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        LockHolder first(runtime);
        QVERIFY(first.waitUntilLocked());
        QTemporaryDir data;
        QProcess second;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("QUORVEL_TEST_MESSAGEBOX_ANSWERS", "ok");
        second.setProcessEnvironment(environment);
        second.start(QUORVEL_SOURCE_DIR "/scripts/guard-in-namespace.sh",
                     {QUORVEL_APP_PATH, "--data", data.path()});
        if (!second.waitForFinished(60000)) {
            second.kill();
            second.waitForFinished();
            QFAIL("the second copy did not end");
        }
        if (second.exitCode() == 77)
            QSKIP("no PID namespace on this system");
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY2(second.readAllStandardError().contains(
                     "MessageBox: Quorvel | Quorvel is already running on your system"),
                 "no refusal message");
        QVERIFY(first.running());
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        SingleInstance instance(QString::fromLocal8Bit(argv[2]));
        if (!instance.claim())
            return 2;
        std::printf("locked\n");
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    QApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SingleInstance_test.moc"
