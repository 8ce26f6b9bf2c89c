// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/serviceoptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char kHelp[] =
    "Usage: nimbra-warden-trafficdetails [--help | --version]\n"
    "\n"
    "Keeps per-application network traffic figures for the security centre. It owns\n"
    "com.nimbra.warden.trafficdetails on the session bus, which starts it on demand;\n"
    "there is no need to start it by hand. History is kept in ~/.nimbra-warden/warden.db.\n"
    "\n"
    "Options:\n"
    "  --help     Show this text and exit.\n"
    "  --version  Show the version and exit.\n"
    "\n"
    "nimbra-warden-traffic(1) shows the figures.\n";
} // namespace

void answerInformationOptions(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            std::exit(0);
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("nimbra-warden-trafficdetails " NWT_VERSION);
            std::exit(0);
        }
    }
}
