// The generated look-alike samples and their manifest.
#include "tests/engine_scan/SampleFiles.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#ifdef _WIN32
const std::string& SamplesFolder() {
    static const std::string folder = "D:\\samples";
    return folder;
}
#else
namespace {
std::string g_nativeFolder;
void RemoveNativeFolder() { (void)!system(("rm -rf '" + g_nativeFolder + "'").c_str()); }
}   // namespace

const std::string& SamplesFolder() {
    if (g_nativeFolder.empty()) {
        char folder[] = "/tmp/sw_samples_XXXXXX";
        if (mkdtemp(folder) == NULL) abort();
        g_nativeFolder = folder;
        atexit(RemoveNativeFolder);
        std::string command = "/usr/bin/python3 '" SW_SAMPLE_GENERATOR "' --out '" + g_nativeFolder + "' >/dev/null";
        if (system(command.c_str()) != 0) abort();
    }
    return g_nativeFolder;
}
#endif

std::string SamplePath(const std::string& file) {
#ifdef _WIN32
    return SamplesFolder() + "\\" + file;
#else
    return SamplesFolder() + "/" + file;
#endif
}

std::string ScratchPath(const std::string& name) {
#ifdef _WIN32
    return "D:\\" + name + "_" + std::to_string(_getpid());
#else
    return "/tmp/" + name + "_" + std::to_string(getpid());
#endif
}

std::vector<std::string> ReadLines(const std::string& path) {
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

std::vector<ManifestEntry> ReadManifest() {
    std::vector<ManifestEntry> entries;
    for (const std::string& line : ReadLines(SamplePath("manifest.txt"))) {
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

::testing::AssertionResult AllZero(const void* bytes, size_t length) {
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length; ++i)
        if (data[i] != 0) return ::testing::AssertionFailure() << "byte " << i << " is " << (int)data[i];
    return ::testing::AssertionSuccess();
}
