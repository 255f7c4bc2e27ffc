#include "tests/cleaning/CleaningTestSupport.h"

#include <aclapi.h>
#include <tlhelp32.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/MemoryScan.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";

static const char kHelperSource[] = "C:\\swclean\\CleaningHelper.exe";
static const char kHelperFolder[] = "C:\\swclean\\";

// ---------------------------------------------------------------- report channel

static std::vector<std::string> g_lines;

static LRESULT CALLBACK ReportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MSG_REPORT_LINE) {
        g_lines.push_back(g_reportText);
        return 0;
    }
    if (message == MSG_STATUS) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

void InstallReportWindow() {
    if (g_hMainWnd != NULL) return;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReportWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "SwCleaningReport";
    RegisterClassA(&windowClass);
    g_hMainWnd = CreateWindowA("SwCleaningReport", "report", 0, 0, 0, 10, 10, NULL, NULL, windowClass.hInstance, NULL);
}

std::vector<std::string>& ReportLines() { return g_lines; }

int CountLines(const std::string& line) {
    return (int)std::count(g_lines.begin(), g_lines.end(), line);
}

void ResetScanState(int action) {
    InstallReportWindow();
    g_lines.clear();
    g_action = action;
    g_filesScanned = g_filesInfected = g_filesRemoved = g_restartNeeded = 0;
    g_forcedAction = 0;
    g_memoryHit = 0;
    g_memoryRestartNeeded = 0;
    memset(g_autorunValueName, 0, sizeof g_autorunValueName);
    memset(g_currentFilePath, 0, sizeof g_currentFilePath);
    g_messageBoxCalls.clear();
    g_restartRequests = 0;
}

::testing::AssertionResult RunsAs(const char* version) {
    struct Known { const char* name; DWORD platform, major, minor; };
    static const Known kKnown[] = {
        {"win98", 1, 4, 10}, {"nt40", 2, 4, 0}, {"win2k", 2, 5, 0}, {"winxp", 2, 5, 1}, {"win7", 2, 6, 1},
    };
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    for (const Known& known : kKnown) {
        if (strcmp(known.name, version) != 0) continue;
        if (info.dwPlatformId == known.platform && info.dwMajorVersion == known.major && info.dwMinorVersion == known.minor)
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "expected " << version << ", the prefix reports platform "
                                         << info.dwPlatformId << " version " << info.dwMajorVersion << "."
                                         << info.dwMinorVersion;
}

// ---------------------------------------------------------------- files

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string SystemFolder() {
    char path[MAX_PATH];
    GetSystemDirectoryA(path, sizeof path);
    return path;
}

std::string WindowsFolder() {
    char path[MAX_PATH];
    GetWindowsDirectoryA(path, sizeof path);
    return path;
}

// ---------------------------------------------------------------- helper processes

std::string HelperCopy(const std::string& name) {
    std::string folder = std::string(kHelperFolder) + "run";
    CreateDirectoryA(folder.c_str(), NULL);
    std::string path = folder + "\\" + name;
    EXPECT_TRUE(CopyFileA(kHelperSource, path.c_str(), FALSE)) << path;
    return path;
}

bool Child::Running() const {
    return process != NULL && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

// A guarded child has set its own security once a plain terminate-open of it fails.
static bool WaitUntilGuarded(DWORD id) {
    for (int i = 0; i < 100; i++) {
        HANDLE probe = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (probe == NULL) return true;
        CloseHandle(probe);
        Sleep(50);
    }
    return false;
}

Child StartChild(const std::string& image, const char* argument) {
    Child child;
    child.image = image;
    std::string line = "\"" + image + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> command(line.begin(), line.end());
    command.push_back(0);
    if (!CreateProcessA(image.c_str(), command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << line << ": error " << GetLastError();
        return child;
    }
    CloseHandle(info.hThread);
    child.process = info.hProcess;
    child.id = info.dwProcessId;
    if (strcmp(argument, "sleep") == 0) Sleep(300);
    else EXPECT_TRUE(WaitUntilGuarded(child.id)) << line;
    return child;
}

// Gives everyone every right on the process again, then ends it.
static void ForceEnd(DWORD id) {
    HANDLE owner = OpenProcess(WRITE_DAC, FALSE, id);
    if (owner != NULL) {
        SetSecurityInfo(owner, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, NULL, NULL);
        CloseHandle(owner);
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (process == NULL) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

// By the snapshot's file names: a helper that hides from the query cannot be asked for its path.
void EndHelperProcesses() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const char* name = strrchr(entry.szExeFile, '\\') ? strrchr(entry.szExeFile, '\\') + 1 : entry.szExeFile;
        if (_strnicmp(name, "swmem", 5) == 0 || _strnicmp(name, "swsvc", 5) == 0) ForceEnd(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
}

// ---------------------------------------------------------------- services

struct ServiceHandles {
    SC_HANDLE manager = NULL, service = NULL;
    explicit ServiceHandles(const std::string& name) {
        manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
        if (manager != NULL) service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
    }
    ~ServiceHandles() {
        if (service != NULL) CloseServiceHandle(service);
        if (manager != NULL) CloseServiceHandle(manager);
    }
    SERVICE_STATUS_PROCESS Status() const {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (service != NULL) QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, (BYTE*)&status, sizeof status, &needed);
        return status;
    }
};

bool StartServiceAndWait(const std::string& name) {
    ServiceHandles handles(name);
    if (handles.service == NULL || !StartServiceA(handles.service, 0, NULL)) return false;
    for (int i = 0; i < 100; i++) {
        if (handles.Status().dwCurrentState == SERVICE_RUNNING) return true;
        Sleep(50);
    }
    return false;
}

DWORD ServiceState(const std::string& name) { return ServiceHandles(name).Status().dwCurrentState; }
DWORD ServiceProcessId(const std::string& name) { return ServiceHandles(name).Status().dwProcessId; }

// ---------------------------------------------------------------- registry

bool CreateMachineKey(const std::string& path) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool MachineKeyExists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteMachineTree(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[256];
    for (;;) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        DeleteMachineTree(path + "\\" + name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

void SetValue(const std::string& key, const std::string& name, const std::string& data, DWORD type) {
    ASSERT_TRUE(CreateMachineKey(key)) << key;
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &handle));
    // Strings are stored with their terminator, binary data as given.
    DWORD size = (DWORD)data.size() + (type == REG_BINARY ? 0 : 1);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, name.c_str(), 0, type, (const BYTE*)data.c_str(), size));
    RegCloseKey(handle);
}

bool ValueExists(const std::string& key, const std::string& name) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    bool exists = RegQueryValueExA(handle, name.c_str(), NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return exists;
}

std::vector<std::string> ValueNames(const std::string& key) {
    std::vector<std::string> names;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return names;
    static char name[16384];
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name;
        if (RegEnumValueA(handle, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(handle);
    return names;
}

static void SnapshotInto(const std::string& path, std::vector<std::string>& out) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out.push_back(path);
    static char name[16384];
    static BYTE data[65536];
    for (DWORD i = 0;; i++) {
        DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, NULL, &type, data, &dataLength) != ERROR_SUCCESS) break;
        out.push_back(path + "|" + name + "=" + std::to_string(type) + ":" + std::string((char*)data, dataLength));
    }
    std::vector<std::string> subKeys;
    for (DWORD i = 0;; i++) {
        char subKey[256];
        DWORD length = sizeof subKey;
        if (RegEnumKeyExA(key, i, subKey, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        subKeys.push_back(subKey);
    }
    RegCloseKey(key);
    for (const std::string& subKey : subKeys) SnapshotInto(path + "\\" + subKey, out);
}

std::vector<std::string> Snapshot(const std::string& key) {
    std::vector<std::string> out;
    SnapshotInto(key, out);
    return out;
}
