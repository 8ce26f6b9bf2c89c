#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
const QString kBinary = QStringLiteral(NWT_INSTALL_FULL_BINDIR "/nimbra-warden-trafficdetails");
const QString kActivationFile = QStringLiteral(
    NWT_INSTALL_FULL_DATADIR "/dbus-1/services/com.nimbra.warden.trafficdetails.service");
const QString kUserUnit =
    QStringLiteral(NWT_INSTALL_PREFIX "/lib/systemd/user/nimbra-warden-trafficdetails.service");
} // namespace

class TestInstalledActivation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_stage;

private slots:
    void initTestCase()
    {
        qputenv("DESTDIR", QFile::encodeName(m_stage.path()));
        const int status =
            QProcess::execute(NWT_CMAKE_COMMAND, {"--install", NWT_SERVICE_BUILD_DIR});
        qunsetenv("DESTDIR");
        QCOMPARE(status, 0);
    }

    void staged_install_puts_the_binary_and_both_bus_files_naming_it()
    {
        QVERIFY(QFileInfo(m_stage.path() + kBinary).isExecutable());
        const QSettings activation(m_stage.path() + kActivationFile, QSettings::IniFormat);
        QCOMPARE(activation.childGroups(), QStringList{"D-BUS Service"});
        QCOMPARE(activation.value("D-BUS Service/Name").toString(), kService);
        QCOMPARE(activation.value("D-BUS Service/Exec").toString(), kBinary);
        QCOMPARE(activation.value("D-BUS Service/SystemdService").toString(),
                 QFileInfo(kUserUnit).fileName());
        const QSettings unit(m_stage.path() + kUserUnit, QSettings::IniFormat);
        QCOMPARE(unit.value("Service/Type").toString(), QStringLiteral("dbus"));
        QCOMPARE(unit.value("Service/BusName").toString(), kService);
        QCOMPARE(unit.value("Service/ExecStart").toString(), kBinary);
    }

    void bus_with_the_activation_file_starts_the_staged_service_on_demand()
    {
        QTemporaryDir work;
        QFile installed(m_stage.path() + kActivationFile);
        QFile staged(work.filePath(kService + ".service"));
        QVERIFY(installed.open(QIODevice::ReadOnly) && staged.open(QIODevice::WriteOnly));
        // The binary is not yet where the file says.
        staged.write(
            installed.readAll().replace(kBinary.toUtf8(), (m_stage.path() + kBinary).toUtf8()));
        staged.close();
        QFile config(work.filePath("bus.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<busconfig><include>%1</include><servicedir>%2</servicedir>"
                                    "</busconfig>\n")
                         .arg(NWT_BUS_CONFIG, work.path())
                         .toUtf8());
        config.close();

        QProcess daemon;
        daemon.start("dbus-daemon",
                     {"--nofork", "--print-address=1", "--config-file=" + config.fileName()});
        QVERIFY(daemon.waitForReadyRead(10000));
        QDBusConnection bus = QDBusConnection::connectToBus(daemon.readLine().trimmed(), "bus");
        const auto closeBus = qScopeGuard([&] {
            daemon.terminate();
            daemon.waitForFinished(5000);
        });
        const QDBusMessage reply =
            bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "StartApp"),
                     QDBus::Block, 20000);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "ExitApp"));
        QVERIFY(QTest::qWaitFor([&] { return !bus.interface()->isServiceRegistered(kService); },
                                10000));
    }
};

QTEST_GUILESS_MAIN(TestInstalledActivation)
#include "tst_installedactivation.moc"
