# Fails when clang-format would change any C++ file of the project.
file(GLOB_RECURSE files
     ${ROOT}/app/*.cpp ${ROOT}/app/*.h ${ROOT}/store/*.cpp ${ROOT}/store/*.h
     ${ROOT}/maillib/*.cpp ${ROOT}/maillib/*.h ${ROOT}/platform/*.cpp ${ROOT}/platform/*.h
     ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h
     ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h ${ROOT}/fuzz/*.cpp ${ROOT}/fuzz/*.h
     ${ROOT}/receive/*.cpp ${ROOT}/receive/*.h ${ROOT}/send/*.cpp ${ROOT}/send/*.h
     ${ROOT}/accounts/*.cpp ${ROOT}/accounts/*.h ${ROOT}/contacts/*.cpp ${ROOT}/contacts/*.h
     ${ROOT}/editor/*.cpp ${ROOT}/editor/*.h)
set(bad "")
foreach(f ${files})
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${f}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(APPEND bad ${f})
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "clang-format would change: ${bad}")
endif()
