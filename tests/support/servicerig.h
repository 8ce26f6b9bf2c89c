// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peersimulatorinterface.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// The real service on the private buses beside the peer simulator driven by hand: started,
// waited for, ended, and its log read. Both are killed with the rig.
class ServiceRig : public QObject
{
    Q_OBJECT
public:
    ~ServiceRig() override;

    // The service's HOME; this process's own unless set.
    void setHome(const QString &home) { m_home = home; }
    QString databasePath() const;

    // Starts the simulator on a scenario under tests/fixtures, driven by hand or on its own.
    bool startSimulator(const QString &scenario = QStringLiteral("e2e/scenario.json"),
                        bool manual = true);
    // Starts the service with extra "NAME=value" settings and, when given, its clock set to
    // `clock` ("@YYYY-MM-DD hh:mm:ss"), without waiting for it.
    void launchService(const QStringList &environment = {}, const QString &clock = {});
    // Starts the service, waits for its name and lets the analysis peer announce the processes.
    bool startService(const QStringList &environment = {}, const QString &clock = {});
    // Ends the service as a client does, and waits for it.
    bool exitService();

    // Sends a running total of a process of tests/fixtures/e2e/scenario.json: 4100 runs "mail"
    // of mail.desktop, 4200 "web" of web.desktop.
    void sendTotal(int pid, double recv, double send);
    static QString processName(int pid);

    QProcess &service() { return *m_service; }
    PeerSimulatorInterface &control() { return *m_control; }
    // Everything the service wrote so far.
    QByteArray serviceOutput();
    // A method of the service's main interface unless another is named.
    QDBusMessage call(const QString &method, const QVariantList &arguments = {},
                      const QString &interface = {});
    void stopProcesses();

protected:
    QDBusConnection m_bus = QDBusConnection::sessionBus();

private:
    QString m_home;
    std::unique_ptr<QProcess> m_simulator;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<PeerSimulatorInterface> m_control;
    QByteArray m_output;
};
