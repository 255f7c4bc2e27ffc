#include "cleaner/Services.h"

#include <windows.h>
#include <stdio.h>

// How long a service may report stop-pending before the stop counts as failed. Windows
// itself gives a service about this long to stop at shutdown.
static const int kStopPendingLimitSeconds = 30;

// Sends the stop control and waits while the service reports stop-pending.
static bool SendStopAndWait(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) return false;
    SERVICE_STATUS latest = {};
    for (int waited = 0; QueryServiceStatus(service, &latest); waited++) {
        status = latest;
        if (status.dwCurrentState != SERVICE_STOP_PENDING || waited == kStopPendingLimitSeconds) break;
        Sleep(1000);
    }
    return status.dwCurrentState == SERVICE_STOPPED;
}

bool StopService(const char* serviceName) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) return false;
    bool stopped = false;
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_ALL_ACCESS);
    if (service != NULL) {
        stopped = SendStopAndWait(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return stopped;
}

int DeleteMachineKey(const char* keyPath) {
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) == ERROR_SUCCESS ? 1 : 0;
}

// Subkeys before the service key: each deletion removes one key only, so the service key
// goes when "Enum" and "Security" were its only subkeys.
static const struct { const char* prefix; const char* suffix; } kServiceKeys[] = {
    {"SYSTEM\\ControlSet001\\Services\\", "\\Enum"},
    {"SYSTEM\\ControlSet001\\Services\\", "\\Security"},
    {"SYSTEM\\ControlSet001\\Services\\", ""},
    {"SYSTEM\\CONTROLSET002\\SERVICES\\", "\\Enum"},
    {"SYSTEM\\ControlSet002\\Services\\", "\\Security"},
    {"SYSTEM\\ControlSet002\\Services\\", ""},
};

int DeleteServiceKeys(const char* serviceName) {
    // An empty name would make the third path the Services key itself.
    if (serviceName[0] == '\0') return 0;
    int deleted = 0;
    for (const auto& key : kServiceKeys) {
        char path[MAX_PATH];
        int length = _snprintf(path, sizeof path, "%s%s%s", key.prefix, serviceName, key.suffix);
        if (length < 0 || length >= (int)sizeof path) continue;   // a name too long for any key
        deleted |= DeleteMachineKey(path);
    }
    return deleted;
}
