// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktopentries.h"

#include <QFileInfo>

// GIO names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

namespace {

QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QString iconName(GAppInfo *info)
{
    GIcon *icon = g_app_info_get_icon(info);
    if (!icon)
        return {};
    if (G_IS_THEMED_ICON(icon)) {
        const gchar *const *names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        return names && names[0] ? fromUtf8(names[0]) : QString();
    }
    gchar *text = g_icon_to_string(icon);
    const QString result = fromUtf8(text);
    g_free(text);
    return result;
}

QString desktopString(GDesktopAppInfo *info, const char *key)
{
    gchar *value = g_desktop_app_info_get_string(info, key);
    const QString result = fromUtf8(value);
    g_free(value);
    return result;
}

// Wrappers and interpreters run all kinds of programs: their name tells no application apart.
bool isGenericProgram(const QString &program)
{
    static const QStringList generic = {
        QStringLiteral("env"),    QStringLiteral("sh"),      QStringLiteral("bash"),
        QStringLiteral("dash"),   QStringLiteral("flatpak"), QStringLiteral("snap"),
        QStringLiteral("python"), QStringLiteral("python3"), QStringLiteral("perl"),
        QStringLiteral("java"),   QStringLiteral("pkexec"),  QStringLiteral("sudo")};
    return generic.contains(program);
}

QString programName(const QString &command)
{
    return command.isEmpty() ? QString() : QFileInfo(command).fileName();
}

} // namespace

DesktopEntries::DesktopEntries(QObject *parent) : QObject(parent)
{
    // Installing a package touches many files: one reload for the lot.
    m_reloadDelay.setSingleShot(true);
    m_reloadDelay.setInterval(300);
    connect(&m_reloadDelay, &QTimer::timeout, this, [this] {
        reload();
        emit changed();
    });
    m_monitor = g_app_info_monitor_get();
    g_signal_connect(m_monitor, "changed", G_CALLBACK(&DesktopEntries::onMonitorChanged), this);
    reload();
}

DesktopEntries::~DesktopEntries()
{
    g_signal_handlers_disconnect_by_data(m_monitor, this);
    g_object_unref(m_monitor);
}

void DesktopEntries::onMonitorChanged(GAppInfoMonitor *, void *self)
{
    static_cast<DesktopEntries *>(self)->m_reloadDelay.start();
}

void DesktopEntries::reload()
{
    m_entries.clear();
    GList *all = g_app_info_get_all();
    for (GList *item = all; item; item = item->next) {
        if (!G_IS_DESKTOP_APP_INFO(item->data))
            continue;
        GAppInfo *info = G_APP_INFO(item->data);
        GDesktopAppInfo *desktop = G_DESKTOP_APP_INFO(item->data);
        Entry entry;
        entry.id = fromUtf8(g_app_info_get_id(info));
        entry.path = fromUtf8(g_desktop_app_info_get_filename(desktop));
        entry.name = fromUtf8(g_app_info_get_name(info));
        entry.icon = iconName(info);
        entry.shown = g_app_info_should_show(info);
        for (const QString &program : {programName(fromUtf8(g_app_info_get_executable(info))),
                                       programName(desktopString(desktop, "TryExec")),
                                       desktopString(desktop, "StartupWMClass")}) {
            if (!program.isEmpty() && !isGenericProgram(program))
                entry.programs.append(program);
        }
        m_entries.append(entry);
    }
    g_list_free_full(all, g_object_unref);
}

LauncherItemInfoList DesktopEntries::launcherItems() const
{
    LauncherItemInfoList items;
    for (const Entry &entry : m_entries) {
        if (entry.shown)
            items.append({entry.path, entry.name, entry.id, entry.icon, 0, 0});
    }
    return items;
}

QString DesktopEntries::pathOfId(const QString &desktopId) const
{
    for (const Entry &entry : m_entries) {
        if (entry.id == desktopId)
            return entry.path;
    }
    return {};
}

QString DesktopEntries::pathOfProgram(const QString &program) const
{
    if (program.isEmpty())
        return {};
    for (const Entry &entry : m_entries) {
        for (const QString &candidate : entry.programs) {
            if (candidate.compare(program, Qt::CaseInsensitive) == 0)
                return entry.path;
        }
    }
    return {};
}

bool DesktopEntries::isShown(const QString &path) const
{
    for (const Entry &entry : m_entries) {
        if (entry.path == path)
            return entry.shown;
    }
    return false;
}
