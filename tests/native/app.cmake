# The report list's line, selection and extent rules.
sw_native_test(report_rules_test ${SW_ROOT}/tests/app_native/report_rules_test.cpp)
