#include "gui/support/MainWindowRig.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace quorvel::gui::testing {

void IsolateUserFolders() {
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
    qputenv("QUORVEL_REGISTRY_HKCU", QDir(home.path()).filePath("hkcu").toUtf8());
    qputenv("QUORVEL_REGISTRY_HKLM", QDir(home.path()).filePath("hklm").toUtf8());
    qputenv("QUORVEL_AUTOSTART_DIR", QDir(home.path()).filePath("autostart").toUtf8());
    const QString runtime = QDir(home.path()).filePath("runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

MainWindowRig::MainWindowRig() {
    IsolateUserFolders();
    platform = platform::CreateNativePlatform();
    auto fakeProcesses = std::make_unique<guard::testing::FakeProcesses>();
    auto fakeWindows = std::make_unique<guard::testing::FakeWindows>();
    processes = fakeProcesses.get();
    windows = fakeWindows.get();
    platform.processes = std::move(fakeProcesses);
    platform.windows = std::move(fakeWindows);
    platform.shell = std::make_unique<guard::testing::FakeShell>();
    context = std::make_unique<AppContext>(
        AppContext{platform, folder.path().toStdString(), folder.path().toStdString()});
}

MainWindowRig::~MainWindowRig() {
    window.reset();
    settle();
}

QString MainWindowRig::dataPath(const QString& name) const {
    return QDir(folder.path()).filePath(name);
}

void MainWindowRig::writeDataFile(const QString& name, const QByteArray& bytes) {
    QFile file(dataPath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray MainWindowRig::readDataFile(const QString& name) const {
    QFile file(dataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void MainWindowRig::start(const std::vector<std::string>& running) {
    for (const auto& name : running)
        processes->Start(name, "/usr/bin/" + name);
    window = std::make_unique<frmUtama>(*context, &clock);
    window->StartUp();
    window->show();
}

std::shared_ptr<guard::Alert> MainWindowRig::hold(const std::string& name) {
    processes->Start(name, "/opt/" + name);
    window->engine().Tick();
    for (const auto& alert : window->engine().openAlerts()) {
        if (alert->info().name == name)
            return alert;
    }
    return nullptr;
}

void MainWindowRig::click(const QString& button) const {
    auto* target = find<QAbstractButton>(button);
    QVERIFY2(target, qPrintable(button));
    QTest::mouseClick(target, Qt::LeftButton);
    settle();
}

QStringList MainWindowRig::items(const QString& list) const {
    QStringList texts;
    if (auto* view = find<QListWidget>(list)) {
        for (int i = 0; i < view->count(); ++i)
            texts << view->item(i)->text();
    }
    return texts;
}

QString MainWindowRig::text(const QString& label) const {
    auto* target = find<QLabel>(label);
    return target ? target->text() : QString("<no %1>").arg(label);
}

} // namespace quorvel::gui::testing
