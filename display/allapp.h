// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// An installed application as the display thread keeps it.
struct allApp
{
    QString desktopPath;
    QString appName;
    QString extraText;
    QString icon;
};

Q_DECLARE_METATYPE(allApp)
Q_DECLARE_METATYPE(QList<allApp>)
