// False positives: no file of a fresh prefix's C: (Wine's programs and libraries, real PE
// files) matches, neither by the real table nor when the size tests are taken away. Also
// measures the matcher's throughput on these clean files.
#include "app/ScanState.h"
#include "engine/DirectoryWalk.h"
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "engine/SignatureTable.h"
#include "tests/engine_scan/ScanDoubles.h"
#include "tests/engine_scan/ScanWorld.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

void ListFiles(const std::string& folder, std::vector<std::string>& files) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + "\\" + name, files);
        else
            files.push_back(folder + "\\" + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

// Read independently of the matcher: "PE\0\0" where the whole 32-bit e_lfanew points.
bool IsPeFile(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == NULL) return false;
    unsigned char dos[64], signature[4] = {};
    bool pe = fread(dos, 1, sizeof dos, file) == sizeof dos && dos[0] == 'M' && dos[1] == 'Z' &&
              fseek(file, (long)(dos[60] | dos[61] << 8 | dos[62] << 16 | (unsigned)dos[63] << 24), SEEK_SET) == 0 &&
              fread(signature, 1, 4, file) == 4 && memcmp(signature, "PE\0\0", 4) == 0;
    fclose(file);
    return pe;
}

class Corpus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_files = new std::vector<std::string>;
        ListFiles("C:", *s_files);
    }
    static void TearDownTestSuite() {
        delete s_files;
        s_files = NULL;
    }
    void SetUp() override { ResetScanDoubles(); }
    void TearDown() override { ResetScanDoubles(); }

    // Checks every file and returns how many matched (with the calls they caused).
    static int Matches() {
        int matched = 0;
        for (const std::string& path : *s_files) {
            if (CheckFile(kCheckerName, path.c_str()) != 0) {
                ADD_FAILURE() << path << " matched as " << g_detectedName;
                ++matched;
            }
        }
        return matched;
    }

    static std::vector<std::string>* s_files;
};

std::vector<std::string>* Corpus::s_files;

TEST_F(Corpus, NoFileOfAFreshPrefixMatches) {
    int pe = 0;
    for (const std::string& path : *s_files) pe += IsPeFile(path);
    printf("C: holds %u files, %d of them PE files\n", (unsigned)s_files->size(), pe);
    ASSERT_GT(pe, 500);
    EXPECT_EQ(0, Matches());
    EXPECT_EQ(0, g_filesInfected);
    EXPECT_TRUE(g_actionCalls.empty());
}

TEST_F(Corpus, NoFileMatchesEvenWithoutTheSizeTests) {
    // Every record tested on every file: only the signatures decide.
    std::vector<SignatureRecord> sizeBlind(g_signatureTable, g_signatureTable + 47);
    for (SignatureRecord& record : sizeBlind)
        if (record.name[0]) record.sizeTest = 3;
    g_activeSignatureTable = sizeBlind.data();
    EXPECT_EQ(0, Matches());
}

TEST_F(Corpus, TheWalkOverDriveCCountsEveryFileAndFindsNothing) {
    EXPECT_EQ((int)s_files->size(), WalkFolder("C:\\*.*"));
    EXPECT_EQ((int)s_files->size(), g_filesScanned);
    EXPECT_EQ(0, g_filesInfected);
    EXPECT_TRUE(g_actionCalls.empty());
    EXPECT_TRUE(g_appendedLines.empty());
    // The prefix has a Program Files folder: noted for a second pass, and entered in the first.
    EXPECT_EQ(1, g_pendingFolderSet);
    EXPECT_STREQ("C:\\Program Files\\*.*", g_pendingFolder);
    EXPECT_EQ(1, g_pendingFolderSeen);
}

// What the matcher does for a file no record's size fits when it reads the headers first.
int ReadHeadersOnly(const char* path) {
    CLowFile file(OpenExaminedFile(path));
    if (!file.IsValid()) return 0;
    g_currentFileSize = (int32_t)LowFileLength(file);
    if (g_currentFileSize != -1 && ReadPeHeaders(file)) ReadSectionTable(file);
    return 0;
}

double FilesPerSecond(const std::vector<std::string>& files, int (*check)(const char*)) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (const std::string& path : files) check(path.c_str());
    QueryPerformanceCounter(&end);
    return files.size() * (double)frequency.QuadPart / (double)(end.QuadPart - start.QuadPart);
}

int CheckWithTable(const char* path) { return CheckFile(kCheckerName, path); }

// The floor under both: the open and close every check makes before it knows the size.
int OpenAndClose(const char* path) {
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd != -1) _close(fd);
    return 0;
}

// For comparison: the size from the directory entry, without opening the file.
int AttributesOnly(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? 0 : 1;
}

TEST_F(Corpus, Throughput) {
    std::vector<SignatureRecord> sizeBlind(g_signatureTable, g_signatureTable + 47);
    for (SignatureRecord& record : sizeBlind)
        if (record.name[0]) record.sizeTest = 3;
    double skipped = 0, headers = 0, blind = 0, opened = 0, attributes = 0;
    for (int pass = 0; pass < 3; ++pass) {   // the first pass also warms the file cache
        g_activeSignatureTable = g_signatureTable;
        skipped = FilesPerSecond(*s_files, CheckWithTable);
        headers = FilesPerSecond(*s_files, ReadHeadersOnly);
        g_activeSignatureTable = sizeBlind.data();
        blind = FilesPerSecond(*s_files, CheckWithTable);
        opened = FilesPerSecond(*s_files, OpenAndClose);
        attributes = FilesPerSecond(*s_files, AttributesOnly);
    }
    printf(
        "CheckFile on %u clean files: %.0f files/s with the size pre-check, %.0f files/s reading "
        "the headers of each (the check without it), %.0f files/s testing every record's signatures; "
        "open and close alone %.0f files/s, GetFileAttributesExA alone %.0f files/s\n",
        (unsigned)s_files->size(), skipped, headers, blind, opened, attributes);
    RecordProperty("files_per_second_precheck", (int)skipped);
    RecordProperty("files_per_second_headers", (int)headers);
    EXPECT_GT(skipped, headers * 0.8);   // the pre-check never makes the check slower
}

}   // namespace
