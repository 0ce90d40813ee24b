# Registry: HKEY_LOCAL_MACHINE kept in one file in the registry export format, HKEY_CLASSES_ROOT
# as its SOFTWARE\Classes view, the Reg* functions and the extras of registry_ext.h.
set(ORV_REG_DIR ${CMAKE_CURRENT_LIST_DIR})

# The file format has no state of its own: its unit test and the parser fuzzer compile it in.
set(ORV_REG_FORMAT_SOURCES
  ${ORV_REG_DIR}/ansi_codepage.cpp
  ${ORV_REG_DIR}/key_tree.cpp
  ${ORV_REG_DIR}/reg_ops.cpp
  ${ORV_REG_DIR}/reg_file_parse.cpp
  ${ORV_REG_DIR}/reg_file_write.cpp)

target_sources(orvplatform PRIVATE
  ${ORV_REG_FORMAT_SOURCES}
  ${ORV_REG_DIR}/error_text.cpp
  ${ORV_REG_DIR}/store_file.cpp
  ${ORV_REG_DIR}/store.cpp
  ${ORV_REG_DIR}/handle_table.cpp
  ${ORV_REG_DIR}/key_access.cpp
  ${ORV_REG_DIR}/reg_api.cpp
  ${ORV_REG_DIR}/reg_ext.cpp)

orv_test(registry_format_test
  SOURCES ${ORV_REG_DIR}/tests/codepage_test.cpp
          ${ORV_REG_DIR}/tests/parse_test.cpp
          ${ORV_REG_DIR}/tests/write_test.cpp
          ${ORV_REG_FORMAT_SOURCES}
  LIBS orvplatform)
target_include_directories(registry_format_test PRIVATE ${ORV_REG_DIR})

orv_test(registry_api_test
  SOURCES ${ORV_REG_DIR}/tests/reg_fixture.cpp
          ${ORV_REG_DIR}/tests/open_create_test.cpp
          ${ORV_REG_DIR}/tests/values_test.cpp
          ${ORV_REG_DIR}/tests/enum_delete_test.cpp
          ${ORV_REG_DIR}/tests/handles_test.cpp
          ${ORV_REG_DIR}/tests/store_test.cpp
          ${ORV_REG_DIR}/tests/ext_test.cpp
  LIBS orvplatform)

# Forks writers and an unprivileged child; kept apart so a timing-sensitive run is not shared.
orv_test(registry_process_test
  SOURCES ${ORV_REG_DIR}/tests/reg_fixture.cpp
          ${ORV_REG_DIR}/tests/process_test.cpp
  LIBS orvplatform
  SERIAL)

orv_fuzzer(registry_parse_fuzzer
  SOURCES ${ORV_REG_DIR}/fuzz/parse_fuzzer.cpp ${ORV_REG_FORMAT_SOURCES}
  LIBS orvplatform
  CORPUS ${ORV_REG_DIR}/fuzz/corpus/registry_parse_fuzzer)
target_include_directories(registry_parse_fuzzer PRIVATE ${ORV_REG_DIR})
