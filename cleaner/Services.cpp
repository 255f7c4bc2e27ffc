// Services: stopping one, whether it runs a given file, and deleting its keys in both control sets.
#include "cleaner/Services.h"

#include <windows.h>
#include <stdio.h>

#include "app/MessagePump.h"
#include "cleaner/Advapi32.h"
#include "cleaner/ProcessKill.h"
#include "framework/KernelHandles.h"

// How long a service may report stop-pending before the stop counts as failed. Windows
// itself gives a service about this long to stop at shutdown.
static const int kStopPendingLimitSeconds = 30;
// A service name may have 256 characters; the longest prefix and suffix take 40 more.
enum { kServiceKeyPathSize = 512 };
// The most a service's configuration (its record and all its texts) can take.
enum { kServiceConfigSize = 8192, kCommandSize = 1024 };

static const char kSet1[] = "SYSTEM\\ControlSet001\\Services\\";
static const char kSet2[] = "SYSTEM\\ControlSet002\\Services\\";

// Sends the stop control and waits while the service reports stop-pending.
static bool SendStopAndWait(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    const Advapi32Functions& advapi = Advapi32();
    if (!advapi.controlService(service, SERVICE_CONTROL_STOP, &status)) return false;
    SERVICE_STATUS latest = {};
    for (int waited = 0; advapi.queryServiceStatus(service, &latest); waited++) {
        status = latest;
        if (status.dwCurrentState != SERVICE_STOP_PENDING || waited == kStopPendingLimitSeconds) break;
        WaitPumping(NULL, 1000);
    }
    return status.dwCurrentState == SERVICE_STOPPED;
}

bool StopService(const char* serviceName) {
    const Advapi32Functions& advapi = Advapi32();
    CServiceHandle manager(advapi.openSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    if (!manager.IsValid()) return false;
    CServiceHandle service(advapi.openServiceA(manager, serviceName, SERVICE_ALL_ACCESS));
    return service.IsValid() && SendStopAndWait(service);
}

// A service's command line runs the file when the program it names is that file. Environment
// strings are expanded and quotes and arguments set aside; an unquoted path may hold blanks,
// so each text up to a blank is tried, as the service manager itself does.
static bool CommandRunsFile(const char* command, const char* filePath) {
    char expanded[kCommandSize];
    DWORD length = ExpandEnvironmentStringsA(command, expanded, sizeof expanded);
    if (length == 0 || length > sizeof expanded) return false;
    if (expanded[0] == '"') {
        char* closing = strchr(expanded + 1, '"');
        if (closing != NULL) *closing = '\0';
        return SameFilePath(expanded + 1, filePath);
    }
    for (size_t end = 0;; end++) {
        char kept = expanded[end];
        if (kept != ' ' && kept != '\0') continue;
        expanded[end] = '\0';
        if (SameFilePath(expanded, filePath)) return true;
        if (kept == '\0') return false;
        expanded[end] = kept;
    }
}

// False when the service manager knows no service of that name; otherwise its configured
// command line (empty when the configuration cannot be read).
static bool ConfiguredCommand(const char* serviceName, char* command, int size) {
    const Advapi32Functions& advapi = Advapi32();
    CServiceHandle manager(advapi.openSCManagerA(NULL, NULL, SC_MANAGER_CONNECT));
    if (!manager.IsValid()) return false;
    CServiceHandle service(advapi.openServiceA(manager, serviceName, SERVICE_QUERY_CONFIG));
    if (!service.IsValid()) return false;
    DWORD config[kServiceConfigSize / sizeof(DWORD)];
    DWORD needed = 0;
    QUERY_SERVICE_CONFIGA* record = (QUERY_SERVICE_CONFIGA*)config;
    bool read = advapi.queryServiceConfigA(service, record, sizeof config, &needed) && record->lpBinaryPathName != NULL;
    lstrcpynA(command, read ? record->lpBinaryPathName : "", size);
    return true;
}

static bool ServiceKeyPath(const char* prefix, const char* serviceName, const char* suffix, char* path) {
    int length = _snprintf(path, kServiceKeyPathSize, "%s%s%s", prefix, serviceName, suffix);
    return length >= 0 && length < kServiceKeyPathSize;
}

static bool ImagePathRunsFile(const char* prefix, const char* serviceName, const char* filePath) {
    char path[kServiceKeyPathSize];
    CRegKey key;
    if (!ServiceKeyPath(prefix, serviceName, "", path) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    CRegValue command;
    if (key.QueryValue("ImagePath", &command) != ERROR_SUCCESS ||
        (command.Type() != REG_SZ && command.Type() != REG_EXPAND_SZ))
        return false;
    return CommandRunsFile(command.Text(), filePath);
}

bool ServiceRunsFile(const char* serviceName, const char* filePath) {
    char command[kCommandSize];
    if (ConfiguredCommand(serviceName, command, sizeof command)) return CommandRunsFile(command, filePath);
    return ImagePathRunsFile(kSet1, serviceName, filePath) || ImagePathRunsFile(kSet2, serviceName, filePath);
}

int DeleteMachineKey(const char* keyPath) {
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) == ERROR_SUCCESS ? 1 : 0;
}

// Subkeys before the service key: each deletion removes one key only, so the service key
// goes when "Enum" and "Security" were its only subkeys.
static const struct {
    const char* prefix;
    const char* suffix;
} kServiceKeys[] = {
    {kSet1, "\\Enum"},     {kSet1, "\\Security"}, {kSet1, ""}, {"SYSTEM\\CONTROLSET002\\SERVICES\\", "\\Enum"},
    {kSet2, "\\Security"}, {kSet2, ""},
};

int DeleteServiceKeys(const char* serviceName) {
    // An empty name would make the third path the Services key itself.
    if (serviceName[0] == '\0') return 0;
    int deleted = 0;
    for (const auto& key : kServiceKeys) {
        char path[kServiceKeyPathSize];
        if (ServiceKeyPath(key.prefix, serviceName, key.suffix, path)) deleted |= DeleteMachineKey(path);
    }
    return deleted;
}
