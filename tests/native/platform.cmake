# The test platform's own checks: no Wine loader needed, so they run on every machine.
add_test(NAME platform.self_test COMMAND /usr/bin/python3 ${SW_ROOT}/tests/lib/test_platform.py)
