// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "applicationchoice.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <algorithm>

void listApplications(QComboBox *box, WardenApplicationList applications, bool keepUnlisted)
{
    std::sort(applications.begin(), applications.end(),
              [](const auto &a, const auto &b) { return a.name.localeAwareCompare(b.name) < 0; });
    const QString current = box->currentData().toString();
    const QSignalBlocker quiet(box);
    while (box->count() > 1)
        box->removeItem(1);
    for (const WardenApplication &application : applications)
        box->addItem(application.name, application.desktopId);
    if (keepUnlisted && box->findData(current) < 0)
        box->addItem(current, current);
    box->setCurrentIndex(std::max(0, box->findData(current)));
}
