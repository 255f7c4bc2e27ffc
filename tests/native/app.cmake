# The report list's line, selection and extent rules.
sw_native_test(report_rules_test ${SW_ROOT}/tests/app_native/report_rules_test.cpp)
# The command-line parser: every switch, quoting, and each way a command line is refused.
sw_native_test(command_line_test ${SW_ROOT}/tests/app_native/command_line_test.cpp ${SW_ROOT}/app/CommandLine.cpp)
sw_fuzzer(fuzz_command_line ${SW_ROOT}/tests/native/app/FuzzCommandLine.cpp ${SW_ROOT}/app/CommandLine.cpp)
# Seeds: every switch, quoting, the forms of one folder, a switch where a value should be.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/fuzz_command_line_corpus/switches
     "sw.exe -QUIET /scanonly /forcerestart /? /log \"C:\\my logs\\x.log\" /path D:\\ /path d:/Other\\ /path \\\\srv\\share\\\\")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/fuzz_command_line_corpus/refused "sw.exe /log /quiet --quiet /path /quite? \"\"")
