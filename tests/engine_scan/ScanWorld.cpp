// A private folder per test under Wine.
#include "tests/engine_scan/ScanWorld.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Deep test trees go beyond what the ANSI calls take: their children are reached through
// the folder's short path and, where needed, their own short names.
void EmptyFolder(const std::string& path) {
    std::string base = path;
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    if (length > 0 && length < sizeof shortPath) base = shortPath;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((base + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = base + "\\" + name;
        if (child.size() >= MAX_PATH && entry.cAlternateFileName[0]) child = base + "\\" + entry.cAlternateFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

bool RemoveTree(const std::string& path) {
    EmptyFolder(path);
    return RemoveDirectoryA(path.c_str()) != 0;
}

TestFolder::TestFolder(const std::string& name, const std::string& root) : m_isDriveRoot(name.empty()) {
    if (m_isDriveRoot) {
        m_path = root.substr(0, root.size() - 1);
        EmptyFolder(m_path);
        return;
    }
    char suffix[32];
    sprintf(suffix, "_%lu", GetCurrentProcessId());
    m_path = root + name + suffix;
    RemoveTree(m_path);
    CreateDirectoryA(m_path.c_str(), NULL);
}

TestFolder::~TestFolder() {
    // Removing "E:" itself would remove the folder the drive is mapped to.
    if (m_isDriveRoot)
        EmptyFolder(m_path);
    else
        RemoveTree(m_path);
}

std::string TestFolder::MakeFolder(const std::string& relative) const {
    std::string path = m_path;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        path += "\\" + relative.substr(start, end - start);
        CreateDirectoryA(path.c_str(), NULL);
        start = end + 1;
    }
    return path;
}

std::string TestFolder::CopySample(const std::string& sample, const std::string& relative) const {
    std::string target = At(relative);
    EXPECT_TRUE(CopyFileA(SamplePath(sample).c_str(), target.c_str(), FALSE)) << sample << " -> " << target;
    return target;
}

std::string TestFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    std::string target = At(relative);
    FILE* file = fopen(target.c_str(), "wb");
    EXPECT_TRUE(file != NULL) << target;
    if (file) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
    return target;
}
