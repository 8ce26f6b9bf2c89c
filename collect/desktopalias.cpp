// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/desktopalias.h"

#include <QMap>

namespace {
// The analysis service and the launcher name these applications differently.
const QMap<QString, QString> s_desktopAliasMap = {
    {QStringLiteral("browser360-cn.desktop"), QStringLiteral("cn.360.browser-cn.desktop")},
    {QStringLiteral("desktop_lnk_icon.ico"), QStringLiteral("wps-office-pdf.desktop")},
    {QStringLiteral("org.midori_browser.Midori.desktop"),
     QStringLiteral("org.midori.browser.desktop")},
};
} // namespace

QString desktopAlias(QString name)
{
    return s_desktopAliasMap.value(name, name);
}
