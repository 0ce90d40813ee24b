# COM runtime: BSTR/VARIANT, GUID text, activation, dispatch maps and drivers, connection points.
set(_com ${CMAKE_CURRENT_LIST_DIR})
target_sources(orvplatform PRIVATE
  ${_com}/activation.cpp
  ${_com}/bstr.cpp
  ${_com}/connection_point.cpp
  ${_com}/dispatch_driver.cpp
  ${_com}/dispatch_table.cpp
  ${_com}/guid.cpp
  ${_com}/registration.cpp
  ${_com}/text.cpp
  ${_com}/variant.cpp
  ${_com}/variant_change_type.cpp)

if(EXISTS ${_com}/tests/CMakeLists.txt)
  add_subdirectory(${_com}/tests ${CMAKE_CURRENT_BINARY_DIR}/com_tests)
endif()

orv_fuzzer(guid_fuzz SOURCES ${_com}/fuzz/guid_fuzz.cpp LIBS orvplatform CORPUS ${_com}/fuzz/corpus/guid_fuzz)
