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
  # Each test is named after its program as well ("receive_core_tests.ReceiveWorker.X"), so
  # `ctest -R receive_core` runs one suite.
  gtest_discover_tests(${T_NAME} TEST_PREFIX "${T_NAME}." DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# A folder of windows with their logic: NAME_core from the CORE modules (no Qt; usable by the
# command-line tools) and, in the desktop build, NAME from every other .cpp of the folder.
#   tenvel_core_and_windows(NAME name CORE Module1 Module2 CORE_LIBS lib1 QT_LIBS lib2)
function(tenvel_core_and_windows)
  cmake_parse_arguments(F "" "NAME" "CORE;CORE_LIBS;QT_LIBS" ${ARGN})
  set(core_sources "")
  foreach(module ${F_CORE})
    list(APPEND core_sources ${CMAKE_CURRENT_SOURCE_DIR}/${module}.cpp)
  endforeach()
  add_library(${F_NAME}_core STATIC ${core_sources})
  target_include_directories(${F_NAME}_core PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${F_NAME}_core PUBLIC ${F_CORE_LIBS})
  tenvel_warnings(${F_NAME}_core)
  if(TENVEL_GUI)
    file(GLOB window_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    list(REMOVE_ITEM window_sources ${core_sources})
    if(NOT window_sources)
      return()
    endif()
    add_library(${F_NAME} STATIC ${window_sources})
    set_target_properties(${F_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${F_NAME} PUBLIC ${F_NAME}_core ${F_QT_LIBS} platform Qt6::Core Qt6::Gui
                                           Qt6::Widgets)
    tenvel_warnings(${F_NAME})
  endif()
endfunction()

# The tests of such a folder: NAME_core_tests from core/*.cpp and, in the desktop build,
# NAME_tests from ui/*.cpp with the desktop suites' main().
function(tenvel_core_and_window_tests NAME)
  file(GLOB core_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/core/*.cpp)
  if(core_tests)
    tenvel_test(NAME ${NAME}_core_tests SOURCES ${core_tests} LIBS ${NAME}_core)
  endif()
  if(TENVEL_GUI)
    file(GLOB ui_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
    if(NOT ui_tests)
      return()
    endif()
    tenvel_test(NAME ${NAME}_tests SOURCES ${ui_tests} ${desktop_test_main} LIBS app ${NAME}
                OWN_MAIN)
    target_link_libraries(${NAME}_tests PRIVATE Qt6::Test)
  endif()
endfunction()
