// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"
#include "records/flowperiod.h"

#include <QDate>
#include <QList>
#include <QMetaType>
#include <QString>

// One question to the history store: a period's figures of all applications or of one.
struct HistoryRequest
{
    // Retried: a read that fails is tried again after pauses and answered with no rows after
    // the last attempt. Once: answered once, read or not, after one repair of the file.
    enum class Answering { Retried, Once };

    static HistoryRequest allApplications(FlowPeriod period, Answering answering);
    static HistoryRequest application(const QString &appname, FlowPeriod period,
                                      Answering answering);
    // Each application's use summed from `first` through today, one record per application.
    static HistoryRequest useSince(const QDate &first);

    // Whether both ask the same, so that one answer serves both.
    bool asksAsWell(const HistoryRequest &other) const;
    // The request's name in log lines.
    const char *name() const;

    // Unique in the process; the answer echoes it.
    quint64 id = 0;
    bool all = true;
    QString appname;
    FlowPeriod period = FlowPeriod::Today;
    Answering answering = Answering::Retried;
    // Set for a use request; the period then plays no part.
    QDate since;
};

// What the store answers: `ok` is false when the rows could not be read.
struct HistoryAnswer
{
    HistoryRequest request;
    QDate firstDay;
    bool ok = false;
    QList<AppFlowDateParameter> rows;
};

Q_DECLARE_METATYPE(HistoryRequest)
Q_DECLARE_METATYPE(HistoryAnswer)
