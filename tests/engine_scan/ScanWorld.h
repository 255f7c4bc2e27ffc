// The folders and files the scanning tests work on: the generated samples on D:, and a
// private folder per test that is removed again when the test ends.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct ManifestEntry {
    std::string file;
    int expected;          // record number the matcher must report, 0 for clean
    std::string name;      // that record's name, "-" for clean
    std::string kind;      // layout or near-miss kind
    long size;
};

const char kSamplesFolder[] = "D:\\samples";
const char kCheckerName[] = "W32/Drellmoxin.Trojan ";

std::vector<ManifestEntry> ReadManifest();
std::string SamplePath(const std::string& file);
std::vector<std::string> ReadLines(const std::string& path);
void EmptyFolder(const std::string& path);
bool RemoveTree(const std::string& path);

// A private folder, D:\<name>_<process id> unless another root is given; emptied first.
// With an empty name it is the root itself (E:\ or F:\), emptied but never removed.
class TestFolder {
public:
    explicit TestFolder(const std::string& name, const std::string& root = "D:\\");
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string At(const std::string& relative) const { return m_path + "\\" + relative; }
    // Creates the folder and the folders above it below Path().
    std::string MakeFolder(const std::string& relative) const;
    std::string CopySample(const std::string& sample, const std::string& relative) const;
    std::string WriteFile(const std::string& relative, const std::string& bytes) const;

private:
    std::string m_path;
    bool m_isDriveRoot;
};

::testing::AssertionResult AllZero(const void* bytes, size_t length);
