# moneko_add_test(NAME SOURCES ... LIBS ... [GL] [SERIAL])
# A GoogleTest binary discovered by CTest. Widget tests run on the offscreen platform; GL tests
# need the X server that ./test provides (xvfb-run) and use the xcb platform. SERIAL keeps
# tests whose timing depends on several processes from running beside others.
function(moneko_add_test name)
  cmake_parse_arguments(T "GL;SERIAL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} moneko_test_main GTest::gtest)
  if(T_GL)
    set(platform "xcb")
  else()
    set(platform "offscreen:configfile=${CMAKE_SOURCE_DIR}/tests/support/offscreen.json")
  endif()
  # The test main puts these into its environment unless they are set already, so a test binary
  # behaves the same run by CTest or by hand.
  target_compile_definitions(${name} PRIVATE
    MONEKO_TEST_QPA="${platform}"
    MONEKO_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    MONEKO_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    MONEKO_TEST_FONTCONFIG="${CMAKE_SOURCE_DIR}/tests/support/fonts.conf")
  if(T_SERIAL)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()

# moneko_add_module(NAME OUTPUT SOURCES ... LIBS ...)
# A control module: a shared object named like the installed file (teskchat.ocx, ...).
function(moneko_add_module name)
  cmake_parse_arguments(M "" "OUTPUT" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${M_SOURCES})
  target_link_libraries(${name} PRIVATE ${M_LIBS})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${M_OUTPUT}
                        CXX_VISIBILITY_PRESET hidden)
endfunction()
