// The generated look-alike samples and their manifest, for the Wine and the native builds.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct ManifestEntry {
    std::string file;
    int expected;       // record number the matcher must report, 0 for clean
    std::string name;   // that record's name, "-" for clean
    std::string kind;   // layout or near-miss kind
    long size;
};

const char kCheckerName[] = "W32/Drellmoxin.Trojan ";

// Under Wine D:\samples, written by the scan world's set-up; natively a temporary folder that the
// first call fills by running the generator.
const std::string& SamplesFolder();
std::string SamplePath(const std::string& file);
std::vector<ManifestEntry> ReadManifest();
std::vector<std::string> ReadLines(const std::string& path);
// A file name of this process's own in a scratch folder (D:\ under Wine, /tmp natively).
std::string ScratchPath(const std::string& name);

::testing::AssertionResult AllZero(const void* bytes, size_t length);
