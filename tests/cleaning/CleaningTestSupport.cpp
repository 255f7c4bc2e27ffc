// The cleaning tests' own pieces: the doubles' records, the report window, the helper's processes and services.
#include "tests/cleaning/CleaningTestSupport.h"

#include <aclapi.h>
#include <tlhelp32.h>
#include <string.h>

#include <algorithm>

#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/Advapi32.h"
#include "cleaner/MemoryScan.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"
#include "framework/KernelHandles.h"

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

int CountLines(const std::string& line) { return (int)std::count(g_lines.begin(), g_lines.end(), line); }

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
    g_mayRestart = true;
    ResetPumpGap();
}

// ---------------------------------------------------------------- helper processes

std::string HelperCopy(const std::string& name) {
    std::string folder = std::string(kHelperFolder) + "run";
    CreateDirectoryA(folder.c_str(), NULL);
    std::string path = folder + "\\" + name;
    EXPECT_TRUE(CopyFileA(kHelperSource, path.c_str(), FALSE)) << path;
    return path;
}

// A guarded child has set its own security once a plain terminate-open of it fails.
static bool WaitUntilGuarded(DWORD id) {
    for (int i = 0; i < 100; i++) {
        CHandle probe(OpenProcess(PROCESS_TERMINATE, FALSE, id));
        if (!probe.IsValid()) return true;
        Sleep(50);
    }
    return false;
}

std::unique_ptr<ChildProcess> StartChild(const std::string& image, const char* argument) {
    std::unique_ptr<ChildProcess> child(new ChildProcess(image, argument));
    EXPECT_TRUE(child->Started()) << "cannot start " << image << " " << argument << ": error " << GetLastError();
    if (strcmp(argument, "sleep") == 0)
        EXPECT_TRUE(WaitUntilLoaded(*child)) << image;
    else
        EXPECT_TRUE(WaitUntilGuarded(child->Id())) << image << " " << argument;
    return child;
}

// Gives everyone every right on the process again, then ends it.
static void ForceEnd(DWORD id) {
    CHandle owner(OpenProcess(WRITE_DAC, FALSE, id));
    if (owner.IsValid()) SetSecurityInfo(owner, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, NULL, NULL);
    CHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process.IsValid()) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
}

// By the snapshot's file names: a helper that hides from the query cannot be asked for its path.
void EndHelperProcesses() {
    CFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const char* name = strrchr(entry.szExeFile, '\\') ? strrchr(entry.szExeFile, '\\') + 1 : entry.szExeFile;
        if (_strnicmp(name, "swmem", 5) == 0 || _strnicmp(name, "swsvc", 5) == 0) ForceEnd(entry.th32ProcessID);
    }
}

// ---------------------------------------------------------------- services

struct ServiceHandles {
    CServiceHandle manager, service;
    explicit ServiceHandles(const std::string& name) : manager(OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS)) {
        if (manager.IsValid()) service.Attach(OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS));
    }
    SERVICE_STATUS_PROCESS Status() const {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (service != NULL)
            QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, (BYTE*)&status, sizeof status, &needed);
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
