// The places a quick scan examines, each once. Pure text work over the folder names the
// caller asks the system for, so it also builds natively.
#pragma once
#include <stddef.h>

enum QuickPlaceKind {
    PLACE_TREE = 0,    // a folder with its subfolders
    PLACE_FILES = 1,   // a folder's own files, none of its subfolders
    PLACE_FILE = 2     // one file
};

enum { kQuickPathSize = 260 };

struct QuickPlace {
    char path[kQuickPathSize];   // a full path without a trailing backslash ("C:" for a drive root)
    QuickPlaceKind kind;
};

class QuickPlaceList {
public:
    QuickPlaceList() : m_places(NULL), m_count(0), m_size(0) {}
    ~QuickPlaceList();
    QuickPlaceList(const QuickPlaceList&) = delete;
    QuickPlaceList& operator=(const QuickPlaceList&) = delete;

    // Adds folder, or folder\name when name is given. An empty folder, a path that does not
    // fit and a place the memory cannot hold are left out.
    void Add(const char* folder, const char* name, QuickPlaceKind kind);
    // Leaves only the places `walkable` accepts, each once, sorted by path: a place inside a
    // tree place, a file in a folder whose files are a place, and a repeat go.
    void KeepEachOnce(bool (*walkable)(const QuickPlace& place));
    void Clear() { m_count = 0; }
    int Count() const { return m_count; }
    const QuickPlace& operator[](int index) const { return m_places[index]; }

private:
    QuickPlace* m_places;
    int m_count;
    int m_size;
};

// A user profile's quick places: its desktop, downloads, documents, start menu and
// application data, under the names of every layout a profile may have (the 9x line's
// Windows folder, 2000 and XP, Vista and later). The ones a system lacks are skipped when walked.
void AddProfilePlaces(QuickPlaceList* places, const char* profile);
