// The quick scan's place list: what a system's folders make of it, each place once.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "engine/QuickPlaces.h"

namespace {

// The places that exist on the system of the row at hand ("*" accepts every one).
const std::vector<std::string>* s_existing;

bool Exists(const QuickPlace& place) {
    if ((*s_existing)[0] == "*") return true;
    for (const std::string& path : *s_existing)
        if (path == place.path) return true;
    return false;
}

std::vector<std::string> Kept(QuickPlaceList& places, const std::vector<std::string>& existing) {
    s_existing = &existing;
    places.KeepEachOnce(Exists);
    std::vector<std::string> kept;
    for (int i = 0; i < places.Count(); ++i)
        kept.push_back(std::string(places[i].path) + (places[i].kind == PLACE_FILES ? " (files)" : ""));
    return kept;
}

// Overlaps: every place below a tree goes, a file goes from a folder whose files are walked,
// a repeat goes whatever its case; the rest in path order, a folder's places right after it.
TEST(QuickPlaces, EachPlaceOnce) {
    QuickPlaceList places;
    places.Add("C:\\Users\\ann\\AppData\\Local\\Temp\\", NULL, PLACE_TREE);
    places.Add("C:\\Users\\ann", "AppData", PLACE_TREE);
    places.Add("C:\\Windows\\evil.exe", NULL, PLACE_FILE);
    places.Add("C:\\Windows\\Fonts\\evil.exe", NULL, PLACE_FILE);
    places.Add("C:\\windows", NULL, PLACE_FILES);
    places.Add("C:\\Windows\\System32", NULL, PLACE_TREE);
    places.Add("C:\\WINDOWS\\system32\\drivers\\x.sys", NULL, PLACE_FILE);
    places.Add("C:\\Windows", NULL, PLACE_FILES);
    places.Add("C:\\Windows\\System32 Old", NULL, PLACE_TREE);
    places.Add("D:\\a.exe", NULL, PLACE_FILE);
    places.Add("d:\\A.EXE", NULL, PLACE_FILE);
    EXPECT_EQ(Kept(places, {"*"}), (std::vector<std::string>{"C:\\Users\\ann\\AppData", "C:\\Windows (files)",
                                                             "C:\\Windows\\Fonts\\evil.exe", "C:\\Windows\\System32",
                                                             "C:\\Windows\\System32 Old", "D:\\a.exe"}));
}

// The 9x line: the Windows folder is the profile of everyone who does not log on, and its
// System is the system folder; the places the system lacks are left out.
TEST(QuickPlaces, NineXLine) {
    QuickPlaceList places;
    places.Add("C:\\WINDOWS", NULL, PLACE_FILES);
    for (const char* folder : {"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\System", "C:\\WINDOWS\\TEMP", "C:\\WINDOWS\\Temp",
                               "C:\\Program Files\\Common Files"})
        places.Add(folder, NULL, PLACE_TREE);
    AddProfilePlaces(&places, "C:\\WINDOWS");
    AddProfilePlaces(&places, "C:\\WINDOWS\\Profiles\\anna");
    EXPECT_EQ(Kept(places, {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\System", "C:\\WINDOWS\\TEMP",
                            "C:\\WINDOWS\\Temp", "C:\\WINDOWS\\Desktop", "C:\\WINDOWS\\Start Menu",
                            "C:\\WINDOWS\\Application Data", "C:\\WINDOWS\\Profiles\\anna\\Start Menu",
                            "C:\\Program Files\\Common Files"}),
              (std::vector<std::string>{"C:\\Program Files\\Common Files", "C:\\WINDOWS (files)",
                                        "C:\\WINDOWS\\Application Data", "C:\\WINDOWS\\Desktop",
                                        "C:\\WINDOWS\\Profiles\\anna\\Start Menu", "C:\\WINDOWS\\Start Menu",
                                        "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP"}));
}

}   // namespace
