// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Tags the IPv4 and IPv6 sockets already open when the monitor starts with their process, as
// the socket-creation hook does for new ones, so that running programs are counted too.
// Returns how many were tagged.
int adoptExistingSockets(int socketOwnersMap);
