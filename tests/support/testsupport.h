// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace TestSupport {

inline const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
inline const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
inline const QString kControl = QStringLiteral("com.nimbra.warden.PeerSimulator");

QString serviceBinary();
QString simulatorBinary();
// A file under tests/fixtures.
QString fixturePath(const QString &name);

// Waits, running the event loop, until `name` has an owner on `bus`.
bool waitForBusName(const QDBusConnection &bus, const QString &name, int timeoutMs = 5000);
bool waitForBusNameGone(const QDBusConnection &bus, const QString &name, int timeoutMs = 5000);

// Starts a program with stdout and stderr merged, for tests that read its log, in this
// process's environment unless given one. The caller owns the process; it is killed when
// destroyed.
QProcess *startProgram(const QString &program, const QStringList &arguments = {},
                       const QProcessEnvironment &environment = {});

// A file's contents; empty when it cannot be read.
QByteArray readFile(const QString &path);
// Writes `content` to a file, making its folder; fails the running test when it cannot.
void writeFile(const QString &path, const QByteArray &content);

// The service's log file under $HOME.
QString logFilePath();

// The list a signal carries as its first argument.
template <typename List> List listOf(const QDBusMessage &message)
{
    List list;
    message.arguments().value(0).value<QDBusArgument>() >> list;
    return list;
}

} // namespace TestSupport
