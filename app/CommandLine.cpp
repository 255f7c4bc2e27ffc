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

// A folder's trailing backslash goes, but a drive root keeps its own.
void StorePath(char* path) {
    size_t length = strlen(path);
    if (length > 1 && path[length - 1] == '\\' && path[length - 2] != ':') path[length - 1] = 0;
}

// The value after /log or /path; false (and the switch refused) when it is missing or too long.
const char* TakeValue(const char* rest, const char* name, char* value, CommandLine* parsed) {
    bool fits = true;
    const char* after = NextWord(rest, value, kCommandPathSize, &fits);
    if (after == 0 || !fits || value[0] == 0) {
        value[0] = 0;
        Refuse(parsed, name);
    }
    return after;
}

// One switch, its value taken from `rest`; returns where the next word starts.
const char* TakeSwitch(const char* word, const char* rest, CommandLine* parsed) {
    const char* name = word + 1;
    if (SameName(name, "quiet")) {
        parsed->quiet = 1;
    } else if (SameName(name, "scanonly")) {
        parsed->scanOnly = 1;
    } else if (SameName(name, "forcerestart")) {
        parsed->forceRestart = 1;
    } else if (SameName(name, "?")) {
        parsed->help = 1;
    } else if (SameName(name, "log")) {
        return TakeValue(rest, word, parsed->logPath, parsed);
    } else if (SameName(name, "path")) {
        char path[kCommandPathSize];
        rest = TakeValue(rest, word, path, parsed);
        if (path[0] == 0) return rest;
        if (parsed->pathCount == kMaxScanPaths) {
            Refuse(parsed, word);
            return rest;
        }
        StorePath(path);
        memcpy(parsed->paths[parsed->pathCount++], path, sizeof path);
    } else {
        Refuse(parsed, word);
    }
    return rest;
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
        if (!fits || (word[0] != '/' && word[0] != '-'))
            Refuse(parsed, word);
        else
            rest = TakeSwitch(word, rest, parsed);
        if (rest == 0) break;
    }
    return parsed->badSwitch[0] == 0 ? 1 : 0;
}
