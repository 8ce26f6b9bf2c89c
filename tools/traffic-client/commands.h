#pragma once

#include "commandline.h"

// Carries out a parsed command against the service; returns the process exit status.
int runCommand(const Command &command);
