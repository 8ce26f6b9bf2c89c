// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/boundedname.h"

#include <QDebug>

QString boundedName(const QString &name, const char *what)
{
    if (name.size() <= kMaxNameLength)
        return name;
    qDebug() << what << "cut from" << name.size() << "to" << kMaxNameLength
             << "characters:" << name.left(40);
    return name.left(kMaxNameLength);
}
