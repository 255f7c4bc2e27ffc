// Arbitrary data, expansion and path: the rule must only read inside its three texts, and the
// file a command starts must be one of the texts it was shown, whole, inside its buffer.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <vector>

#include "cleaner/AutorunRule.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // Three texts separated by zero bytes; each gets a heap block of its own exact size.
    std::vector<std::vector<char>> parts(3);
    size_t part = 0;
    for (size_t i = 0; i < size && part < 3; i++) {
        if (bytes[i] == 0)
            part++;
        else
            parts[part].push_back((char)bytes[i]);
    }
    for (auto& text : parts) text.push_back('\0');
    const SystemFolders folders = {"c:\\windows\\system32", "c:\\windows\\system", "c:\\windows\\syswow64"};
    AutorunMatch match = MatchAutorunCommand(parts[0].data(), parts[1].data(), parts[2].data(), folders,
                                             size % 2 ? AUTORUN_32BIT_VIEW : AUTORUN_64BIT_VIEW);
    if (match != AUTORUN_NO_MATCH && strrchr(parts[2].data(), '\\') == nullptr) __builtin_trap();
    static const char* s_path;   // the one text that "exists": the third
    s_path = parts[2].data();
    char file[64];
    bool found = FindCommandFile(
        parts[0].data(), folders, size % 2, [](const char* path) { return strcmp(path, s_path) == 0; }, file,
        sizeof file);
    if (found != (strcmp(file, s_path) == 0 && file[0] != '\0')) __builtin_trap();
    return 0;
}
