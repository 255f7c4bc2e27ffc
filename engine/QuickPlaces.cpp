// The quick scan's place list: building it from folder names, and keeping each place once.
#include "engine/QuickPlaces.h"

#include <stdlib.h>
#include <string.h>

#include "engine/PathText.h"

namespace {

const char* const kProfileFolders[] = {
    "Desktop",
    "Downloads",
    "Documents",
    "My Documents",
    "Start Menu",
    "Application Data",
    "AppData",
    "Local Settings\\Application Data",
    "Local Settings\\Temp",
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

// The backslash sorts before every other character, so that a folder's places follow it
// without a gap: "C:\a", "C:\a\b", "C:\a b".
int SortKey(char c) { return c == '\\' ? 1 : (unsigned char)Lower(c); }

int ComparePlaces(const void* left, const void* right) {
    const QuickPlace& a = *(const QuickPlace*)left;
    const QuickPlace& b = *(const QuickPlace*)right;
    for (size_t i = 0;; ++i) {
        int difference = SortKey(a.path[i]) - SortKey(b.path[i]);
        if (difference != 0) return difference;
        if (a.path[i] != 0) continue;
        // The tree before the files, the files before a file; one spelling kept whatever the input's order.
        return a.kind != b.kind ? (int)a.kind - (int)b.kind : strcmp(a.path, b.path);
    }
}

// Whether path is folder itself (length 0 after it) or lies below it; *rest is what follows.
bool IsSameOrBelow(const char* path, const char* folder, const char** rest) {
    size_t length = strlen(folder);
    for (size_t i = 0; i < length; ++i)
        if (Lower(path[i]) != Lower(folder[i])) return false;
    *rest = path + length;
    return path[length] == 0 || path[length] == '\\';
}

// Whether a place kept earlier already examines everything the later one would.
bool Covers(const QuickPlace& earlier, const QuickPlace& later) {
    const char* rest;
    if (!IsSameOrBelow(later.path, earlier.path, &rest)) return false;
    if (earlier.kind == PLACE_TREE || *rest == 0) return earlier.kind == PLACE_TREE || earlier.kind == later.kind;
    return earlier.kind == PLACE_FILES && later.kind == PLACE_FILE && strchr(rest + 1, '\\') == NULL;
}

}   // namespace

QuickPlaceList::~QuickPlaceList() { free(m_places); }

void QuickPlaceList::Add(const char* folder, const char* name, QuickPlaceKind kind) {
    if (folder[0] == 0) return;
    if (m_count == m_size) {
        int size = m_size != 0 ? 2 * m_size : 32;
        QuickPlace* grown = (QuickPlace*)realloc(m_places, size * sizeof *grown);
        if (grown == NULL) return;
        m_places = grown;
        m_size = size;
    }
    QuickPlace& place = m_places[m_count];
    bool fits = CopyText(place.path, sizeof place.path, folder);
    size_t length = strlen(place.path);
    if (length > 0 && place.path[length - 1] == '\\') place.path[length - 1] = 0;
    if (name != NULL)
        fits =
            fits && AppendText(place.path, sizeof place.path, "\\") && AppendText(place.path, sizeof place.path, name);
    place.kind = kind;
    if (fits) ++m_count;
}

// In path order, the places that hold the current one are those kept before it that are
// still its folders: a stack of them. Nothing is kept below a tree, so the innermost decides.
void QuickPlaceList::KeepEachOnce(bool (*walkable)(const QuickPlace& place)) {
    int existing = 0;
    for (int i = 0; i < m_count; ++i)
        if (walkable(m_places[i])) m_places[existing++] = m_places[i];
    m_count = existing;
    if (m_count == 0) return;
    qsort(m_places, m_count, sizeof *m_places, ComparePlaces);
    int kept = 0;
    int* holders = (int*)malloc(m_count * sizeof(int));
    if (holders == NULL) return;
    int depth = 0;
    for (int i = 0; i < m_count; ++i) {
        const char* rest;
        while (depth > 0 && !IsSameOrBelow(m_places[i].path, m_places[holders[depth - 1]].path, &rest)) --depth;
        if (depth > 0 && Covers(m_places[holders[depth - 1]], m_places[i])) continue;
        m_places[kept] = m_places[i];
        holders[depth++] = kept++;
    }
    free(holders);
    m_count = kept;
}

void AddProfilePlaces(QuickPlaceList* places, const char* profile) {
    for (const char* folder : kProfileFolders) places->Add(profile, folder, PLACE_TREE);
}
