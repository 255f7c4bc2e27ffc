// The end of a run: its exit code, the log's last line, the run marker and the restart.
#pragma once

// The codes deployment tools read (Windows Installer's where one fits); the first that
// applies is the run's.
enum {
    EXIT_NOTHING_FOUND = 0,
    EXIT_ALL_REMOVED = 1,
    EXIT_LEFT_IN_PLACE = 2,
    EXIT_NOT_ALL_EXAMINED = 3,   // a place asked for was not examined (its "not scanned" line)
    EXIT_BAD_COMMAND_LINE = 87,
    EXIT_TERMINATED = 1223,
    EXIT_ALREADY_RUNNING = 1618,
    EXIT_RESTART_STARTED = 1641,
    EXIT_RESTART_NEEDED = 3010,
};

int RunExitCode();
// A quiet run's marker under HKLM\Software\Sweepwright (LastRun, LastResult, LogWritten,
// Version) says from its start that the run has not finished, so that a run cut off leaves no
// older result behind.
void MarkRunStarted();
// Once per run: the log's last line and, in a quiet run, the run marker's result.
void FinishRun();
// Restarts the computer to finish a removal, when the program may and the system agrees to
// begin; otherwise the run says why. The run is finished at once after the request.
void RestartToFinish();
// Ends the program from inside the scan (the memory scan's way), restarting first when asked.
void EndRunEarly(bool restart);
