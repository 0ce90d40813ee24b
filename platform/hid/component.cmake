# HID interfaces: simulated bus and hidraw backend (hid.h, hid_sim.h).
set(ORV_HID_DIR ${CMAKE_CURRENT_LIST_DIR})
target_sources(orvplatform PRIVATE
  ${ORV_HID_DIR}/hid_api.cpp
  ${ORV_HID_DIR}/input_queue.cpp
  ${ORV_HID_DIR}/text.cpp
  ${ORV_HID_DIR}/sim_bus.cpp
  ${ORV_HID_DIR}/sim_interface.cpp
  ${ORV_HID_DIR}/hidraw_sysfs.cpp
  ${ORV_HID_DIR}/hidraw_interface.cpp
  ${ORV_HID_DIR}/report_descriptor.cpp)

orv_test(hid_sim_test
  SOURCES ${ORV_HID_DIR}/tests/hid_sim_test.cpp
  LIBS orvplatform
  ENV ORV_HID_BACKEND=sim
  LABELS platform hid)

# The parser and the sysfs reader are internal: their tests compile them in.
orv_test(hid_report_descriptor_test
  SOURCES ${ORV_HID_DIR}/tests/report_descriptor_test.cpp ${ORV_HID_DIR}/report_descriptor.cpp
  LIBS orvplatform
  ENV ORV_HID_GOLDEN_DIR=${ORV_HID_DIR}/tests/golden
  LABELS platform hid)
target_include_directories(hid_report_descriptor_test PRIVATE ${ORV_HID_DIR})

orv_test(hid_hidraw_test
  SOURCES ${ORV_HID_DIR}/tests/hidraw_test.cpp ${ORV_HID_DIR}/tests/fake_sysfs.cpp
  LIBS orvplatform
  ENV ORV_HID_GOLDEN_DIR=${ORV_HID_DIR}/tests/golden
  LABELS platform hid)
target_include_directories(hid_hidraw_test PRIVATE ${ORV_HID_DIR})

orv_fuzzer(hid_report_descriptor_fuzz
  SOURCES ${ORV_HID_DIR}/fuzz/report_descriptor_fuzz.cpp ${ORV_HID_DIR}/report_descriptor.cpp
  CORPUS ${ORV_HID_DIR}/fuzz/corpus/hid_report_descriptor_fuzz)
target_include_directories(hid_report_descriptor_fuzz PRIVATE ${ORV_HID_DIR}
                           ${CMAKE_SOURCE_DIR}/platform/include)
