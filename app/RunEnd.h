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
// Once per run: the log's last line and, in a quiet run, the run marker under
// HKLM\Software\Sweepwright (LastRun, LastResult, Version).
void FinishRun();
// Restarts the computer to finish a removal, when the program may. The run is finished first,
// with the exit code that says whether the restart began: the restart may end the program at once.
void RestartToFinish();
// Ends the program from inside the scan (the memory scan's way), restarting first when asked.
void EndRunEarly(bool restart);
