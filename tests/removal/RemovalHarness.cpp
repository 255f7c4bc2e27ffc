// The removal tests' own pieces: per-test folders, the helper programs, deferrals checked after a restart.
#include "tests/removal/RemovalHarness.h"

#include <stdio.h>
#include <string.h>

#include "app/ScanState.h"
#include "framework/KernelHandles.h"

std::string FileLine(const std::string& path, const std::string& name, const std::string& outcome) {
    return path + "     " + name + " " + outcome;
}

static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search.IsValid()) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
            RemoveDirectoryA(path.c_str());
        } else
            DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
}

std::string TestFolder() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("C:\\removal\\") + test->test_suite_name() + "." + test->name();
}

void RemovalTest::SetUp() {
    ResetScanState(ACTION_REMOVE);
    m_folder = TestFolder();
    CreateDirectoryA("C:\\removal", NULL);
    CreateDirectoryA(m_folder.c_str(), NULL);
    RemoveTree(m_folder);
}

std::string MakeFile(const std::string& name, size_t size) {
    std::string path = TestFolder() + "\\" + name;
    WriteFileBytes(path, std::string(size, '\xBD'));
    return path;
}

std::string HelperProgram(const char* name) {
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string folder = self;
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

void ExpectGoneAfterRestart(const std::string& path) {
    FILE* list = fopen("C:\\removal\\gone-after-restart.txt", "ab");
    ASSERT_TRUE(list != NULL);
    fprintf(list, "%s\n", path.c_str());
    fclose(list);
}

void ApplyAction(const char* path, const char* variantName) {
    CLowFile file(OpenExaminedFile(path));
    ApplyExaminedAction(file, path, variantName);
}

::testing::AssertionResult StartLookalikeAt(const std::string& path, std::unique_ptr<ChildProcess>* child) {
    if (!CopyFileA(HelperProgram("Lookalike.exe").c_str(), path.c_str(), FALSE))
        return ::testing::AssertionFailure() << "cannot copy the look-alike to " << path;
    child->reset(new ChildProcess(path));
    return WaitUntilLoaded(**child) << " (" << path << ")";
}

::testing::AssertionResult WaitUntilHeld(const std::string& path) {
    // The probe is closed before each pause, so that the holder can open the file meanwhile.
    for (int i = 0; i < kStartLooks; ++i, Sleep(50)) {
        CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     NULL, OPEN_EXISTING, 0, NULL));
        if (!file.IsValid() && GetLastError() == ERROR_SHARING_VIOLATION) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << path << " was never held open";
}
