#pragma once

#include "history/appflowdateparameter.h"
#include "historytestsupport.h"

#include <QSignalSpy>
#include <QStringList>

class UseData;

namespace HistoryTest {

using AnswerSignal = void (UseData::*)(QList<AppFlowDateParameter>);

// One record as "appname|sname|date|downloaded|uploaded|total".
QString describe(const AppFlowDateParameter &record);
QStringList describe(const QList<AppFlowDateParameter> &records);

// Runs `request` under the lock and returns the single answer the store emits on `answer`.
template <typename Request>
QList<AppFlowDateParameter> answerOf(StoreThread &store, AnswerSignal answer, Request request)
{
    QSignalSpy spy(store.store(), answer);
    store.locked(request);
    store.sync();
    if (spy.size() != 1)
        return {};
    return spy.at(0).at(0).value<QList<AppFlowDateParameter>>();
}

} // namespace HistoryTest
