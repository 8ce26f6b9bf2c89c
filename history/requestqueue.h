// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/signalqueue.h"

#include <QList>
#include <optional>

// The history store's requests in the order they are worked on. The caller holds the
// process-wide lock around every call. Between taking the head and finishing it, the head may be
// in hand: nothing is ever put before it or taken from before it then.
class RequestQueue
{
public:
    // The request to work on now, with the ids of the same requests waiting behind it before
    // the next save: one answer serves them all.
    struct Head
    {
        SignalQueueEntry entry;
        QList<quint64> answerIds;
        // Whether it passed a request that was first, which then starts its attempts afresh.
        bool passedFirst = false;
    };

    // False when the request was refused: too many answers wait.
    bool append(SignalQueueType type, const SignalQueFlow &flow);
    bool isEmpty() const { return m_entries.isEmpty(); }
    // The first request, or the first that is no collector list when those are held back.
    std::optional<Head> takeHead(bool holdCollectorLists);
    // Removes the head and the same requests it answered.
    void finishHead(const Head &head);
    bool hasSaveBehindHead() const;

private:
    int insertionPoint(SignalQueueType type, const SignalQueFlow &flow) const;
    bool isWaiting(const HistoryRequest &request) const;
    void supersedeWaitingSave();

    QList<SignalQueueEntry> m_entries;
    int m_pendingAnswers = 0;
};
