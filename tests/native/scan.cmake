# Scanning core: the matcher on the generated samples, RvaToFileOffset, the signature table
# and the walk's text helpers under the sanitizers, and fuzzers for the file matcher, the
# RVA mapping and the path texts. The Windows-only parts (the walk itself, locked files, the
# forced action's pause) are tested under Wine in tests/engine_scan.
set(scan_core ${SW_ROOT}/engine/FileMatcher.cpp ${SW_ROOT}/engine/SignatureTable.cpp ${SW_ROOT}/engine/PathText.cpp ${SW_ROOT}/app/ScanState.cpp
              ${SW_ROOT}/tests/engine_scan/ScanDoubles.cpp)
set(scan_shim ${SW_ROOT}/tests/native/scan/shim)

sw_native_test(scan_native
  ${scan_core} ${SW_ROOT}/tests/engine_scan/SampleFiles.cpp
  ${SW_ROOT}/tests/engine_scan/MatcherTest.cpp ${SW_ROOT}/tests/engine_scan/RvaTest.cpp
  ${SW_ROOT}/tests/engine_scan/SignatureTableTest.cpp ${SW_ROOT}/tests/engine_scan/PathTextTest.cpp)
target_include_directories(scan_native PRIVATE ${scan_shim})
target_compile_definitions(scan_native PRIVATE SW_SAMPLE_GENERATOR="${SW_ROOT}/tests/samples/gen_samples.py")

sw_fuzzer(fuzz_check_file ${scan_core} ${SW_ROOT}/tests/native/scan/FuzzCheckFile.cpp)
target_include_directories(fuzz_check_file PRIVATE ${scan_shim})
sw_fuzzer(fuzz_rva_to_file_offset ${scan_core} ${SW_ROOT}/tests/native/scan/FuzzRvaToFileOffset.cpp)
target_include_directories(fuzz_rva_to_file_offset PRIVATE ${scan_shim})
sw_fuzzer(fuzz_path_text ${SW_ROOT}/engine/PathText.cpp ${SW_ROOT}/tests/native/scan/FuzzPathText.cpp)

# Seeds for the file fuzzer: the first kilobytes of a few look-alike samples (headers intact).
execute_process(COMMAND /usr/bin/python3 ${SW_ROOT}/tests/native/scan/seed_corpus.py
                        ${CMAKE_CURRENT_BINARY_DIR}/fuzz_check_file_corpus)

# The quick scan's place list: overlaps and the 9x line's places.
sw_native_test(quick_places ${SW_ROOT}/tests/native/scan/QuickPlacesTest.cpp ${SW_ROOT}/engine/QuickPlaces.cpp
               ${SW_ROOT}/engine/PathText.cpp)
