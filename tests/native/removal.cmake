# The removal code's pure part: the wininit.ini text edit.
sw_native_test(removal_native
  ${SW_ROOT}/engine/WininitEdit.cpp
  ${SW_ROOT}/tests/removal/WininitTextTest.cpp)
sw_fuzzer(wininit_edit_fuzzer ${SW_ROOT}/engine/WininitEdit.cpp ${SW_ROOT}/tests/removal/WininitEditFuzz.cpp)
