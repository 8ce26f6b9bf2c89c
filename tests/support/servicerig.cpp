// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "servicerig.h"

#include "historyfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

using namespace TestSupport;

namespace {
void kill(std::unique_ptr<QProcess> &process)
{
    if (process && process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished();
    }
}

QString fakeTimeLibrary()
{
    const QFileInfoList found = QDir(QStringLiteral("/usr/lib"))
                                    .entryInfoList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs);
    for (const QFileInfo &triplet : found) {
        const QString library = triplet.filePath() + QStringLiteral("/faketime/libfaketimeMT.so.1");
        if (QFileInfo::exists(library))
            return library;
    }
    return QStringLiteral("libfaketimeMT.so.1");
}
} // namespace

ServiceRig::~ServiceRig()
{
    stopProcesses();
}

void ServiceRig::stopProcesses()
{
    kill(m_service);
    kill(m_simulator);
}

QString ServiceRig::databasePath() const
{
    return m_home.isEmpty() ? HistoryFile::defaultPath()
                            : m_home + QStringLiteral("/.nimbra-warden/warden.db");
}

bool ServiceRig::startSimulator(const QString &scenario, bool manual)
{
    QStringList arguments{QStringLiteral("--scenario"), fixturePath(scenario)};
    if (manual)
        arguments.prepend(QStringLiteral("--manual"));
    m_simulator.reset(startProgram(simulatorBinary(), arguments));
    if (!waitForBusName(m_bus, kControl))
        return false;
    m_control = std::make_unique<PeerSimulatorInterface>(
        kControl, QStringLiteral("/com/nimbra/warden/PeerSimulator"), m_bus);
    return true;
}

void ServiceRig::launchService(const QStringList &environment, const QString &clock)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_home.isEmpty())
        env.insert(QStringLiteral("HOME"), m_home);
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    m_output.clear();
    m_service = std::make_unique<QProcess>();
    m_service->setProcessChannelMode(QProcess::MergedChannels);
    // libfaketime preloaded directly, not through its wrapper: the wrapper names a semaphore
    // after its pid and fails when a killed run left one of that name behind. The boot clock
    // stays the machine's, so a later start at another moment is a clock set anew within one
    // boot.
    if (!clock.isEmpty()) {
        env.insert(QStringLiteral("LD_PRELOAD"), fakeTimeLibrary());
        env.insert(QStringLiteral("FAKETIME"), clock);
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    }
    m_service->setProcessEnvironment(env);
    m_service->start(serviceBinary(), QStringList());
    m_service->waitForStarted();
}

bool ServiceRig::startService(const QStringList &environment, const QString &clock)
{
    launchService(environment, clock);
    if (!waitForBusName(m_bus, kService, 15000))
        return false;
    if (m_control)
        m_control->PublishProcesses().waitForFinished();
    return true;
}

bool ServiceRig::exitService()
{
    call(QStringLiteral("ExitApp"));
    return m_service->waitForFinished(10000);
}

void ServiceRig::sendTotal(int pid, double recv, double send)
{
    m_control->SendSample(processName(pid), recv, send, pid, "eth0", "total_kb").waitForFinished();
}

QString ServiceRig::processName(int pid)
{
    return pid == 4100 ? QStringLiteral("mail") : QStringLiteral("web");
}

QByteArray ServiceRig::serviceOutput()
{
    if (m_service)
        m_output += m_service->readAll();
    return m_output;
}

QDBusMessage ServiceRig::call(const QString &method, const QVariantList &arguments,
                              const QString &interface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        kService, kPath, interface.isEmpty() ? kService : interface, method);
    message.setArguments(arguments);
    return m_bus.call(message);
}
