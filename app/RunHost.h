// Where a run's words go and who answers its questions, decided once from the command line.
// A windowed run shows the cleaning code's plain messages in the system's box and asks the
// user; a quiet run writes both into its log and lets a fixed answer stand in for each
// question. With /log, a windowed run writes its log too.
#pragma once
#include <stddef.h>
#include "app/CommandLine.h"

extern CommandLine g_commandLine;       // parsed at start-up, before anything else happens
extern const char g_programVersion[];   // "1.0.0.0", as the version resource says

// Whether FILE may take a run's log: not a folder, nor an existing file that does not begin as
// this program's log does (an empty one may). Asked before anything is done; a file that cannot
// be read is left to OpenRunLog, which does not write it either.
bool MayHoldRunLog(const char* path);
// Opens the log for appending (creating it when missing) and begins the run's block with its
// header; path empty: the default log, Sweepwright.log in the Windows folder. A log that cannot
// be opened, or is not this program's log by now, gives way to the default log, and the block
// says there why. appendOnly (the NT line) shares the file with other writers: each write
// lands at its end, whoever else writes.
void OpenRunLog(const char* path, bool appendOnly);
void WriteRunLogLine(const char* text);
// The block's last line, with the end time and the exit code; the block is written and the log
// closed.
void CloseRunLog(int exitCode);
// Whether the whole block went to the log the run was to write.
bool RunLogWritten();

// A plain message of the cleaning code, with the caption the system's box would show.
void ShowNotice(const char* text, const char* caption);
// A quiet run's answer to a question with these message-box flags. Every question a quiet
// scan meets is whether to restart (asking to terminate needs a key press), so the answer is
// Yes or OK with /forcerestart and No or Cancel without it. The question goes to the log.
int QuietAnswer(const char* question, unsigned flags);

// The system's words for an error code, on one line (empty when it has none).
void DescribeSystemError(unsigned long error, char* text, size_t size);
// The local time as YYYY-MM-DD hh:mm:ss.
void FormatLocalTime(char* text, size_t size);
