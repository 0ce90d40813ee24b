# perf/soak: every device class looped through its control in one process for minutes, with the
# process's memory, descriptors, threads and JNI references each minute (perf/soak MINUTES runs
# it on a private registry). Not a Google Benchmark: a program with a verdict of its own.
set(soak_devices PinpadControl PinpadBridge StripeControl MsrBridge SigcapControl SigcapBridge
                 DisplayControl DisplayBridge KeyboardControl KeypadBridge ToneControl ToneBridge
                 ScannerControl ScanBridge)
foreach(t IN LISTS soak_devices ITEMS orvhost jni_support regsvr orvreg orvpos)
  if(NOT TARGET ${t})
    return()
  endif()
endforeach()

add_library(soak_metrics STATIC ${CMAKE_CURRENT_LIST_DIR}/soak_metrics.cpp)
orv_target_defaults(soak_metrics)
target_link_libraries(soak_metrics PUBLIC jni_support)
orv_link_jvm(soak_metrics PUBLIC)

add_executable(orv_soak ${CMAKE_CURRENT_LIST_DIR}/soak.cpp
                        ${CMAKE_SOURCE_DIR}/examples/pinpad_eft/sim_command.cpp)
orv_target_defaults(orv_soak)
target_include_directories(orv_soak PRIVATE ${CMAKE_SOURCE_DIR}/examples/pinpad_eft)
target_link_libraries(orv_soak PRIVATE soak_metrics orvhost orvplatform Threads::Threads)
orv_link_jvm(orv_soak)
set_target_properties(orv_soak PROPERTIES OUTPUT_NAME soak
                                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/perf
                                          BUILD_RPATH "${CMAKE_BINARY_DIR}/lib")
add_dependencies(orv_soak ${soak_devices} regsvr orvreg orvpos)

# The parsing and the flat-or-growing rule; then a short run through perf/soak, so the program
# and its set-up cannot rot (the ten-minute run is done by hand).
orv_test(soak_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp LIBS soak_metrics
         ENV "JAVA_TOOL_OPTIONS=-Xcheck:jni" LABELS perf)
orv_link_jvm(soak_test)
set(soak_env "JAVA_TOOL_OPTIONS=-Xcheck:jni")
if(ORV_SANITIZE)
  # ASan's quarantine keeps up to 256 MB of freed memory; a small one lets resident memory settle
  # within the short run.
  string(REPLACE "ASAN_OPTIONS=" "ASAN_OPTIONS=quarantine_size_mb=8:" soak_asan "${ORV_SANITIZER_ENV}")
  list(APPEND soak_env ${soak_asan})
endif()
add_test(NAME soak.short
         COMMAND ${CMAKE_SOURCE_DIR}/perf/soak --build ${CMAKE_BINARY_DIR} --loops 20 --sample-loops 5)
# -Xcheck:jni finds JNI misuse anywhere on the path (the service objects' and the soak's own).
set_tests_properties(soak.short PROPERTIES ENVIRONMENT "${soak_env}" LABELS "perf;e2e" TIMEOUT 600
                     FAIL_REGULAR_EXPRESSION "WARNING in native method")
