// Performance data parsing for the kill route of NT 4 and NT 6+. Every record is copied out of
// the data only after its whole extent was checked to lie inside it: the block comes from the
// registry, and a malformed one must never make the scanner read past its buffer.
#include "cleaner/PerfData.h"

#include <stdlib.h>
#include <string.h>

static_assert(sizeof(PerfDataBlock) == 88, "PERF_DATA_BLOCK layout");
static_assert(sizeof(PerfObjectType) == 64, "PERF_OBJECT_TYPE layout");
static_assert(sizeof(PerfCounterDefinition) == 40, "PERF_COUNTER_DEFINITION layout");
static_assert(sizeof(PerfInstanceDefinition) == 24, "PERF_INSTANCE_DEFINITION layout");
static_assert(sizeof(PerfCounterBlock) == 4, "PERF_COUNTER_BLOCK layout");

static const uint16_t kPerfSignature[4] = {'P', 'E', 'R', 'F'};
enum { kMaxNameChars = 16, kConvertedNameSize = 260 };

static char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

// How many leading characters text (of length characters) and word share, case ignored.
static size_t CommonPrefix(const char* text, size_t length, const char* word) {
    size_t i = 0;
    while (i < length && word[i] && LowerAscii(text[i]) == LowerAscii(word[i])) ++i;
    return i;
}

static bool EqualIgnoringCase(const char* text, size_t length, const char* word) {
    return CommonPrefix(text, length, word) == length && !word[length];
}

// The digits at the end of text: the index string that stands before a name in the list.
static bool TrailingNumber(const char* text, size_t length, char* digits, size_t size, uint32_t* value) {
    size_t start = length;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
    size_t count = length - start;
    if (count == 0 || count >= size || count > 9) return false;
    memcpy(digits, text + start, count);
    digits[count] = 0;
    *value = (uint32_t)strtoul(digits, NULL, 10);
    return true;
}

bool FindProcessCounters(const char* counters, size_t size, ProcessCounterNames* names) {
    memset(names, 0, sizeof *names);
    const char* previous = NULL;
    size_t previousLength = 0;
    size_t pos = 0;
    while (pos < size && counters[pos]) {
        const char* text = counters + pos;
        const char* end = (const char*)memchr(text, 0, size - pos);
        size_t length = end ? (size_t)(end - text) : size - pos;
        char digits[sizeof names->objectIndex];
        uint32_t index;
        if (previous && TrailingNumber(previous, previousLength, digits, sizeof digits, &index)) {
            if (EqualIgnoringCase(text, length, "process")) {
                memcpy(names->objectIndex, digits, sizeof digits);
                names->haveObject = true;
            } else if (EqualIgnoringCase(text, length, "id process")) {
                names->idTitleIndex = index;
                names->haveId = true;
            }
        }
        previous = text;
        previousLength = length;
        pos += length + 1;
    }
    return names->haveObject && names->haveId;
}

// Copies the record of the given size at pos when it lies wholly inside the data.
static bool ReadRecord(const unsigned char* data, size_t size, uint64_t pos, void* record, size_t recordSize) {
    if (pos > size || recordSize > size - pos) return false;
    memcpy(record, data + pos, recordSize);
    return true;
}

static bool FindCounterOffset(const unsigned char* data, size_t size, uint64_t objectPos, const PerfObjectType& object,
                              uint32_t titleIndex, uint32_t* offset) {
    uint64_t pos = objectPos + object.HeaderLength;
    for (uint32_t i = 0; i < object.NumCounters; ++i, pos += sizeof(PerfCounterDefinition)) {
        PerfCounterDefinition counter;
        if (!ReadRecord(data, size, pos, &counter, sizeof counter)) return false;
        if (counter.CounterNameTitleIndex == titleIndex) {
            *offset = counter.CounterOffset;
            return true;
        }
    }
    return false;
}

// The instance's name as text: "unknown" when it cannot be converted, empty when it has more
// than 16 characters.
static void ReadInstanceName(const unsigned char* data, size_t size, uint64_t instancePos,
                             const PerfInstanceDefinition& instance, WideToAnsiFn convert, char* name) {
    uint64_t pos = instancePos + instance.NameOffset;
    uint64_t bytes = pos > size ? 0 : size - pos;
    if (instance.NameLength < bytes) bytes = instance.NameLength;
    uint16_t wide[kConvertedNameSize];
    int count = 0;
    for (; count < kConvertedNameSize && (uint64_t)count * 2 + 2 <= bytes; ++count) {
        memcpy(&wide[count], data + pos + (uint64_t)count * 2, 2);
        if (!wide[count]) break;
    }
    char converted[kConvertedNameSize];
    converted[0] = 0;
    if (count == kConvertedNameSize || (count > 0 && !convert(wide, count, converted, sizeof converted)))
        strcpy(converted, "unknown");
    name[0] = 0;
    if (strlen(converted) <= kMaxNameChars) strcpy(name, converted);
}

int ParseProcessTasks(const unsigned char* data, size_t size, uint32_t idTitleIndex, WideToAnsiFn convert,
                      TaskEntry* tasks, int capacity) {
    PerfDataBlock block;
    if (!ReadRecord(data, size, 0, &block, sizeof block) ||
        memcmp(block.Signature, kPerfSignature, sizeof kPerfSignature) != 0)
        return 0;
    uint64_t objectPos = block.HeaderLength;
    PerfObjectType object;
    uint32_t idOffset;
    if (!ReadRecord(data, size, objectPos, &object, sizeof object) ||
        !FindCounterOffset(data, size, objectPos, object, idTitleIndex, &idOffset))
        return 0;
    // Negative counts (-1: an object without instances) hold no instance definitions at all.
    int count = object.NumInstances < 0 ? 0 : object.NumInstances;
    if (count > capacity) count = capacity;
    uint64_t pos = objectPos + object.DefinitionLength;
    int filled = 0;
    for (; filled < count; ++filled) {
        PerfInstanceDefinition instance;
        PerfCounterBlock counters;
        uint32_t processId;
        if (!ReadRecord(data, size, pos, &instance, sizeof instance) || instance.ByteLength < sizeof instance) break;
        uint64_t blockPos = pos + instance.ByteLength;
        // The id must lie inside its own counter block, which also makes every step move on.
        if (!ReadRecord(data, size, blockPos, &counters, sizeof counters) ||
            (uint64_t)idOffset + sizeof processId > counters.ByteLength ||
            !ReadRecord(data, size, blockPos + idOffset, &processId, sizeof processId))
            break;
        tasks[filled].processId = processId ? processId : kIdleProcessId;
        ReadInstanceName(data, size, pos, instance, convert, tasks[filled].name);
        pos = blockPos + counters.ByteLength;
    }
    return filled;
}

bool PerfTargetName(const char* path, char* target, size_t size) {
    size_t length = strlen(path);
    if (length <= 4) return false;
    size_t end = length - 4, start = end;
    while (start > 0 && path[start - 1] != '\\') --start;
    if (start == end || end - start >= size) return false;
    memcpy(target, path + start, end - start);
    target[end - start] = 0;
    return true;
}

bool TaskMatchesTarget(const TaskEntry& task, const char* target) {
    size_t length = strlen(target);
    if (CommonPrefix(task.name, strlen(task.name), target) != length) return false;
    const char* suffix = task.name + length;
    if (!*suffix) return true;
    if (*suffix != '#' || !suffix[1]) return false;
    return strspn(suffix + 1, "0123456789") == strlen(suffix + 1);
}

unsigned char* QueryGrowingBuffer(PerfQueryFn query, void* context, uint32_t* dataSize) {
    uint32_t capacity = kPerfInitialSize;
    unsigned char* buffer = (unsigned char*)calloc(capacity, 1);
    for (;;) {
        if (!buffer) return NULL;
        uint32_t size = capacity;
        long status = query(context, buffer, &size);
        if (status == kPerfQueryOk && size != 0) {
            *dataSize = size;
            return buffer;
        }
        // What a failed call leaves in size is not dependable (it may be 0): grow from whichever
        // is larger, so that every round really asks with more room.
        uint32_t grown = (size > capacity ? size : capacity) + kPerfGrowthStep;
        free(buffer);
        if (status != kPerfQueryMoreData || grown > kPerfMaxSize || grown < capacity) return NULL;
        capacity = grown;
        buffer = (unsigned char*)calloc(capacity, 1);
    }
}
