#pragma once

#include "collect/trafficdetailsworker.h"
#include "history/usedata.h"

#include <QThread>
#include <QTimer>
#include <memory>

// The service never tears the worker down; tests that build one per case stop
// and free what it left running (the store, its thread, the save timer).
struct WorkerDisposer
{
    void operator()(TrafficDetailsWorker *worker) const
    {
        UseData *store = worker->m_useData;
        QThread *storeThread = store->thread();
        // The store's connection belongs to its thread: free it there.
        QMetaObject::invokeMethod(
            store, [store] { delete store; }, Qt::BlockingQueuedConnection);
        storeThread->quit();
        storeThread->wait();
        delete storeThread;
        delete worker->m_saveTimer;
        delete worker;
    }
};

using OwnedWorker = std::unique_ptr<TrafficDetailsWorker, WorkerDisposer>;

inline OwnedWorker makeWorker()
{
    return OwnedWorker(new TrafficDetailsWorker);
}
