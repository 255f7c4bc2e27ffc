// Where a run's words go and who answers its questions, decided once from the command line.
// A windowed run shows the cleaning code's plain messages in the system's box and asks the
// user; a quiet run writes both into its log and lets a fixed answer stand in for each
// question. With /log, a windowed run writes its log too.
#pragma once
#include <stddef.h>
#include "app/CommandLine.h"

extern CommandLine g_commandLine;       // parsed at start-up, before anything else happens
extern const char g_programVersion[];   // "1.0.0.0", as the version resource says

// Opens the log for appending (creating it when missing) and writes the block's header. A log
// that cannot be opened or written is left out: the scan runs all the same.
void OpenRunLog(const char* path);
void WriteRunLogLine(const char* text);
// The block's last line, with the end time and the exit code; the log is closed after it.
void CloseRunLog(int exitCode);

// A plain message of the cleaning code, with the caption the system's box would show.
void ShowNotice(const char* text, const char* caption);
// A quiet run's answer to a question with these message-box flags. Every question a quiet
// scan meets is whether to restart (asking to terminate needs a key press), so the answer is
// Yes or OK with /forcerestart and No or Cancel without it. The question goes to the log.
int QuietAnswer(const char* question, unsigned flags);

// The local time as YYYY-MM-DD hh:mm:ss.
void FormatLocalTime(char* text, size_t size);
