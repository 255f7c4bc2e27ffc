// Operating-system tests and the three routes that end the processes running a file.
#pragma once

enum { OS_QUERY_FAILED = 0, OS_OTHER = 1, OS_9X = 4, OS_NT = 5 };
enum { NT_GEN_OTHER = 0, NT_GEN_4_OR_LOWER = 5, NT_GEN_5 = 6 };

int GetOsFamily();
int GetNtGeneration();
int KillProcessByPath(const char* path);
int KillByToolhelp(const char* path);
int KillByPerfData(const char* path);
bool KillByModulePath(const char* path);
