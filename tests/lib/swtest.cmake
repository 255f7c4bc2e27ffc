# sw_wine_python_test(name script [VAR=value...]): a Python black-box test run by CTest.
# It finds the driver and the program through the environment, and the architecture's Wine
# through SW_ARCH (set by tools/run_tests.sh); SW_REQUIRE_ENV makes a missing driver fail it
# at once.
set(SW_TEST_LIB_DIR ${CMAKE_CURRENT_LIST_DIR})
if(NOT DEFINED SW_PYTHON)
  set(SW_PYTHON /usr/bin/python3)
endif()

function(sw_wine_python_test name script)
  set(env SW_DRIVER=$<TARGET_FILE:swdriver> SW_REQUIRE_ENV=1
          PYTHONPATH=${SW_TEST_LIB_DIR} PYTHONDONTWRITEBYTECODE=1)
  if(TARGET Sweepwright)
    list(APPEND env SW_PROGRAM=$<TARGET_FILE:Sweepwright>)
  endif()
  list(APPEND env ${ARGN})   # last, so that a test may name another program
  add_test(NAME ${name} COMMAND ${SW_PYTHON} ${script})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()
