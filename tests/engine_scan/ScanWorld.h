// A private folder per test under Wine, on D: (or a drive root of its own), removed again
// when the test ends.
#pragma once
#include "tests/engine_scan/SampleFiles.h"
#include <string>
#include <vector>

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
