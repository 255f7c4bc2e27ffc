// Where a quick scan looks: asked of the registry, the ini files and the file system.
#include "app/QuickScan.h"

#include <windows.h>
#include <initializer_list>
#include <stdio.h>
#include <string.h>

#include "app/RunHost.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RegistryCleanup.h"
#include "cleaner/RuntimeLink.h"
#include "cleaner/Wow64.h"
#include "engine/PathText.h"
#include "framework/KernelHandles.h"
#include "framework/SystemFolders.h"

namespace {

const char* const kAutorunKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
};
const char kVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kProfileListKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char kServicesKey[] = "System\\CurrentControlSet\\Services";
// A server with thousands of profiles would fill the log's header with them.
const int kListedPlaces = 20;

typedef DWORD(WINAPI* GetLongPathNameFn)(LPCSTR, LPSTR, DWORD);

QuickPlaceList s_places;

DWORD AttributesOf(const char* path) {
    return WithRedirectionOff([&] { return GetFileAttributesA(path); });
}

// A full path in its long form: both lines hand out some folders in 8.3 form (the temporary
// folder above all), and a place must compare equal to itself however it was named.
// GetLongPathNameA exists from 98 and 2000 on; before, and for a path that does not exist,
// the full path stands as it is.
bool LongForm(const char* path, char* full) {
    char* filePart;
    DWORD length = path[0] != 0 ? GetFullPathNameA(path, MAX_PATH, full, &filePart) : 0;
    if (length == 0 || length >= MAX_PATH) return false;
    static const GetLongPathNameFn getLongPathName = LookUpKernel32<GetLongPathNameFn>("GetLongPathNameA");
    char longPath[MAX_PATH];
    DWORD longLength =
        getLongPathName ? WithRedirectionOff([&] { return getLongPathName(full, longPath, MAX_PATH); }) : 0;
    if (longLength > 0 && longLength < MAX_PATH) CopyText(full, MAX_PATH, longPath);
    return true;
}

void AddPlace(const char* path, QuickPlaceKind kind) {
    char full[MAX_PATH];
    if (LongForm(path, full)) s_places.Add(full, NULL, kind);
}

// A text with environment strings expanded; false when it does not fit.
bool Expand(const char* text, char* expanded, DWORD size) {
    DWORD length = ExpandEnvironmentStringsA(text, expanded, size);
    return length > 0 && length <= size;
}

bool IsExistingFile(const char* path) {
    DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A place the walk can examine: a file as a file, a folder as a folder that is no link (the
// walk enters no link, so what a link points to is a place only under its own name). A place
// the system refuses to show is walked, so that the walk names it as not scanned.
bool IsWalkable(const QuickPlace& place) {
    DWORD error = 0;
    DWORD attributes = WithRedirectionOff([&] {
        DWORD asked = GetFileAttributesA(place.path);
        error = GetLastError();
        return asked;
    });
    if (attributes == INVALID_FILE_ATTRIBUTES) return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
    bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (place.kind == PLACE_FILE) return !folder;
    return folder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

void AddCommandFile(const char* command, REGSAM view) {
    char file[MAX_PATH];
    if (FindCommandFile(command, TheSystemFolders(), view == KEY_WOW64_32KEY, IsExistingFile, file, sizeof file))
        AddPlace(file, PLACE_FILE);
}

// Run, RunOnce, RunServices and RunServicesOnce of the machine and of the current user, in
// every registry view.
void AddAutorunFiles() {
    REGSAM views[2];
    int viewCount = GetRegistryViews(views);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (const char* key : kAutorunKeys)
            for (int i = 0; i < viewCount; ++i) ForEachAutorunCommand(root, key, views[i], AddCommandFile);
}

// win.ini's load= and run= and system.ini's shell= each name programs, separated by blanks
// or commas (the 9x line's names have no blanks). On the NT line the system reads the first
// two from the registry.
void AddIniFiles(const char* iniFile, const char* section, const char* key) {
    char line[1024];
    GetPrivateProfileStringA(section, key, "", line, sizeof line, iniFile);
    for (char* word = strtok(line, " \t,"); word != NULL; word = strtok(NULL, " \t,")) AddCommandFile(word, 0);
}

// Each service's ImagePath (the NT line's services; the 9x line's key holds drivers).
void AddServiceFiles() {
    CRegKey services;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, KEY_READ, services.Receive()) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        char name[256], key[sizeof kServicesKey + sizeof name], command[1024], expanded[1024];
        DWORD nameLength = sizeof name;
        LONG listed = RegEnumKeyExA(services, index, name, &nameLength, NULL, NULL, NULL, NULL);
        if (listed != ERROR_SUCCESS && listed != ERROR_MORE_DATA) return;   // ERROR_NO_MORE_ITEMS at the end
        _snprintf(key, sizeof key, "%s\\%s", kServicesKey, name);
        key[sizeof key - 1] = 0;
        if (listed == ERROR_SUCCESS &&
            ReadRegistryString(HKEY_LOCAL_MACHINE, key, "ImagePath", command, sizeof command) &&
            Expand(command, expanded, sizeof expanded))
            AddCommandFile(expanded, 0);
    }
}

// Each subfolder of a folder (but a link, as the walk enters none) is a profile.
void AddProfilesUnder(const char* folder) {
    char pattern[MAX_PATH];
    if (!CopyText(pattern, sizeof pattern, folder) || !AppendText(pattern, sizeof pattern, "\\*.*")) return;
    WIN32_FIND_DATAA entry;
    CFindHandle find(WithRedirectionOff([&] { return FindFirstFileA(pattern, &entry); }));
    if (!find.IsValid()) return;
    do {
        bool profile = (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                           FILE_ATTRIBUTE_DIRECTORY &&
                       strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0;
        char profilePath[MAX_PATH];
        if (profile && CopyText(profilePath, sizeof profilePath, folder) &&
            AppendText(profilePath, sizeof profilePath, "\\") &&
            AppendText(profilePath, sizeof profilePath, entry.cFileName))
            AddProfilePlaces(&s_places, profilePath);
    } while (WithRedirectionOff([&] { return FindNextFileA(find, &entry); }));
}

// The 9x line keeps the profile of everyone who does not log on in the Windows folder, and
// one for each user under its Profiles, a folder that exists once user profiles were turned
// on. On the NT line every folder under the profiles folder is one: ProfileList names it from
// 2000 on; NT 4.0 keeps its profiles in the Windows folder's Profiles.
void AddProfiles(const char* windows) {
    char folder[MAX_PATH], expanded[MAX_PATH], profiles[MAX_PATH];
    if (GetOsFamily() == OS_9X) {
        AddProfilePlaces(&s_places, windows);
        if (CopyText(folder, sizeof folder, windows) && AppendText(folder, sizeof folder, "\\Profiles"))
            AddProfilesUnder(folder);
        return;
    }
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, kProfileListKey, "ProfilesDirectory", folder, sizeof folder))
        CopyText(folder, sizeof folder, "%SystemRoot%\\Profiles");
    if (Expand(folder, expanded, sizeof expanded) && LongForm(expanded, profiles)) AddProfilesUnder(profiles);
}

// The Windows folder's own files (its other subfolders are no places) and its System,
// System32 and SysWOW64 folders; the temporary folders; Program Files\Common Files and
// Program Files (x86)\Common Files, as each registry view names them.
void AddSystemFolders(const char* windows) {
    AddPlace(windows, PLACE_FILES);
    const SystemFolders& system = TheSystemFolders();
    for (const char* folder : {system.system, system.windowsSystem, system.wow64}) AddPlace(folder, PLACE_TREE);
    char folder[MAX_PATH];
    DWORD tempLength = GetTempPathA(sizeof folder, folder);
    if (tempLength > 0 && tempLength < sizeof folder) AddPlace(folder, PLACE_TREE);
    s_places.Add(windows, "Temp", PLACE_TREE);
    REGSAM views[2];
    int viewCount = GetRegistryViews(views);
    for (int i = 0; i < viewCount; ++i)
        for (const char* name : {"CommonFilesDir", "CommonFilesDir (x86)"})
            if (ReadRegistryString(HKEY_LOCAL_MACHINE, kVersionKey, name, folder, sizeof folder, views[i]))
                AddPlace(folder, PLACE_TREE);
}

void ListPlacesInLog() {
    char line[MAX_PATH + 32];
    _snprintf(line, sizeof line, "Quick scan of %d places:", s_places.Count());
    line[sizeof line - 1] = 0;
    WriteRunLogLine(line);
    for (int i = 0; i < s_places.Count() && i < kListedPlaces; ++i) {
        _snprintf(line, sizeof line, "  %s%s", s_places[i].path,
                  s_places[i].kind == PLACE_FILES ? " (its own files)" : "");
        line[sizeof line - 1] = 0;
        WriteRunLogLine(line);
    }
    if (s_places.Count() > kListedPlaces) {
        _snprintf(line, sizeof line, "  and %d more", s_places.Count() - kListedPlaces);
        WriteRunLogLine(line);
    }
}

}   // namespace

const QuickPlaceList& GatherQuickPlaces() {
    s_places.Clear();
    char asked[MAX_PATH], windows[MAX_PATH];
    if (!WindowsFolderPath("", asked, sizeof asked) || !LongForm(asked, windows)) windows[0] = 0;
    AddAutorunFiles();
    AddIniFiles("win.ini", "windows", "load");
    AddIniFiles("win.ini", "windows", "run");
    AddIniFiles("system.ini", "boot", "shell");
    if (GetOsFamily() == OS_NT) AddServiceFiles();
    AddSystemFolders(windows);
    AddProfiles(windows);
    s_places.KeepEachOnce(IsWalkable);
    ListPlacesInLog();
    return s_places;
}
