// The folders and files the scanning tests work on.
#include "tests/engine_scan/ScanWorld.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    FILE* file = fopen(path.c_str(), "r");
    if (file == NULL) return lines;
    char line[1024];
    while (fgets(line, sizeof line, file)) {
        line[strcspn(line, "\r\n")] = 0;
        lines.push_back(line);
    }
    fclose(file);
    return lines;
}

std::vector<ManifestEntry> ReadManifest()
{
    std::vector<ManifestEntry> entries;
    for (const std::string& line : ReadLines(std::string(kSamplesFolder) + "\\manifest.txt")) {
        char file[128], name[64], kind[64];
        ManifestEntry entry;
        if (sscanf(line.c_str(), "%127[^\t]\t%d\t%63[^\t]\t%63[^\t]\t%ld", file, &entry.expected, name, kind,
                   &entry.size) != 5)
            continue;
        entry.file = file;
        entry.name = name;
        entry.kind = kind;
        entries.push_back(entry);
    }
    return entries;
}

std::string SamplePath(const std::string& file) { return std::string(kSamplesFolder) + "\\" + file; }

void EmptyFolder(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            // A child whose long path the ANSI calls refuse is reached through its short name.
            if (child.size() >= MAX_PATH && entry.cAlternateFileName[0]) child = path + "\\" + entry.cAlternateFileName;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
}

bool RemoveTree(const std::string& path)
{
    EmptyFolder(path);
    return RemoveDirectoryA(path.c_str()) != 0;
}

TestFolder::TestFolder(const std::string& name, const std::string& root)
    : m_isDriveRoot(name.empty())
{
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

TestFolder::~TestFolder()
{
    // Removing "E:" itself would remove the folder the drive is mapped to.
    if (m_isDriveRoot) EmptyFolder(m_path);
    else RemoveTree(m_path);
}

std::string TestFolder::MakeFolder(const std::string& relative) const
{
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

std::string TestFolder::CopySample(const std::string& sample, const std::string& relative) const
{
    std::string target = At(relative);
    EXPECT_TRUE(CopyFileA(SamplePath(sample).c_str(), target.c_str(), FALSE)) << sample << " -> " << target;
    return target;
}

std::string TestFolder::WriteFile(const std::string& relative, const std::string& bytes) const
{
    std::string target = At(relative);
    FILE* file = fopen(target.c_str(), "wb");
    EXPECT_TRUE(file != NULL) << target;
    if (file) {
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
    return target;
}

::testing::AssertionResult AllZero(const void* bytes, size_t length)
{
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length; ++i)
        if (data[i] != 0) return ::testing::AssertionFailure() << "byte " << i << " is " << (int)data[i];
    return ::testing::AssertionSuccess();
}
