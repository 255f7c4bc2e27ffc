// What happens to an infected file, by g_action, and the report line of every outcome.
#pragma once

extern int g_filesRenamed;

void ApplyAction(const char* path, const char* variantName);
// The lighter form used by the uuencoded check: one delete, no attribute reset, no deferral.
void ApplyReducedAction(const char* path, const char* variantName);
