# Cleaning: the autorun value rule and the uuencoded matcher.
sw_native_test(cleaning_autorun_rule
  ${SW_ROOT}/tests/native/cleaning/AutorunRuleTest.cpp ${SW_ROOT}/cleaner/AutorunRule.cpp)
sw_native_test(cleaning_uuencoded_match
  ${SW_ROOT}/tests/native/cleaning/UuencodedMatchTest.cpp ${SW_ROOT}/engine/UuencodedMatch.cpp)
sw_fuzzer(fuzz_autorun_rule
  ${SW_ROOT}/tests/native/cleaning/FuzzAutorunRule.cpp ${SW_ROOT}/cleaner/AutorunRule.cpp)
sw_fuzzer(fuzz_uuencoded_match
  ${SW_ROOT}/tests/native/cleaning/FuzzUuencodedMatch.cpp ${SW_ROOT}/engine/UuencodedMatch.cpp)
