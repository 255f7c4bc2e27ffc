// The rule that tells whether an autorun command starts the infected file.
#include "cleaner/AutorunRule.h"

#include <string.h>

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// Case-blind comparison of the first `length` characters of `text` with `prefix`.
static bool StartsWithNoCase(const char* text, const char* prefix, size_t length) {
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '\0' || LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    }
    return true;
}

// A file name or path counts only when it is a whole word of the command: "pad.exe" must not
// be found inside "notepad.exe", nor "c:\x\abc.exe" at the start of "c:\x\abc.exe.bak". A name
// ends at the first character that cannot continue it, so "abc.exe/q" and "abc.exe,1" still name
// abc.exe. Bytes above 127 are letters of the code page.
static bool EndsWord(char c) {
    bool continuesName = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                         (unsigned char)c > 127 || c == '.' || c == '_' || c == '-' || c == '~';
    return !continuesName;
}

static bool StartsWord(const char* text, const char* at) {
    if (at == text) return true;
    char before = at[-1];
    return before == '"' || before == ' ' || before == '\t' || before == '\\' || before == '/';
}

static bool ContainsWord(const char* text, const char* word) {
    size_t length = strlen(word);
    for (const char* at = text; *at != '\0'; at++) {
        if (StartsWithNoCase(at, word, length) && StartsWord(text, at) && EndsWord(at[length])) return true;
    }
    return false;
}

static bool ContainsNoCase(const char* text, const char* part) {
    size_t length = strlen(part);
    for (const char* at = text; *at != '\0'; at++) {
        if (StartsWithNoCase(at, part, length)) return true;
    }
    return false;
}

// The command text skips one leading double quote.
static const char* CommandText(const char* data) { return data[0] == '"' ? data + 1 : data; }

static bool StartsWithPath(const char* data, const char* path) {
    const char* command = CommandText(data);
    size_t length = strlen(path);
    return StartsWithNoCase(command, path, length) && EndsWord(command[length]);
}

static bool IsBareCommand(const char* data) { return strchr(data, '\\') == nullptr || data[0] == '\\'; }

AutorunMatch MatchAutorunCommand(const char* data, const char* expanded, const char* infectedPath) {
    const char* lastSlash = strrchr(infectedPath, '\\');
    if (lastSlash == nullptr || lastSlash[1] == '\0') return AUTORUN_NO_MATCH;
    const char* fileName = lastSlash + 1;

    if (IsBareCommand(data) && ContainsWord(data, fileName)) {
        // A bare name runs from the search path, which is only safe to blame on the
        // infected file when that file lies in a system folder.
        bool inSystemFolder =
            ContainsNoCase(infectedPath, "\\system\\") || ContainsNoCase(infectedPath, "\\system32\\");
        return inSystemFolder ? AUTORUN_BARE_COMMAND : AUTORUN_NO_MATCH;
    }
    if (StartsWithPath(data, infectedPath) || StartsWithPath(expanded, infectedPath)) return AUTORUN_FULL_PATH;
    return AUTORUN_NO_MATCH;
}
