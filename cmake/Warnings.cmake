# Warnings on for every target of the project; errors when TENVEL_WERROR is set (CI).
function(tenvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TENVEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A GoogleTest executable registered with CTest.
#   tenvel_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [OWN_MAIN])
# OWN_MAIN: the sources bring their own main() (the Qt suites create the application object).
function(tenvel_test)
  cmake_parse_arguments(T "OWN_MAIN" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  tenvel_warnings(${T_NAME})
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
