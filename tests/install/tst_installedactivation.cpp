#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
const QString kBinary = QStringLiteral(NWT_INSTALL_FULL_BINDIR "/nimbra-warden-trafficdetails");
const QString kActivationFile = QStringLiteral(
    NWT_INSTALL_FULL_DATADIR "/dbus-1/services/com.nimbra.warden.trafficdetails.service");
const QString kUserUnit =
    QStringLiteral(NWT_INSTALL_PREFIX "/lib/systemd/user/nimbra-warden-trafficdetails.service");

using KeyFile = QMap<QString, QMap<QString, QString>>;

// Sections of "key=value" lines, as both the bus and systemd read them.
KeyFile readKeyFile(const QString &path)
{
    KeyFile sections;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sections;
    QString section;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            sections[section];
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            sections[section][line.left(equals)] = line.mid(equals + 1);
    }
    return sections;
}

} // namespace

class TestInstalledActivation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_stage;

private slots:
    void initTestCase()
    {
        QVERIFY(m_stage.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), m_stage.path());
        install.setProcessEnvironment(environment);
        install.start(QStringLiteral(NWT_CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(NWT_SERVICE_BUILD_DIR)});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }

    void staged_binary_is_executable()
    {
        const QFileInfo binary(m_stage.path() + kBinary);
        QVERIFY2(binary.isFile() && binary.isExecutable(), qPrintable(binary.filePath()));
    }

    void activation_file_names_the_service_and_the_installed_binary()
    {
        const KeyFile file = readKeyFile(m_stage.path() + kActivationFile);
        QCOMPARE(file.keys(), QStringList{QStringLiteral("D-BUS Service")});
        const QMap<QString, QString> service = file.value(QStringLiteral("D-BUS Service"));
        QCOMPARE(service.value(QStringLiteral("Name")), kService);
        QCOMPARE(service.value(QStringLiteral("Exec")), kBinary);
        QCOMPARE(service.value(QStringLiteral("SystemdService")), QFileInfo(kUserUnit).fileName());
    }

    void user_unit_is_a_bus_service_running_the_installed_binary()
    {
        const KeyFile unit = readKeyFile(m_stage.path() + kUserUnit);
        const QMap<QString, QString> service = unit.value(QStringLiteral("Service"));
        QCOMPARE(service.value(QStringLiteral("Type")), QStringLiteral("dbus"));
        QCOMPARE(service.value(QStringLiteral("BusName")), kService);
        QCOMPARE(service.value(QStringLiteral("ExecStart")), kBinary);
        QVERIFY(!unit.value(QStringLiteral("Unit")).value(QStringLiteral("Description")).isEmpty());
    }

    // A bus whose service folder holds the activation file starts the staged service on the
    // first call for its name.
    void bus_starts_the_service_on_demand()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString services = work.filePath(QStringLiteral("services"));
        QVERIFY(QDir().mkpath(services));
        // The staged binary is not yet where the file says; point Exec at the stage.
        QFile installed(m_stage.path() + kActivationFile);
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QByteArray activation = installed.readAll();
        activation.replace(kBinary.toUtf8(), (m_stage.path() + kBinary).toUtf8());
        QFile staged(services + QStringLiteral("/") + QFileInfo(kActivationFile).fileName());
        QVERIFY(staged.open(QIODevice::WriteOnly));
        staged.write(activation);
        staged.close();

        QFile config(work.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        // The tests' own bus configuration, plus the folder of activation files.
        config.write(QStringLiteral("<busconfig><include>%1</include><servicedir>%2</servicedir>"
                                    "</busconfig>\n")
                         .arg(QStringLiteral(NWT_BUS_CONFIG), services)
                         .toUtf8());
        config.close();

        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                      QStringLiteral("--config-file=") + config.fileName()});
        QVERIFY(daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        const QString connectionName = QStringLiteral("activating");
        const auto closeBus = qScopeGuard([&] {
            QDBusConnection::disconnectFromBus(connectionName);
            daemon.terminate();
            daemon.waitForFinished(5000);
        });
        QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName);
        QVERIFY(bus.isConnected());
        QVERIFY(!bus.interface()->isServiceRegistered(kService).value());

        const QDBusMessage reply =
            bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "StartApp"),
                     QDBus::Block, 20000);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QVERIFY(bus.interface()->isServiceRegistered(kService).value());

        bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "ExitApp"));
        QVERIFY(QTest::qWaitFor(
            [&] { return !bus.interface()->isServiceRegistered(kService).value(); }, 10000));
    }
};

QTEST_GUILESS_MAIN(TestInstalledActivation)
#include "tst_installedactivation.moc"
