// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Answers --help and --version and ends the process, before anything has started: no
// application object, no log file, no database. Any other argument is left alone for the
// application object.
void answerInformationOptions(int argc, char *argv[]);
