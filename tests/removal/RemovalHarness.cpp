#include "tests/removal/RemovalHarness.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include "app/ScanState.h"

std::string FileLine(const std::string& path, const std::string& name, const std::string& outcome)
{
    return path + "     " + name + " " + outcome;
}

static void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
            RemoveDirectoryA(path.c_str());
        } else
            DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string TestFolder()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("C:\\removal\\") + test->test_suite_name() + "." + test->name();
}

void RemovalTest::SetUp()
{
    ResetScanState(ACTION_REMOVE);
    m_folder = TestFolder();
    CreateDirectoryA("C:\\removal", NULL);
    CreateDirectoryA(m_folder.c_str(), NULL);
    RemoveTree(m_folder);
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size()) << path;
}

std::string MakeFile(const std::string& name, size_t size)
{
    std::string path = TestFolder() + "\\" + name;
    WriteFileBytes(path, std::string(size, '\xBD'));
    return path;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

std::string HelperProgram(const char* name)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string folder = self;
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

void ExpectGoneAfterRestart(const std::string& path)
{
    FILE* list = fopen("C:\\removal\\gone-after-restart.txt", "ab");
    ASSERT_TRUE(list != NULL);
    fprintf(list, "%s\n", path.c_str());
    fclose(list);
}

std::string PendingRenames()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char data[16384];
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, "PendingFileRenameOperations", NULL, NULL, (BYTE*)data, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data, size) : "";
}

ChildProcess::ChildProcess(const std::string& image, const std::string& argument)
{
    memset(&m_info, 0, sizeof m_info);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + image + "\"" + (argument.empty() ? "" : " " + argument);
    if (!CreateProcessA(image.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &m_info))
        memset(&m_info, 0, sizeof m_info);
}

ChildProcess::~ChildProcess()
{
    if (!m_info.hProcess)
        return;
    if (!Ended(0)) {
        TerminateProcess(m_info.hProcess, 99);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
    CloseHandle(m_info.hThread);
    CloseHandle(m_info.hProcess);
}

bool ChildProcess::Ended(DWORD milliseconds) const
{
    return WaitForSingleObject(m_info.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

::testing::AssertionResult WaitUntilLoaded(const ChildProcess& child)
{
    for (int i = 0; i < 100 && child.Started() && !child.Ended(0); ++i) {
        char path[MAX_PATH];
        if (GetModuleFileNameExA(child.Handle(), NULL, path, sizeof path) > 0)
            return ::testing::AssertionSuccess();
        Sleep(50);
    }
    return ::testing::AssertionFailure() << "the process did not come to run, error " << GetLastError();
}

::testing::AssertionResult StartLookalikeAt(const std::string& path, std::unique_ptr<ChildProcess>* child)
{
    if (!CopyFileA(HelperProgram("Lookalike.exe").c_str(), path.c_str(), FALSE))
        return ::testing::AssertionFailure() << "cannot copy the look-alike to " << path;
    child->reset(new ChildProcess(path));
    return WaitUntilLoaded(**child) << " (" << path << ")";
}

::testing::AssertionResult WaitUntilHeld(const std::string& path)
{
    for (int i = 0; i < 100; ++i) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
            return ::testing::AssertionSuccess();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        Sleep(50);
    }
    return ::testing::AssertionFailure() << path << " was never held open";
}

MessageBoxWatcher::MessageBoxWatcher(const std::string& caption)
    : m_caption(caption), m_stop(false), m_thread(&MessageBoxWatcher::Watch, this)
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> MessageBoxWatcher::Texts()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_texts;
}

void MessageBoxWatcher::Watch()
{
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
            for (int i = 0; i < 100 && IsWindow(box); ++i)
                Sleep(20);
        }
        Sleep(50);
    }
}
