// libFuzzer target: any bytes as a performance data block and as a counter-name list. Parsing
// must stay inside the data (the sanitizers watch), fill at most the capacity, and leave every
// name terminated within 16 characters.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "cleaner/PerfData.h"

static bool Latin1(const uint16_t* text, int count, char* out, int outSize) {
    if (count >= outSize) return false;
    for (int i = 0; i < count; ++i) out[i] = (char)(text[i] & 0xFF);
    out[count] = 0;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    uint32_t idTitle;
    memcpy(&idTitle, data, 4);
    std::vector<unsigned char> block(data + 4, data + size);
    // Most random blocks would end at the signature test: give every input the signature.
    static const unsigned char signature[8] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
    memcpy(block.data(), signature, sizeof signature);
    static TaskEntry tasks[kMaxTasks + 1];
    int capacity = (int)(idTitle % (kMaxTasks + 1));
    int count = ParseProcessTasks(block.data(), block.size(), idTitle % 4 ? idTitle : 784, Latin1, tasks, capacity);
    if (count < 0 || count > capacity) __builtin_trap();
    for (int i = 0; i < count; ++i)
        if (memchr(tasks[i].name, 0, sizeof tasks[i].name) == nullptr || tasks[i].processId == 0) __builtin_trap();
    ProcessCounterNames names;
    std::vector<char> list(data + 4, data + size);
    FindProcessCounters(list.data(), list.size(), &names);
    if (!memchr(names.objectIndex, 0, sizeof names.objectIndex)) __builtin_trap();
    return 0;
}
