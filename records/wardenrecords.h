#pragma once

// The records that cross the service's own interface.
#include "records/wardenappflow.h"
#include "records/wardendisplay.h"
