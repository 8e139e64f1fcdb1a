# Read by CTest after the discovered cases of test_com_server are known (their names are in
# test_com_server_TESTS): they share the registry entries of the server, so they take one lock; some read windows off the shared display.
if(test_com_server_TESTS)
  set_tests_properties(${test_com_server_TESTS} PROPERTIES RESOURCE_LOCK "zoz_hkcr_registration;x_display")
endif()
