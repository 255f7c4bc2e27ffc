// ShortenPath and the bounded joins on arbitrary texts and sizes: nothing is written past
// the room they are given, and what they write is terminated and no longer than allowed.
#include "engine/PathText.h"
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    int n = data[0] % 130;
    size_t room = data[1] % 64;
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    text = text.c_str();   // up to the first zero byte, as a C text
    size_t split = text.size() / 2;
    std::string pattern = text.substr(0, split), name = text.substr(split);

    std::string shown(n + 1, '\xBD');
    ShortenPath(text.c_str(), &shown[0], n);
    if (strlen(shown.c_str()) > (size_t)n) abort();
    if (text.size() <= (size_t)n && shown.c_str() != text) abort();

    int folder = PatternFolderLength(pattern.c_str());
    std::string joined(room, '\xBD');
    if (folder >= 0 && room > 0) {
        if (JoinPatternPath(pattern.c_str(), folder, name.c_str(), "\\*.*", &joined[0], room) !=
            ((size_t)folder + name.size() + 4 < room))
            abort();
        if (strlen(joined.c_str()) >= room) abort();
    }
    if (room > 0) {
        std::string folderPattern(room, '\xBD');
        MakeFolderPattern(pattern.c_str(), &folderPattern[0], room);
        if (strlen(folderPattern.c_str()) >= room) abort();
        std::string copy(room, '\xBD');
        CopyText(&copy[0], room, text.c_str());
        if (strlen(copy.c_str()) >= room) abort();
    }
    return 0;
}
