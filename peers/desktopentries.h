// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "peerrecords.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

typedef struct _GAppInfoMonitor GAppInfoMonitor;

// The installed desktop entries as GIO reads them (localized names, Hidden, NoDisplay,
// OnlyShowIn), reloaded whenever GIO sees the application folders change.
class DesktopEntries : public QObject
{
    Q_OBJECT
public:
    explicit DesktopEntries(QObject *parent = nullptr);
    ~DesktopEntries() override;

    // The entries a launcher shows.
    LauncherItemInfoList launcherItems() const;
    // The file of an installed desktop id ("org.example.App.desktop"), or "".
    QString pathOfId(const QString &desktopId) const;
    // The first entry whose Exec, TryExec or StartupWMClass names this program, or "".
    QString pathOfProgram(const QString &program) const;
    bool isShown(const QString &path) const;

signals:
    void changed();

private:
    struct Entry
    {
        QString id;
        QString path;
        QString name;
        QString icon;
        QStringList programs;
        bool shown = false;
    };

    void reload();
    static void onMonitorChanged(GAppInfoMonitor *monitor, void *self);

    QList<Entry> m_entries;
    GAppInfoMonitor *m_monitor = nullptr;
    QTimer m_reloadDelay;
};
