# Skin: the run finder and region block batching, child scaling and message dialog growth.
sw_native_test(skin_region_runs
  ${SW_ROOT}/tests/native/skin/RegionRunsTest.cpp ${SW_ROOT}/skin/RegionRuns.cpp)
sw_native_test(skin_layout_math
  ${SW_ROOT}/tests/native/skin/LayoutMathTest.cpp ${SW_ROOT}/skin/LayoutMath.cpp)
sw_fuzzer(fuzz_skin_region_runs
  ${SW_ROOT}/tests/native/skin/FuzzRegionRuns.cpp ${SW_ROOT}/skin/RegionRuns.cpp)
