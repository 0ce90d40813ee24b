# Shared build rules: warnings, sanitizers, output layout, and helpers that every folder uses.
include_guard(GLOBAL)

find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
include(GoogleTest)

set(ORV_WARNINGS -Wall -Wextra -Werror)
set(ORV_SANITIZER_FLAGS)
if(ORV_SANITIZE)
  set(ORV_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                          -fno-sanitize-recover=undefined)
endif()
if(ORV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORV_FUZZ needs clang (use the 'fuzz' preset)")
  endif()
  set(ORV_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
endif()

# Shared libraries must resolve every symbol, except in the fuzz build: clang leaves the
# sanitizer and coverage runtimes to the executable that loads them.
set(ORV_NO_UNDEFINED -Wl,--no-undefined)
if(ORV_FUZZ)
  set(ORV_NO_UNDEFINED)
endif()

# The JVM handles SIGSEGV itself and keeps memory that LeakSanitizer would report.
set(ORV_SANITIZER_ENV
    "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0:use_sigaltstack=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# Options for every target built from our own sources.
function(orv_target_defaults target)
  target_compile_options(${target} PRIVATE ${ORV_WARNINGS} ${ORV_SANITIZER_FLAGS})
  target_link_options(${target} PRIVATE ${ORV_SANITIZER_FLAGS})
endfunction()

# A shared library with hidden visibility: only what is marked ORV_API / JNIEXPORT is exported.
function(orv_shared_library target)
  add_library(${target} SHARED ${ARGN})
  orv_target_defaults(${target})
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    BUILD_RPATH "\$ORIGIN"
    INSTALL_RPATH "\$ORIGIN")
  target_link_options(${target} PRIVATE ${ORV_NO_UNDEFINED})
  install(TARGETS ${target} LIBRARY DESTINATION lib)
endfunction()

# A program installed to bin/.
function(orv_program target)
  add_executable(${target} ${ARGN})
  orv_target_defaults(${target})
  set_target_properties(${target} PROPERTIES
    BUILD_RPATH "\$ORIGIN/../lib"
    INSTALL_RPATH "\$ORIGIN/../lib")
  install(TARGETS ${target} RUNTIME DESTINATION bin)
endfunction()

# orv_test(<name> SOURCES ... LIBS ... [ENV ...] [LABELS ...] [TIMEOUT s] [SERIAL])
# A GoogleTest program in tests/, each test case registered with CTest.
function(orv_test name)
  cmake_parse_arguments(T "SERIAL" "TIMEOUT" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  orv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock
                                        Threads::Threads)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${ORV_TEST_DIR}
    BUILD_RPATH "${CMAKE_BINARY_DIR}/lib")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env ${T_ENV} "ORV_BUILD_DIR=${CMAKE_BINARY_DIR}" "ORV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(ORV_SANITIZE)
    list(APPEND env ${ORV_SANITIZER_ENV})
  endif()
  set(serial "")
  if(T_SERIAL)
    set(serial "RUN_SERIAL TRUE")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
  # gtest_discover_tests would flatten list-valued PROPERTIES (ENVIRONMENT, LABELS) into
  # separate arguments, losing all but the first entry; CTest sets them from this script instead,
  # which it runs after the discovered list.
  set(props_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
  file(WRITE "${props_file}"
    "foreach(orv_case IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${orv_case}\" PROPERTIES ENVIRONMENT [==[${env}]==]\n"
    "    LABELS [==[${T_LABELS}]==] TIMEOUT ${T_TIMEOUT} ${serial})\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${props_file}")
endfunction()

# orv_fuzzer(<name> SOURCES ... LIBS ... CORPUS <dir>)
# With ORV_FUZZ: a libFuzzer binary in fuzz/. Otherwise: the same target linked with a small
# driver that replays the corpus, registered as a test, so every build proves the seeds pass.
if(ORV_FUZZ AND NOT TARGET orv_fuzzers)
  add_custom_target(orv_fuzzers)  # builds every fuzz target and nothing else
endif()
function(orv_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(ORV_FUZZ)
    add_executable(${name} ${F_SOURCES})
    add_dependencies(orv_fuzzers ${name})
    target_compile_options(${name} PRIVATE ${ORV_WARNINGS} -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz
                                             BUILD_RPATH "${CMAKE_BINARY_DIR}/lib")
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set_property(GLOBAL APPEND PROPERTY ORV_FUZZERS "${name}|${F_CORPUS}")
  else()
    add_executable(${name} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/fuzz_replay_main.cpp)
    orv_target_defaults(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORV_TEST_DIR}
                                             BUILD_RPATH "${CMAKE_BINARY_DIR}/lib")
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    add_test(NAME ${name}.corpus COMMAND ${name} ${F_CORPUS})
  endif()
endfunction()

# orv_benchmark(<name> SOURCES ... LIBS ...): a Google Benchmark program in bin/perf/.
function(orv_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ORV_BUILD_BENCHMARKS)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  orv_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/perf
                                           BUILD_RPATH "${CMAKE_BINARY_DIR}/lib")
endfunction()

# A shared library that only tests load (not installed), placed beside the test programs.
function(orv_test_library target)
  add_library(${target} SHARED ${ARGN})
  orv_target_defaults(${target})
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${ORV_TEST_DIR}
    BUILD_RPATH "${CMAKE_BINARY_DIR}/lib")
  target_link_options(${target} PRIVATE ${ORV_NO_UNDEFINED})
endfunction()

# The JDK for JNI headers and libjvm.so: JAVA_HOME when it names one, else the JDK of the javac
# on the path (Debian has no default-java link when only one JDK package is installed).
macro(orv_find_jni)
  if(NOT JNI_FOUND)
    if(NOT JAVA_HOME AND "$ENV{JAVA_HOME}" STREQUAL "")
      find_program(ORV_JAVAC javac REQUIRED)
      file(REAL_PATH ${ORV_JAVAC} orv_javac_real)
      cmake_path(GET orv_javac_real PARENT_PATH orv_jdk_bin)
      cmake_path(GET orv_jdk_bin PARENT_PATH JAVA_HOME)
    endif()
    find_package(JNI REQUIRED COMPONENTS JVM)
  endif()
  # Folder of libjvm.so, for the rpath of everything that links the JVM at load time.
  cmake_path(GET JAVA_JVM_LIBRARY PARENT_PATH ORV_JVM_DIR)
endmacro()

# orv_link_jvm(<target> [PUBLIC|PRIVATE|INTERFACE]): the JNI headers and libjvm.so, bound at load
# time, with the folder of libjvm.so on the target's build and install rpath. Only for tests and
# benchmarks that create a JVM themselves: a static library passes the headers and libjvm.so on
# (PUBLIC); each program or shared library that loads it, directly or through such a static
# library, calls this too for the rpath. Everything that is shipped links jni_support instead
# (the JNI headers, and jvm_library.h to load libjvm.so at run time) and is listed by
# orv_no_jvm(), which the test no_libjvm_needed checks.
function(orv_link_jvm target)
  set(scope PRIVATE)
  if(ARGC GREATER 1)
    set(scope ${ARGV1})
  endif()
  orv_find_jni()
  target_include_directories(${target} ${scope} ${JNI_INCLUDE_DIRS})
  target_link_libraries(${target} ${scope} ${JAVA_JVM_LIBRARY})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set_property(TARGET ${target} APPEND PROPERTY BUILD_RPATH ${ORV_JVM_DIR})
    set_property(TARGET ${target} APPEND PROPERTY INSTALL_RPATH ${ORV_JVM_DIR})
  endif()
endfunction()

# orv_no_jvm(<target>...): shipped programs and libraries that must start without a JVM
# installed. The test no_libjvm_needed (added once every folder is read) fails when one of them
# has libjvm.so among its needed libraries.
function(orv_no_jvm)
  set_property(GLOBAL APPEND PROPERTY ORV_NO_JVM_TARGETS ${ARGN})
endfunction()

function(orv_add_no_jvm_test)
  get_property(targets GLOBAL PROPERTY ORV_NO_JVM_TARGETS)
  # The programs and libraries of the other folders, where they are built.
  foreach(t orvplatform orvhost orvreg regsvr orv-sim orvdoctor probedesk HidPortLib Rs485PortLib
            RegKeyLib)
    if(TARGET ${t})
      list(APPEND targets ${t})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES targets)
  if(NOT targets)
    return()
  endif()
  set(files)
  foreach(t IN LISTS targets)
    list(APPEND files $<TARGET_FILE:${t}>)
  endforeach()
  set(readelf ${CMAKE_READELF})
  if(NOT readelf)
    find_program(ORV_READELF readelf REQUIRED)
    set(readelf ${ORV_READELF})
  endif()
  add_test(NAME no_libjvm_needed
           COMMAND ${CMAKE_COMMAND} -DREADELF=${readelf}
                   -P ${CMAKE_SOURCE_DIR}/cmake/check_no_jvm_needed.cmake ${files})
  set_tests_properties(no_libjvm_needed PROPERTIES LABELS "so;examples")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL orv_add_no_jvm_test)
