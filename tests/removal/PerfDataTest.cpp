// The performance-data parsing on blocks built here: the counter-name list, the process
// instances, the name matching and the growing query. Builds natively (sanitizers) and for
// Windows alike.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/PerfData.h"

namespace {

const uint32_t kIdTitle = 784;

struct Instance {
    std::u16string name;
    uint32_t processId;
};

struct Counter {
    uint32_t titleIndex;
    uint32_t offset;
};

// A data block in the system's layout: header, one process object, its counter definitions,
// then each instance with its counter block (length field, then 32-bit counter values).
struct Block {
    std::vector<unsigned char> bytes;
    size_t objectPos = 0;
    size_t firstInstancePos = 0;
    size_t firstCounterBlockPos = 0;

    template <typename T>
    void Append(const T& record) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&record);
        bytes.insert(bytes.end(), p, p + sizeof record);
    }
    template <typename T>
    T* At(size_t pos) {
        return reinterpret_cast<T*>(&bytes[pos]);
    }
};

Block BuildBlock(const std::vector<Instance>& instances, const std::vector<Counter>& counters = {{6, 4}, {kIdTitle, 8}},
                 int32_t numInstances = -2) {
    Block block;
    PerfDataBlock header = {};
    const uint16_t signature[4] = {'P', 'E', 'R', 'F'};
    memcpy(header.Signature, signature, sizeof signature);
    header.HeaderLength = sizeof header;
    header.NumObjectTypes = 1;
    block.Append(header);

    block.objectPos = block.bytes.size();
    PerfObjectType object = {};
    object.HeaderLength = sizeof object;
    object.NumCounters = (uint32_t)counters.size();
    object.DefinitionLength = (uint32_t)(sizeof object + counters.size() * sizeof(PerfCounterDefinition));
    object.NumInstances = numInstances == -2 ? (int32_t)instances.size() : numInstances;
    block.Append(object);
    for (const Counter& c : counters) {
        PerfCounterDefinition definition = {};
        definition.ByteLength = sizeof definition;
        definition.CounterNameTitleIndex = c.titleIndex;
        definition.CounterSize = 4;
        definition.CounterOffset = c.offset;
        block.Append(definition);
    }
    block.firstInstancePos = block.bytes.size();
    for (const Instance& i : instances) {
        size_t nameBytes = (i.name.size() + 1) * 2;
        size_t padded = (nameBytes + 7) / 8 * 8;
        PerfInstanceDefinition instance = {};
        instance.ByteLength = (uint32_t)(sizeof instance + padded);
        instance.NameOffset = sizeof instance;
        instance.NameLength = (uint32_t)nameBytes;
        block.Append(instance);
        std::vector<unsigned char> name(padded, 0);
        memcpy(name.data(), i.name.data(), i.name.size() * 2);
        block.bytes.insert(block.bytes.end(), name.begin(), name.end());
        if (!block.firstCounterBlockPos) block.firstCounterBlockPos = block.bytes.size();
        uint32_t values[4] = {16, 1111, i.processId, 2222};   // length, counter 6, id, spare
        block.Append(values);
    }
    return block;
}

bool AsciiOnly(const uint16_t* text, int count, char* out, int outSize) {
    if (count >= outSize) return false;
    for (int i = 0; i < count; ++i) {
        if (text[i] > 0x7F) return false;
        out[i] = (char)text[i];
    }
    out[count] = 0;
    return true;
}

// Parses a copy of exactly the block's bytes, so that any read past them is caught.
int Parse(const std::vector<unsigned char>& bytes, TaskEntry* tasks, int capacity = kMaxTasks,
          uint32_t idTitle = kIdTitle) {
    std::vector<unsigned char> exact(bytes);
    return ParseProcessTasks(exact.empty() ? nullptr : exact.data(), exact.size(), idTitle, AsciiOnly, tasks, capacity);
}

struct Tasks {
    TaskEntry entries[kMaxTasks + 1];
    Tasks() { memset(entries, 0xBD, sizeof entries); }
};

}   // namespace

TEST(PerfParser, CounterListGivesTheProcessValueNameAndTheIdTitle) {
    static const char list[] =
        "1\0"
        "1847\0"
        "2\0"
        "System\0"
        "230\0"
        "Process\0"
        "6\0"
        "% Processor Time\0"
        "784\0"
        "ID Process\0";
    ProcessCounterNames names;
    EXPECT_TRUE(FindProcessCounters(list, sizeof list, &names));
    EXPECT_STREQ(names.objectIndex, "230");
    EXPECT_EQ(names.idTitleIndex, 784u);
}

TEST(PerfParser, LaterNamesReplaceEarlierOnesAndCaseIsIgnored) {
    static const char list[] =
        "230\0"
        "process\0"
        "784\0"
        "id process\0"
        "1230\0"
        "PROCESS\0"
        "1784\0"
        "Id Process\0";
    ProcessCounterNames names;
    EXPECT_TRUE(FindProcessCounters(list, sizeof list, &names));
    EXPECT_STREQ(names.objectIndex, "1230");
    EXPECT_EQ(names.idTitleIndex, 1784u);
}

TEST(PerfParser, ListsWithoutTheNamesAreRecognisedAsSuch) {
    static const char wine[] =
        "1\0"
        "1847\0"
        "1846\0"
        "End Marker\0";   // what Wine answers
    static const char noId[] =
        "230\0"
        "Process\0"
        "6\0"
        "% Processor Time\0";
    static const char noIndex[] =
        "Process\0"
        "x\0"
        "ID Process\0";
    ProcessCounterNames names;
    EXPECT_FALSE(FindProcessCounters(wine, sizeof wine, &names));
    EXPECT_FALSE(FindProcessCounters(noId, sizeof noId, &names));
    EXPECT_TRUE(names.haveObject);
    EXPECT_FALSE(names.haveId);
    EXPECT_FALSE(FindProcessCounters(noIndex, sizeof noIndex, &names));
    EXPECT_FALSE(names.haveObject);
}

TEST(PerfParser, UnterminatedListAndOverlongIndexStayInBounds) {
    static const char list[] =
        "230\0Process\0"
        "12345678901234\0ID Process\0"
        "784\0ID Proc";
    std::vector<char> exact(list, list + sizeof list - 1);   // without the final terminator
    ProcessCounterNames names;
    EXPECT_FALSE(FindProcessCounters(exact.data(), exact.size(), &names));
    EXPECT_STREQ(names.objectIndex, "230");
    EXPECT_FALSE(names.haveId) << "an index that does not fit is not taken, a cut name does not count";
}

TEST(PerfParser, InstancesGiveNamesAndProcessIds) {
    Block block = BuildBlock({{u"foo", 100}, {u"FOOBAR", 200}, {u"Foo2", 300}, {u"Idle", 0}});
    Tasks tasks;
    ASSERT_EQ(Parse(block.bytes, tasks.entries), 4);
    EXPECT_STREQ(tasks.entries[0].name, "foo");
    EXPECT_EQ(tasks.entries[0].processId, 100u);
    EXPECT_STREQ(tasks.entries[2].name, "Foo2");
    EXPECT_EQ(tasks.entries[2].processId, 300u);
    EXPECT_STREQ(tasks.entries[3].name, "Idle");
    EXPECT_EQ(tasks.entries[3].processId, kIdleProcessId) << "id 0 is never kept";
    EXPECT_EQ(tasks.entries[4].processId, 0xBDBDBDBDu) << "nothing written past the instances";
}

TEST(PerfParser, NamesOfMoreThan16CharactersAreKeptEmpty) {
    Block block = BuildBlock({{u"abcdefghijklmnop", 1}, {u"abcdefghijklmnopq", 2}, {u"caf\u00e9", 3}});
    Tasks tasks;
    ASSERT_EQ(Parse(block.bytes, tasks.entries), 3);
    EXPECT_STREQ(tasks.entries[0].name, "abcdefghijklmnop");
    EXPECT_STREQ(tasks.entries[1].name, "");
    EXPECT_EQ(tasks.entries[1].processId, 2u);
    EXPECT_STREQ(tasks.entries[2].name, "unknown") << "a name that cannot be converted";
}

TEST(PerfParser, AtMost254InstancesAreTaken) {
    std::vector<Instance> many;
    for (uint32_t i = 0; i < 300; ++i) many.push_back({u"p" + std::u16string(1, (char16_t)('a' + i % 26)), 1000 + i});
    Block block = BuildBlock(many);
    Tasks tasks;
    ASSERT_EQ(Parse(block.bytes, tasks.entries), kMaxTasks);
    EXPECT_EQ(tasks.entries[kMaxTasks - 1].processId, 1000u + kMaxTasks - 1);
    EXPECT_EQ(tasks.entries[kMaxTasks].processId, 0xBDBDBDBDu) << "the last table entry stays untouched";
}

TEST(PerfParser, WithoutTheIdCounterNoProcessIdIsRead) {
    Block block = BuildBlock({{u"foo", 100}}, {{6, 4}});
    Tasks tasks;
    EXPECT_EQ(Parse(block.bytes, tasks.entries), 0);
    Block other = BuildBlock({{u"foo", 100}});
    EXPECT_EQ(Parse(other.bytes, tasks.entries, kMaxTasks, 999), 0) << "title index from the list not in the object";
}

TEST(PerfParser, ObjectWithoutInstancesHasNoTasks) {
    Block block = BuildBlock({{u"foo", 100}}, {{6, 4}, {kIdTitle, 8}}, -1);
    Tasks tasks;
    EXPECT_EQ(Parse(block.bytes, tasks.entries), 0);
}

TEST(PerfParser, BlockWithoutTheSignatureHasNoTasks) {
    Block block = BuildBlock({{u"foo", 100}});
    block.bytes[2] = 'X';
    Tasks tasks;
    EXPECT_EQ(Parse(block.bytes, tasks.entries), 0);
}

TEST(PerfParser, EveryCutOfTheBlockIsParsedInBounds) {
    Block block = BuildBlock({{u"foo", 100}, {u"bar", 200}});
    int last = 0;
    for (size_t size = 0; size <= block.bytes.size(); ++size) {
        SCOPED_TRACE(size);
        Tasks tasks;
        int count = Parse(std::vector<unsigned char>(block.bytes.begin(), block.bytes.begin() + size), tasks.entries);
        EXPECT_GE(count, last);
        last = count;
    }
    EXPECT_EQ(last, 2);
}

TEST(PerfParser, OffsetsPointingOutsideTheBlockStopTheParse) {
    struct Case {
        const char* what;
        void (*damage)(Block&);
        int expected;
    };
    static const Case cases[] = {
        {"header length", [](Block& b) { b.At<PerfDataBlock>(0)->HeaderLength = 0xFFFFFFF0u; }, 0},
        {"counter definitions", [](Block& b) { b.At<PerfObjectType>(b.objectPos)->HeaderLength = 0x7FFFFFFFu; }, 0},
        {"counter count", [](Block& b) { b.At<PerfObjectType>(b.objectPos)->NumCounters = 0xFFFFFFFFu; }, 2},
        {"first instance", [](Block& b) { b.At<PerfObjectType>(b.objectPos)->DefinitionLength = 0xFFFFFFFFu; }, 0},
        {"instance length",
         [](Block& b) { b.At<PerfInstanceDefinition>(b.firstInstancePos)->ByteLength = 0xFFFFFF00u; }, 0},
        {"short instance", [](Block& b) { b.At<PerfInstanceDefinition>(b.firstInstancePos)->ByteLength = 4; }, 0},
        {"empty counter block", [](Block& b) { b.At<PerfCounterBlock>(b.firstCounterBlockPos)->ByteLength = 0; }, 0},
        {"next instance", [](Block& b) { b.At<PerfCounterBlock>(b.firstCounterBlockPos)->ByteLength = 0xFFFFFFF0u; },
         1},
        {"instance count", [](Block& b) { b.At<PerfObjectType>(b.objectPos)->NumInstances = 0x7FFFFFFF; }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Block block = BuildBlock({{u"foo", 100}, {u"bar", 200}});
        c.damage(block);
        Tasks tasks;
        EXPECT_EQ(Parse(block.bytes, tasks.entries), c.expected);
    }
}

TEST(PerfParser, NameOutsideTheBlockGivesAnEmptyName) {
    Block block = BuildBlock({{u"foo", 100}});
    block.At<PerfInstanceDefinition>(block.firstInstancePos)->NameOffset = 0xFFFFFFF0u;
    Tasks tasks;
    ASSERT_EQ(Parse(block.bytes, tasks.entries), 1);
    EXPECT_STREQ(tasks.entries[0].name, "");
    EXPECT_EQ(tasks.entries[0].processId, 100u);
}

TEST(PerfParser, TargetIsTheFileNameWithoutItsExtension) {
    char target[260];
    ASSERT_TRUE(PerfTargetName("C:\\WINNT\\FOO.EXE", target, sizeof target));
    EXPECT_STREQ(target, "FOO");
    ASSERT_TRUE(PerfTargetName("abcde", target, sizeof target));
    EXPECT_STREQ(target, "a");
    EXPECT_FALSE(PerfTargetName("C:\\a", target, sizeof target)) << "four characters or fewer";
    EXPECT_FALSE(PerfTargetName("C:\\.exe", target, sizeof target)) << "nothing left to compare";
    EXPECT_FALSE(PerfTargetName("C:\\dir\\.exe", target, sizeof target));
    char small[4];
    memset(small, 0xBD, sizeof small);
    EXPECT_FALSE(PerfTargetName("C:\\LONGNAME.EXE", small, 3));
    EXPECT_EQ((unsigned char)small[3], 0xBD);
}

// NT 6 and later name the second and later processes of one image foo#1, foo#2 and so on.
TEST(PerfParser, InstancesMatchTheWholeNameOrItsNumberedRepeats) {
    struct Row {
        const char* name;
        bool matches;
    };
    static const Row rows[] = {
        {"foo", true},   {"FOOBAR", false}, {"Foo2", false}, {"Foo#12", true},
        {"foo#", false}, {"fo", false},     {"xfoo", false}, {"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TaskEntry task = {};
        strcpy(task.name, row.name);
        EXPECT_EQ(TaskMatchesTarget(task, "FOO"), row.matches);
    }
}

namespace {

struct FakeQuery {
    uint32_t needed;
    uint32_t leftOnMoreData;   // what the failing call leaves in the size
    long failure;
    std::vector<uint32_t> asked;
};

long Answer(void* context, unsigned char* buffer, uint32_t* size) {
    FakeQuery* fake = static_cast<FakeQuery*>(context);
    fake->asked.push_back(*size);
    if (fake->failure) return fake->failure;
    if (*size < fake->needed) {
        *size = fake->leftOnMoreData;
        return kPerfQueryMoreData;
    }
    memset(buffer, 0x5A, fake->needed);
    *size = fake->needed;
    return kPerfQueryOk;
}

}   // namespace

TEST(PerfParser, QueryGrowsFromTheBufferWhenTheCallLeavesNoSize) {
    FakeQuery fake = {120000, 0, 0, {}};
    uint32_t size = 0;
    unsigned char* data = QueryGrowingBuffer(Answer, &fake, &size);
    ASSERT_TRUE(data != nullptr);
    EXPECT_EQ(size, 120000u);
    EXPECT_EQ(data[119999], 0x5A);
    EXPECT_EQ(fake.asked, (std::vector<uint32_t>{51200, 76800, 102400, 128000}));
    free(data);
}

TEST(PerfParser, QueryGrowsBeyondASizeTheCallReports) {
    FakeQuery fake = {200000, 200000, 0, {}};
    uint32_t size = 0;
    unsigned char* data = QueryGrowingBuffer(Answer, &fake, &size);
    ASSERT_TRUE(data != nullptr);
    EXPECT_EQ(fake.asked, (std::vector<uint32_t>{51200, 225600}));
    free(data);
}

TEST(PerfParser, QueryGivesUpOnErrorsEmptyAnswersAndEndlessGrowth) {
    uint32_t size = 0;
    FakeQuery denied = {10, 0, 5, {}};
    EXPECT_EQ(QueryGrowingBuffer(Answer, &denied, &size), nullptr);
    FakeQuery empty = {0, 0, 0, {}};
    EXPECT_EQ(QueryGrowingBuffer(Answer, &empty, &size), nullptr);
    FakeQuery endless = {0xFFFFFFFFu, 0, 0, {}};
    EXPECT_EQ(QueryGrowingBuffer(Answer, &endless, &size), nullptr);
    EXPECT_LE(endless.asked.back(), kPerfMaxSize);
}
