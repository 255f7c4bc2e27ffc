# The removal code's pure parts: the wininit.ini text edit and the performance-data parser.
sw_native_test(removal_native
  ${SW_ROOT}/engine/WininitEdit.cpp
  ${SW_ROOT}/cleaner/PerfData.cpp
  ${SW_ROOT}/tests/removal/WininitTextTest.cpp
  ${SW_ROOT}/tests/removal/PerfDataTest.cpp)
sw_fuzzer(wininit_edit_fuzzer ${SW_ROOT}/engine/WininitEdit.cpp ${SW_ROOT}/tests/removal/WininitEditFuzz.cpp)
sw_fuzzer(perfdata_fuzzer ${SW_ROOT}/cleaner/PerfData.cpp ${SW_ROOT}/tests/removal/PerfDataFuzz.cpp)
