// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "collect/trafficdetailsworker.h"
#include "history/usedata.h"

#include <QThread>
#include <memory>

// The service never tears the worker down; tests free what it left running.
struct WorkerDisposer
{
    void operator()(TrafficDetailsWorker *worker) const
    {
        UseData *store = worker->store();
        QThread *storeThread = store->thread();
        // The store's connection belongs to its thread: free it there.
        QMetaObject::invokeMethod(
            store, [store] { delete store; }, Qt::BlockingQueuedConnection);
        storeThread->quit();
        storeThread->wait();
        delete storeThread;
        delete worker;
    }
};

using OwnedWorker = std::unique_ptr<TrafficDetailsWorker, WorkerDisposer>;
