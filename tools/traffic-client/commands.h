// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "commandline.h"

// Carries out a parsed command against the service; returns the process exit status.
int runCommand(const Command &command);
