// The command-line parser: words, then switches and their values.
#include "app/CommandLine.h"

#include <string.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (Lower(*a) != Lower(*b)) return false;
    return *a == *b;
}

// Copies the next word into `word` (cut to size); *fits says whether it was cut. Returns the
// text after the word, or null when only blanks were left.
const char* NextWord(const char* text, char* word, int size, bool* fits) {
    while (IsBlank(*text)) ++text;
    if (*text == 0) return 0;
    int length = 0;
    bool quoted = false;
    *fits = true;
    for (; *text && (quoted || !IsBlank(*text)); ++text) {
        if (*text == '"') {
            quoted = !quoted;
        } else if (length < size - 1) {
            word[length++] = *text;
        } else {
            *fits = false;
        }
    }
    word[length] = 0;
    return text;
}

// An empty word ("") is named as written, so that a refusal always names something.
void Refuse(CommandLine* parsed, const char* word) {
    if (parsed->badSwitch[0] != 0) return;
    if (word[0] == 0) word = "\"\"";
    strncpy(parsed->badSwitch, word, sizeof parsed->badSwitch - 1);
    parsed->badSwitch[sizeof parsed->badSwitch - 1] = 0;
}

// True when a and b differ by at most one letter added, left out or changed, or by two
// neighbours swapped.
bool WithinOneEdit(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    if (*a == 0 || *b == 0) return strlen(a) + strlen(b) <= 1;
    return strcmp(a + 1, b + 1) == 0 || strcmp(a + 1, b) == 0 || strcmp(a, b + 1) == 0 ||
           (a[1] == b[0] && a[0] == b[1] && strcmp(a + 2, b + 2) == 0);
}

// What administrators type when they mean "no user interface": /quiet (or a slip of it), an
// installer's /silent, msiexec's /q and /qn, /s.
const char* const kQuietNames[] = {"quiet", "silent"};
const char* const kQuietShortForms[] = {"q", "qn", "s"};

// The word's letters after its switch marks (--quiet, /quiet/scanonly and quiet all give "quiet").
bool ReadsAsQuiet(const char* word) {
    while (*word == '/' || *word == '-') ++word;
    char name[kSwitchNameSize];
    int length = 0;
    for (; length < kSwitchNameSize - 1 && Lower(*word) >= 'a' && Lower(*word) <= 'z'; ++word)
        name[length++] = Lower(*word);
    name[length] = 0;
    for (const char* quiet : kQuietNames)
        if (strstr(name, quiet) || WithinOneEdit(name, quiet)) return true;
    for (const char* quiet : kQuietShortForms)
        if (strcmp(name, quiet) == 0) return true;
    return false;
}

// Every trailing backslash goes, but a drive root keeps its own.
void StorePath(char* path) {
    size_t length = strlen(path);
    while (length > 1 && path[length - 1] == '\\' && path[length - 2] != ':') path[--length] = 0;
}

// A folder as a name to compare: case folded, '/' as '\', no trailing separator (so "D:"
// and "D:\", which the walk reads as one drive root, give one key).
void FolderKey(const char* path, char* key) {
    size_t length = 0;
    for (; path[length] && length < kCommandPathSize - 1; ++length)
        key[length] = path[length] == '/' ? '\\' : Lower(path[length]);
    while (length > 0 && key[length - 1] == '\\') --length;
    key[length] = 0;
}

// True when `folder` is `outer` itself or lies inside it, so that walking `outer` walks it.
bool Covers(const char* outer, const char* folder) {
    char outerKey[kCommandPathSize], folderKey[kCommandPathSize];
    FolderKey(outer, outerKey);
    FolderKey(folder, folderKey);
    size_t length = strlen(outerKey);
    return strncmp(outerKey, folderKey, length) == 0 && (folderKey[length] == 0 || folderKey[length] == '\\');
}

void StoreLog(const char*, char* value, CommandLine* parsed) { memcpy(parsed->logPath, value, kCommandPathSize); }

// Each file is walked once: a folder inside one already given is left out, and one given now
// replaces those inside it.
void StoreScanPath(const char* word, char* path, CommandLine* parsed) {
    StorePath(path);
    int kept = 0;
    for (int i = 0; i < parsed->pathCount; ++i) {
        if (Covers(parsed->paths[i], path)) return;
        if (!Covers(path, parsed->paths[i])) memmove(parsed->paths[kept++], parsed->paths[i], kCommandPathSize);
    }
    parsed->pathCount = kept;
    if (kept == kMaxScanPaths) {
        Refuse(parsed, word);
        return;
    }
    memcpy(parsed->paths[parsed->pathCount++], path, kCommandPathSize);
}

struct Switch {
    const char* name;
    int CommandLine::*flag;                                           // a switch that stands alone
    void (*store)(const char* word, char* value, CommandLine* parsed);   // one that takes a value
};

// The switches the program knows: a new one is one row here and its field in CommandLine.
const Switch kSwitches[] = {
    {"quiet", &CommandLine::quiet, 0},
    {"scanonly", &CommandLine::scanOnly, 0},
    {"forcerestart", &CommandLine::forceRestart, 0},
    {"quick", &CommandLine::quick, 0},
    {"?", &CommandLine::help, 0},
    {"log", 0, StoreLog},
    {"path", 0, StoreScanPath},
};

const Switch* FindSwitch(const char* word) {
    if (word[0] != '/' && word[0] != '-') return 0;
    for (const Switch& known : kSwitches)
        if (SameName(word + 1, known.name)) return &known;
    return 0;
}

// A word in a value's place that is a switch (or an attempt at /quiet) means the value was
// left out: it is read as the switch it is, never as a file or folder name. Trailing
// backslashes do not make it a name: "/log\" would be kept as the folder "/log".
bool IsSwitch(const char* word) {
    char name[kCommandPathSize];
    strncpy(name, word, sizeof name - 1);
    name[sizeof name - 1] = 0;
    StorePath(name);
    return FindSwitch(name) != 0 || ((name[0] == '/' || name[0] == '-') && ReadsAsQuiet(name));
}

// One switch, its value taken from `rest`; returns where the next word starts.
const char* TakeSwitch(const Switch& known, const char* word, const char* rest, CommandLine* parsed) {
    if (known.flag) {
        parsed->*known.flag = 1;
        return rest;
    }
    char value[kCommandPathSize];
    bool fits = true;
    const char* after = NextWord(rest, value, sizeof value, &fits);
    if (after != 0 && IsSwitch(value)) {
        Refuse(parsed, word);
        return rest;
    }
    if (after == 0 || !fits || value[0] == 0)
        Refuse(parsed, word);
    else
        known.store(word, value, parsed);
    return after;
}

// A word refused that reads as an attempt at /quiet counts as /quiet: whoever wrote it expects
// nobody to be there to answer a box.
void RefuseWord(const char* word, CommandLine* parsed) {
    Refuse(parsed, word);
    if (ReadsAsQuiet(word)) parsed->quiet = 1;
}

}   // namespace

int ParseCommandLine(const char* commandLine, CommandLine* parsed) {
    memset(parsed, 0, sizeof *parsed);
    parsed->arguments = "";
    char word[kCommandPathSize];
    bool fits = true;
    const char* rest = NextWord(commandLine, word, sizeof word, &fits);   // the program's own name
    if (rest == 0) return 1;
    while (IsBlank(*rest)) ++rest;
    parsed->arguments = rest;
    while ((rest = NextWord(rest, word, sizeof word, &fits)) != 0) {
        const Switch* known = fits ? FindSwitch(word) : 0;
        if (known)
            rest = TakeSwitch(*known, word, rest, parsed);
        else
            RefuseWord(word, parsed);
        if (rest == 0) break;
    }
    if (parsed->quick && parsed->pathCount > 0) Refuse(parsed, "/quick");
    return parsed->badSwitch[0] == 0 ? 1 : 0;
}
