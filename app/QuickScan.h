// The quick scan's places on this system: the files that autorun entries and services start,
// the Windows and system folders, the temporary folders, each profile's own folders and
// Common Files.
#pragma once
#include "engine/QuickPlaces.h"

// Asks the system for the places, keeps those that exist (each once, in path order) and
// lists them in the run's log.
const QuickPlaceList& GatherQuickPlaces();
