// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QObject>

// Hands the answer to `call`, as a `Reply`, to `done` in `owner`'s thread once it arrives; the
// caller never waits. Nothing is called when `owner` is gone first.
template <typename Reply, typename Done>
void whenAnswered(const QDBusPendingCall &call, QObject *owner, Done done)
{
    auto *watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [done](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         done(Reply(*finished));
                     });
}
