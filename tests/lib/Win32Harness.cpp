// The shared Win32 test harness: files, child processes, registry keys and a message-box watcher.
#include "tests/lib/Win32Harness.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include "framework/KernelHandles.h"

::testing::AssertionResult RunsAs(const char* version) {
    struct Known {
        const char* name;
        DWORD platform, major, minor;
    };
    static const Known kKnown[] = {
        {"win98", 1, 4, 10}, {"nt40", 2, 4, 0}, {"win2k", 2, 5, 0}, {"winxp", 2, 5, 1}, {"win7", 2, 6, 1},
    };
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    for (const Known& known : kKnown) {
        if (version == NULL || strcmp(known.name, version) != 0) continue;
        if (info.dwPlatformId == known.platform && info.dwMajorVersion == known.major &&
            info.dwMinorVersion == known.minor)
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "expected " << (version ? version : "(no version)")
                                         << ", the prefix reports platform " << info.dwPlatformId << " version "
                                         << info.dwMajorVersion << "." << info.dwMinorVersion;
}

// ---------------------------------------------------------------- files

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    ASSERT_TRUE(file.IsValid()) << path << " error " << GetLastError();
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    file.Close();
    ASSERT_EQ(written, bytes.size()) << path;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    fclose(file);
    return bytes;
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

// ---------------------------------------------------------------- processes

ChildProcess::ChildProcess(const std::string& image, const std::string& argument) {
    memset(&m_info, 0, sizeof m_info);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + image + "\"" + (argument.empty() ? "" : " " + argument);
    if (!CreateProcessA(image.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &m_info))
        memset(&m_info, 0, sizeof m_info);
}

ChildProcess::~ChildProcess() {
    if (!m_info.hProcess) return;
    if (!Ended(0)) {
        TerminateProcess(m_info.hProcess, 99);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
    CloseHandle(m_info.hThread);
    CloseHandle(m_info.hProcess);
}

bool ChildProcess::Ended(DWORD milliseconds) const {
    return WaitForSingleObject(m_info.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

::testing::AssertionResult WaitUntilLoaded(const ChildProcess& child) {
    for (int i = 0; i < kStartLooks && child.Started() && !child.Ended(0); ++i) {
        char path[MAX_PATH];
        if (GetModuleFileNameExA(child.Handle(), NULL, path, sizeof path) > 0) return ::testing::AssertionSuccess();
        Sleep(50);
    }
    return ::testing::AssertionFailure() << "the process did not come to run, error " << GetLastError();
}

MessageBoxWatcher::MessageBoxWatcher(const std::string& caption)
    : m_caption(caption), m_stop(false), m_thread(&MessageBoxWatcher::Watch, this) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> MessageBoxWatcher::Texts() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_texts;
}

void MessageBoxWatcher::Watch() {
    while (!m_stop) {
        HWND box = FindWindowA("#32770", m_caption.c_str());
        if (box && IsWindowVisible(box)) {
            char text[256] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);   // the message box's text control
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_texts.push_back(text);
            }
            SendMessageA(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
        }
        Sleep(50);
    }
}

// ---------------------------------------------------------------- registry

static LONG OpenMachineKey(const std::string& path, REGSAM access, CRegKey* key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key->Receive());
}

bool CreateMachineKey(const std::string& path) {
    CRegKey key;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, key.Receive(), NULL) ==
           ERROR_SUCCESS;
}

bool MachineKeyExists(const std::string& path) {
    CRegKey key;
    return OpenMachineKey(path, KEY_READ, &key) == ERROR_SUCCESS;
}

void DeleteMachineTree(const std::string& path) {
    CRegKey key;
    if (OpenMachineKey(path, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    // A subkey that cannot be deleted (Wine opens no ANSI path longer than 260 characters)
    // comes first again: stop there rather than loop.
    char name[256], previous[256] = "";
    for (;;) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS || !strcmp(name, previous))
            break;
        DeleteMachineTree(path + "\\" + name);
        strcpy(previous, name);
    }
    key.Close();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

void SetValue(const std::string& key, const std::string& name, const std::string& data, DWORD type) {
    ASSERT_TRUE(CreateMachineKey(key)) << key;
    CRegKey handle;
    ASSERT_EQ(ERROR_SUCCESS, OpenMachineKey(key, KEY_ALL_ACCESS, &handle));
    DWORD size = (DWORD)data.size() + (type == REG_BINARY ? 0 : 1);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, name.c_str(), 0, type, (const BYTE*)data.c_str(), size));
}

bool ValueExists(const std::string& key, const std::string& name) {
    CRegKey handle;
    return OpenMachineKey(key, KEY_READ, &handle) == ERROR_SUCCESS &&
           RegQueryValueExA(handle, name.c_str(), NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
}

std::string ValueData(const std::string& key, const std::string& name) {
    CRegKey handle;
    static char data[65536];
    DWORD size = sizeof data;
    if (OpenMachineKey(key, KEY_READ, &handle) != ERROR_SUCCESS ||
        RegQueryValueExA(handle, name.c_str(), NULL, NULL, (BYTE*)data, &size) != ERROR_SUCCESS)
        return "";
    return std::string(data, size);
}

std::vector<std::string> ValueNames(const std::string& key) {
    std::vector<std::string> names;
    CRegKey handle;
    if (OpenMachineKey(key, KEY_READ, &handle) != ERROR_SUCCESS) return names;
    static char name[16384];
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name;
        if (RegEnumValueA(handle, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    return names;
}

static void SnapshotInto(const std::string& path, std::vector<std::string>& out) {
    CRegKey key;
    if (OpenMachineKey(path, KEY_READ, &key) != ERROR_SUCCESS) return;
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
    key.Close();
    for (const std::string& subKey : subKeys) SnapshotInto(path + "\\" + subKey, out);
}

std::vector<std::string> Snapshot(const std::string& key) {
    std::vector<std::string> out;
    SnapshotInto(key, out);
    return out;
}

std::string PendingRenames() {
    return ValueData("System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations");
}
