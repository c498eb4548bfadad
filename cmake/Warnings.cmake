# Compiler settings shared by every target of the project.
add_library(velmora_options INTERFACE)
target_compile_options(velmora_options INTERFACE -Wall -Wextra)
# "#pragma omp simd" asks for vectors where they pay; clang reports each loop it keeps scalar.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(velmora_options INTERFACE -Wno-pass-failed)
endif()
if(VELMORA_SANITIZE)
  target_compile_options(velmora_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(velmora_options INTERFACE -fsanitize=address,undefined)
  # Instrumented code at -O1 runs the suite several times faster than at -O0 and still reports
  # every fault; line tables are all the reports' stack traces need, and halve the objects. The
  # test files themselves stay at -O0 (velmora_test).
  target_compile_options(velmora_options INTERFACE $<$<CONFIG:Debug>:-O1 -g1>)
  # Sanitizer builds also check every bounded-array index.
  target_compile_definitions(velmora_options INTERFACE VELMORA_CHECK_BOUNDS)
endif()
if(VELMORA_SANITIZE_THREAD)
  target_compile_options(velmora_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer -g1)
  target_link_options(velmora_options INTERFACE -fsanitize=thread)
endif()
target_compile_definitions(velmora_options INTERFACE $<$<CONFIG:Debug>:VELMORA_CHECK_BOUNDS>)

# velmora_library(name DEPENDS libs...): one static library from the .cpp files of the folder.
function(velmora_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    if(VELMORA_PYTHON)
      set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    endif()
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC velmora_options ${ARG_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE velmora_options ${ARG_DEPENDS})
  endif()
endfunction()

# velmora_test(name DEPENDS libs...): a GoogleTest program from the .cpp files of the folder.
function(velmora_test name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  # Line tables are enough to find a failing check; full debug information of the test files
  # costs a third of the build of the suites.
  target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo,Debug>:-g1>)
  # The libraries run optimised; the checks of the test files run briefly, and optimising them
  # would cost more build time (about half of theirs) than it saves.
  set_source_files_properties(${sources} PROPERTIES COMPILE_OPTIONS $<$<CONFIG:Debug,RelWithDebInfo>:-O0>)
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} velmora_test_support GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    VELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORA_DATA_DIR="${PROJECT_BINARY_DIR}/data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
