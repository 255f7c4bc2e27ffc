// libFuzzer target: any wininit.ini text, any key and value. The edit must fit the capacity it
// announces, keep every byte of the text in order, and add exactly the entry (and at most a
// line end and the section header).
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine/WininitEdit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t keyLength = data[0] % 8, valueLength = data[1] % 64;
    if (size < 2 + keyLength + valueLength) return 0;
    std::string key((const char*)data + 2, keyLength), value((const char*)data + 2 + keyLength, valueLength);
    if (key.find('\0') != std::string::npos || value.find('\0') != std::string::npos) return 0;
    std::vector<char> text(data + 2 + keyLength + valueLength, data + size);
    size_t capacity = RenameEntryCapacity(text.size(), key.c_str(), value.c_str());
    std::vector<char> out(capacity);
    size_t length = InsertRenameEntry(text.empty() ? nullptr : text.data(), text.size(), key.c_str(), value.c_str(),
                                      out.data(), capacity);
    size_t entry = key.size() + 1 + value.size() + 2;
    size_t added = length - text.size();
    if (!length || length > capacity ||
        !(added == entry || added == entry + 2 || added == entry + 10 || added == entry + 12))
        __builtin_trap();
    // The text is a subsequence of the output: nothing of it is lost or reordered.
    size_t j = 0;
    for (size_t i = 0; i < length && j < text.size(); ++i)
        if (out[i] == text[j]) ++j;
    if (j != text.size()) __builtin_trap();
    return 0;
}
