// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How desktops record which application a process belongs to, read from /proc texts.
namespace AppIdentity {

// Desktop ids ("org.example.App.desktop") the systemd unit of a process may name, most likely
// first: "app[-<launcher>]-<app id>-<random>.scope" or "app[-<launcher>]-<app id>[@<random>]
// .service", the app id with "-" escaped as "\x2d". `cgroup` is /proc/PID/cgroup.
QStringList desktopIdsFromCgroup(const QString &cgroup);

// GIO_LAUNCHED_DESKTOP_FILE of a NUL-separated environment (/proc/PID/environ).
QString launchedDesktopFile(const QByteArray &environ);

// The application id in a Flatpak sandbox's /.flatpak-info, as a desktop id.
QString flatpakDesktopId(const QString &flatpakInfo);

} // namespace AppIdentity
