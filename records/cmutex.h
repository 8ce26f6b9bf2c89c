// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMutex>
#include <QObject>

// The one process-wide recursive lock shared by the worker, the display
// thread and the history store's queue.
class CMutex : public QObject
{
    Q_OBJECT
public:
    static CMutex *instance();

    QMutex mutex{QMutex::Recursive};

private:
    CMutex() = default;
};
