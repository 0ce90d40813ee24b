# Windows and message queues, events, time, errors, code pages, libraries.
set(ORV_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR})

target_sources(orvplatform PRIVATE
  ${ORV_WIN32_DIR}/codepage.cpp
  ${ORV_WIN32_DIR}/debug_output.cpp
  ${ORV_WIN32_DIR}/events.cpp
  ${ORV_WIN32_DIR}/format_message.cpp
  ${ORV_WIN32_DIR}/kernel_objects.cpp
  ${ORV_WIN32_DIR}/last_error.cpp
  ${ORV_WIN32_DIR}/library.cpp
  ${ORV_WIN32_DIR}/local_memory.cpp
  ${ORV_WIN32_DIR}/message_api.cpp
  ${ORV_WIN32_DIR}/process.cpp
  ${ORV_WIN32_DIR}/process_lock.cpp
  ${ORV_WIN32_DIR}/system_messages.cpp
  ${ORV_WIN32_DIR}/thread_queue.cpp
  ${ORV_WIN32_DIR}/time.cpp
  ${ORV_WIN32_DIR}/window_api.cpp
  ${ORV_WIN32_DIR}/window_manager.cpp)

# A small module for the LoadLibraryA tests, kept out of lib/ so that only the tests see it.
add_library(orvw32testmod MODULE ${ORV_WIN32_DIR}/tests/test_module.cpp)
orv_target_defaults(orvw32testmod)
set_target_properties(orvw32testmod PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${ORV_TEST_DIR}/win32-modules)

orv_test(win32_tests
  SOURCES
    ${ORV_WIN32_DIR}/tests/codepage_test.cpp
    ${ORV_WIN32_DIR}/tests/debug_output_test.cpp
    ${ORV_WIN32_DIR}/tests/events_test.cpp
    ${ORV_WIN32_DIR}/tests/format_message_test.cpp
    ${ORV_WIN32_DIR}/tests/library_test.cpp
    ${ORV_WIN32_DIR}/tests/memory_error_test.cpp
    ${ORV_WIN32_DIR}/tests/message_queue_test.cpp
    ${ORV_WIN32_DIR}/tests/process_lock_test.cpp
    ${ORV_WIN32_DIR}/tests/queue_fd_test.cpp
    ${ORV_WIN32_DIR}/tests/send_message_test.cpp
    ${ORV_WIN32_DIR}/tests/time_test.cpp
    ${ORV_WIN32_DIR}/tests/window_test.cpp
  LIBS orvplatform
  ENV "ORV_WIN32_TEST_MODULE_DIR=${ORV_TEST_DIR}/win32-modules"
      "LD_LIBRARY_PATH=${ORV_TEST_DIR}/win32-modules"
  LABELS platform win32)
add_dependencies(win32_tests orvw32testmod)

orv_fuzzer(codepage_fuzzer
  SOURCES ${ORV_WIN32_DIR}/fuzz/codepage_fuzzer.cpp
  LIBS orvplatform
  CORPUS ${ORV_WIN32_DIR}/fuzz/corpus/codepage_fuzzer)
