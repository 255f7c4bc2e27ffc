// The report list's rules, apart from the list itself so that they can be checked alone.
#pragma once

enum { kReportLineLimit = 150, kExtentThreshold = 560 };

// Before a line is added: a full list is emptied unless the statistics have begun.
inline bool ReportMustEmpty(int lineCount, bool keepReport) { return lineCount >= kReportLineLimit && !keepReport; }

// The index to select after adding: the newest line from the third on; with one or two
// lines an index past the end, so that nothing is highlighted.
inline int ReportSelection(int lineCount) { return lineCount > 2 ? lineCount - 1 : lineCount; }

// The horizontal extent after measuring the widest line, or -1 to leave it as it is.
inline int ReportExtent(int currentExtent, int widestLine) {
    if (currentExtent < widestLine && widestLine > kExtentThreshold) return widestLine * 3 / 4;
    return -1;
}
