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

// A file name or path ends only where no path can go on: at the end of the data, a blank, a
// quote, a comma or a forward slash ("abc.exe/q", "abc.exe,1"). Anything else, "(", "!" and
// "\" among them, may continue a file or folder name: "d:\apps\tool" does not start
// "d:\apps\tool(2)\tool.exe", nor "c:\x\abc.exe" start "c:\x\abc.exe.bak".
static bool EndsName(char c) { return c == '\0' || c == ' ' || c == '\t' || c == '"' || c == ',' || c == '/'; }

static bool StartsWord(const char* text, const char* at) {
    if (at == text) return true;
    char before = at[-1];
    return before == '"' || before == ' ' || before == '\t' || before == '\\' || before == '/';
}

// "pad.exe" must not be found inside "notepad.exe".
static bool ContainsWord(const char* text, const char* word) {
    size_t length = strlen(word);
    for (const char* at = text; *at != '\0'; at++) {
        if (StartsWithNoCase(at, word, length) && StartsWord(text, at) && EndsName(at[length])) return true;
    }
    return false;
}

// The command text skips one leading double quote.
static const char* CommandText(const char* data) { return data[0] == '"' ? data + 1 : data; }

// Whether the command starts with the file `name` in the folder of `folderLength` characters.
static bool StartsWithFileIn(const char* data, const char* folder, size_t folderLength, const char* name) {
    const char* command = CommandText(data);
    size_t nameLength = strlen(name);
    if (!StartsWithNoCase(command, folder, folderLength) || command[folderLength] != '\\') return false;
    const char* file = command + folderLength + 1;
    return StartsWithNoCase(file, name, nameLength) && EndsName(file[nameLength]);
}

static bool NamesFileIn(const char* data, const char* expanded, const char* folder, size_t folderLength,
                        const char* name) {
    return StartsWithFileIn(data, folder, folderLength, name) || StartsWithFileIn(expanded, folder, folderLength, name);
}

static bool IsFolder(const char* path, size_t length, const char* folder) {
    return folder[0] != '\0' && strlen(folder) == length && StartsWithNoCase(path, folder, length);
}

// The folder that the view's programs know by the system folder's name.
static const char* ViewSystemFolder(const SystemFolders& folders, AutorunView view) {
    return view == AUTORUN_32BIT_VIEW ? folders.wow64 : folders.system;
}

// The system folders a bare name of the view is started from: the one its programs know as
// the system folder, and the Windows folder's System.
static bool StartsBareNamesFrom(const char* path, size_t length, const SystemFolders& folders, AutorunView view) {
    return IsFolder(path, length, ViewSystemFolder(folders, view)) || IsFolder(path, length, folders.windowsSystem);
}

static bool IsBareCommand(const char* data) { return strchr(data, '\\') == nullptr || data[0] == '\\'; }

AutorunMatch MatchAutorunCommand(const char* data, const char* expanded, const char* infectedPath,
                                 const SystemFolders& folders, AutorunView view) {
    const char* lastSlash = strrchr(infectedPath, '\\');
    if (lastSlash == nullptr || lastSlash[1] == '\0') return AUTORUN_NO_MATCH;
    const char* fileName = lastSlash + 1;
    size_t folderLength = (size_t)(lastSlash - infectedPath);

    if (IsBareCommand(data) && ContainsWord(data, fileName)) {
        // A bare name runs from the search path, which is only safe to blame on the infected
        // file when that file lies in a system folder that the value's view starts it from.
        bool started = StartsBareNamesFrom(infectedPath, folderLength, folders, view);
        return started ? AUTORUN_BARE_COMMAND : AUTORUN_NO_MATCH;
    }
    if (NamesFileIn(data, expanded, infectedPath, folderLength, fileName)) return AUTORUN_FULL_PATH;
    // A program names a file of its system folder by the system folder's name; for a 32-bit
    // program that folder is the 32-bit system folder.
    bool aliased = IsFolder(infectedPath, folderLength, ViewSystemFolder(folders, view));
    if (aliased && NamesFileIn(data, expanded, folders.system, strlen(folders.system), fileName))
        return AUTORUN_FULL_PATH;
    return AUTORUN_NO_MATCH;
}

// The first `length` characters of text as a path, when it fits and names an existing file.
static bool IsExistingFile(const char* folder, const char* text, size_t length, bool (*isFile)(const char*), char* file,
                           size_t size) {
    size_t folderLength = folder ? strlen(folder) + 1 : 0;
    if (folderLength + length >= size) return false;
    if (folder) {
        memcpy(file, folder, folderLength - 1);
        file[folderLength - 1] = '\\';
    }
    memcpy(file + folderLength, text, length);
    file[folderLength + length] = '\0';
    return isFile(file);
}

static size_t NameLength(const char* text) {
    size_t length = 0;
    while (!EndsName(text[length])) length++;
    return length;
}

// Only a drive path or a share names a file wherever the program runs from.
static bool IsFullPath(const char* path) {
    char drive = LowerAscii(path[0]);
    return (drive >= 'a' && drive <= 'z' && path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\');
}

bool FindCommandFile(const char* command, const SystemFolders& folders, bool wow64View,
                     bool (*isFile)(const char* path), char* file, size_t size) {
    const char* text = CommandText(command);
    if (StartsWithNoCase(text, "\\??\\", 4)) text += 4;
    if (size > 0) file[0] = '\0';
    if (IsBareCommand(text) && !IsFullPath(text)) {
        const char* searched[] = {wow64View ? folders.wow64 : folders.system, folders.system, folders.windowsSystem};
        size_t length = NameLength(text);
        for (const char* folder : searched) {
            if (length > 0 && folder[0] != '\0' && IsExistingFile(folder, text, length, isFile, file, size))
                return true;
        }
    } else if (IsFullPath(text)) {
        // Quotes hold the whole path, blanks and all.
        bool quoted = command[0] == '"';
        for (size_t end = 0;; end++) {
            bool ends = quoted ? text[end] == '"' || text[end] == '\0' : EndsName(text[end]);
            if (ends && IsExistingFile(nullptr, text, end, isFile, file, size)) return true;
            if (text[end] == '\0') break;
        }
    }
    if (size > 0) file[0] = '\0';
    return false;
}
