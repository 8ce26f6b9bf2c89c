// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The records that cross the service's own interface.
#include "records/wardenappflow.h"
#include "records/wardenapplication.h"
#include "records/wardenbudget.h"
#include "records/wardendisplay.h"
