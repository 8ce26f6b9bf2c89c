// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace Ztk {
namespace Core {

// Sends every log line, stamped with time and level, to the registered
// appenders. Lines logged before an appender is registered are not lost:
// they go to stderr at once and are written to the file when it opens.
// When stderr is the journal's stream (JOURNAL_STREAM), console lines carry
// the journal's "<N>" level prefix and no time stamp of their own.
class ZLogManager
{
public:
    // stderr.
    static void registerConsoleAppender();
    // "<cache location>/nimbra-warden-trafficdetails.log"; needs the
    // organisation and application names to be set first. At 4 MB the file
    // is renamed with ".1" appended (one old file is kept) and a new one is started.
    static void registerFileAppender();
};

} // namespace Core
} // namespace Ztk
