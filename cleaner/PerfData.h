// Reading the system's performance data for the process object: which value to ask the
// registry for, and the process instances its answer holds. Pure parsing over the caller's
// buffers, every offset checked against the data's length, so it also builds natively for the
// sanitizer and fuzzing builds.
#pragma once
#include <stddef.h>
#include <stdint.h>

// The 32-bit layouts of the performance data records, in fixed-width fields. The 64-bit time
// stamps are kept as pairs of 32-bit words so that no compiler pads them differently.
struct PerfDataBlock {
    uint16_t Signature[4];   // "PERF" in UTF-16
    uint32_t LittleEndian;
    uint32_t Version;
    uint32_t Revision;
    uint32_t TotalByteLength;
    uint32_t HeaderLength;   // the first object starts this far from the block
    uint32_t NumObjectTypes;
    int32_t DefaultObject;
    uint16_t SystemTime[8];
    uint32_t Reserved;
    uint32_t PerfTime[2];
    uint32_t PerfFreq[2];
    uint32_t PerfTime100nSec[2];
    uint32_t SystemNameLength;
    uint32_t SystemNameOffset;
};

struct PerfObjectType {
    uint32_t TotalByteLength;
    uint32_t DefinitionLength;   // the first instance starts this far from the object
    uint32_t HeaderLength;       // the counter definitions start this far from the object
    uint32_t ObjectNameTitleIndex;
    uint32_t ObjectNameTitle;
    uint32_t ObjectHelpTitleIndex;
    uint32_t ObjectHelpTitle;
    uint32_t DetailLevel;
    uint32_t NumCounters;
    int32_t DefaultCounter;
    int32_t NumInstances;   // -1 (no instances) for objects with a single counter block
    uint32_t CodePage;
    uint32_t PerfTime[2];
    uint32_t PerfFreq[2];
};

struct PerfCounterDefinition {
    uint32_t ByteLength;
    uint32_t CounterNameTitleIndex;
    uint32_t CounterNameTitle;
    uint32_t CounterHelpTitleIndex;
    uint32_t CounterHelpTitle;
    int32_t DefaultScale;
    uint32_t DetailLevel;
    uint32_t CounterType;
    uint32_t CounterSize;
    uint32_t CounterOffset;   // position of the value inside each instance's counter block
};

struct PerfInstanceDefinition {
    uint32_t ByteLength;   // the counter block starts this far from the instance
    uint32_t ParentObjectTitleIndex;
    uint32_t ParentObjectInstance;
    int32_t UniqueID;
    uint32_t NameOffset;   // UTF-16 name, from the instance's start
    uint32_t NameLength;   // in bytes, with its terminating zero
};

struct PerfCounterBlock {
    uint32_t ByteLength;   // the next instance starts this far after the block's start
};

// One process of the performance data: its id and its instance name (the image name without
// extension), empty when the name is longer than 16 characters.
struct TaskEntry {
    uint32_t processId;
    char name[17];
};

enum { kMaxTasks = 254 };                      // the task table has one more, always empty, entry
const uint32_t kIdleProcessId = 0xFFFFFFFEu;   // stored for id 0, so that nothing opens process 0

// What the list of counter and object names under Perflib\009 says about the process object.
struct ProcessCounterNames {
    char objectIndex[12];    // decimal index of "process": the value name to query
    uint32_t idTitleIndex;   // title index of the "id process" counter
    bool haveObject;
    bool haveId;
};

// Walks the multi-string (pairs of a decimal index and a name) of size bytes; a later entry of
// the same name replaces an earlier one. Returns true when both names were found.
bool FindProcessCounters(const char* counters, size_t size, ProcessCounterNames* names);

// Converts count UTF-16 units (no terminator among them) into out, terminated; false on failure.
typedef bool (*WideToAnsiFn)(const uint16_t* text, int count, char* out, int outSize);

// Fills tasks[0..capacity) from the first object of the data block and returns how many were
// filled. Without a counter definition for idTitleIndex no process id can be located, and
// nothing is filled. Parsing stops at the first instance that does not lie wholly inside data.
int ParseProcessTasks(const unsigned char* data, size_t size, uint32_t idTitleIndex, WideToAnsiFn convert,
                      TaskEntry* tasks, int capacity);

// The name the instances are matched against: the file name of path without its last four
// characters (the extension with its dot). False when nothing would be left to compare (a path
// of four characters or fewer, or a file name that is only an extension, such as C:\.exe): a
// prefix of no characters would match every process.
bool PerfTargetName(const char* path, char* target, size_t size);

// Whether the instance is a process of target's image: its name is target, case ignored, or,
// for the second and later processes of one image on NT 6 and later, target, "#" and digits.
bool TaskMatchesTarget(const TaskEntry& task, const char* target);

// The registry's answer for performance data has no reliable size: ask with a growing buffer.
enum { kPerfQueryOk = 0, kPerfQueryMoreData = 234 };
const uint32_t kPerfInitialSize = 51200;
const uint32_t kPerfGrowthStep = 25600;
const uint32_t kPerfMaxSize = 4u * 1024 * 1024;   // the process object of a thousand processes is far smaller

// Called with the buffer and, in *size, its length; sets *size to the length returned.
typedef long (*PerfQueryFn)(void* context, unsigned char* buffer, uint32_t* size);

// Returns a malloc'ed buffer holding the answer and its length in *dataSize, or null when the
// query failed, answered nothing or would need more than kPerfMaxSize bytes.
unsigned char* QueryGrowingBuffer(PerfQueryFn query, void* context, uint32_t* dataSize);
