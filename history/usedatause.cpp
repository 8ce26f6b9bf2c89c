// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/usedata.h"

#include "history/usesincequery.h"
#include "records/clock.h"

// Answered once, failed or not, as the other requests answered to one caller are; a refusal
// too, from the store's thread, so that the caller never hears of it before the asking returns.
void UseData::connectUseRequest()
{
    connect(
        this, &UseData::notifyGetUseSince, this,
        [this](quint64 requestId, QDate firstDay) {
            SignalQueFlow flow;
            flow.requestId = requestId;
            flow.firstDay = firstDay;
            if (!enqueue(GetUseSince, flow))
                QMetaObject::invokeMethod(
                    this, [=] { emit sendUseSince(requestId, firstDay, false, {}); },
                    Qt::QueuedConnection);
        },
        Qt::DirectConnection);
}

bool UseData::getUseSince(const SignalQueFlow &flow)
{
    ensureConnection();
    const QDate today = Clock::now().date();
    QList<AppFlowDateParameter> use;
    bool ok = UseSinceQuery::query(m_query, m_summaries, use, flow.firstDay, today);
    if (!ok && recoverFile()) {
        use.clear();
        ok = UseSinceQuery::query(m_query, m_summaries, use, flow.firstDay, today);
    }
    for (const quint64 requestId : qAsConst(m_answerIds))
        emit sendUseSince(requestId, flow.firstDay, ok, ok ? use : QList<AppFlowDateParameter>());
    return true;
}
