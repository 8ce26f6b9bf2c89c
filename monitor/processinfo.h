// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "traffickeys.h"

#include <QByteArray>
#include <QtGlobal>

// When the process `pid` started, in clock ticks after boot (the 22nd field of
// /proc/PID/stat); 0 when there is no such process.
quint64 processStart(quint32 pid);
// The same field read from the text of a stat file.
quint64 processStartFromStat(const QByteArray &stat);
// The process `pid` as the socket-creation hook records an owner: pid, real user, start,
// name. False when it has gone.
bool processOwner(quint32 pid, socket_owner &owner);
