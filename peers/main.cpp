// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "analysisservice.h"
#include "desktopentries.h"
#include "launcherservice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <sys/resource.h>

namespace {

// Flatpak and Snap export their entries here; sessions started without their profile
// scripts lack them in XDG_DATA_DIRS.
void addPackageExportFolders()
{
    QStringList dirs =
        qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
            .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QStringList exports = {
        QDir::homePath() + QStringLiteral("/.local/share/flatpak/exports/share"),
        QStringLiteral("/var/lib/flatpak/exports/share"), QStringLiteral("/var/lib/snapd/desktop")};
    for (const QString &folder : exports) {
        if (!dirs.contains(folder) && QFileInfo(folder).isDir())
            dirs.append(folder);
    }
    qputenv("XDG_DATA_DIRS", dirs.join(QLatin1Char(':')).toLocal8Bit());
}

// The map holds a pidfd per process of the user to learn when it ends; sessions start with a
// soft limit of 1024 descriptors.
void raiseDescriptorLimit()
{
    rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    limit.rlim_cur = std::max(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 65536));
    setrlimit(RLIMIT_NOFILE, &limit);
}

bool offer(QDBusConnection &bus, const QString &service, const QString &path, QObject *object)
{
    if (bus.registerObject(path, object) && bus.registerService(service))
        return true;
    qCritical().noquote() << "cannot own" << service
                          << "on the session bus:" << bus.lastError().message();
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    addPackageExportFolders();
    raiseDescriptorLimit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-procmap"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NWT_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the installed applications (com.nimbra.ndesk.daemon.Launcher) and maps the "
        "user's processes to them (com.nimbra.warden.analysisapp) on the session bus."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    QDBusConnection bus = QDBusConnection::sessionBus();
    auto *entries = new DesktopEntries(&app);
    auto *launcher = new LauncherService(entries, &app);
    auto *analysis = new AnalysisService(entries, bus, &app);
    if (!offer(bus, QStringLiteral("com.nimbra.ndesk.daemon.Launcher"),
               QStringLiteral("/com/nimbra/ndesk/daemon/Launcher"), launcher) ||
        !offer(bus, QStringLiteral("com.nimbra.warden.analysisapp"),
               QStringLiteral("/com/nimbra/warden/analysisapp"), analysis))
        return 1;
    return app.exec();
}
