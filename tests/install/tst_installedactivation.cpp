// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
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
};

QTEST_GUILESS_MAIN(TestInstalledActivation)
#include "tst_installedactivation.moc"
