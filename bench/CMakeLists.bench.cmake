# Zorvik's benchmarks under Wine: the bench driver and the baseline programs it measures
# Zorvik against. All land in <build>/bench. Included from the top-level CMakeLists for the
# Windows build.
include_guard(GLOBAL)
if(WIN32)
  enable_language(RC)
  set(bench_dir ${CMAKE_CURRENT_LIST_DIR})

  # The baselines are built as small as a dialog program gets: -Os -s -static -mwindows.
  # baseline_dialog carries Zorvik's manifest; baseline_dialog_plain, the earlier baseline,
  # none, and so starts without Common Controls 6.
  add_executable(baseline_dialog WIN32 ${bench_dir}/baseline_dialog.cpp
    ${bench_dir}/baseline_dialog.rc ${bench_dir}/baseline_manifest.rc)
  add_executable(baseline_dialog_plain WIN32
    ${bench_dir}/baseline_dialog.cpp ${bench_dir}/baseline_dialog.rc)
  # The same program with Zorvik's main window template: its controls' cost, apart from Zorvik.
  add_executable(baseline_dialog_template WIN32
    ${bench_dir}/baseline_dialog.cpp ${bench_dir}/baseline_template.rc)
  set_source_files_properties(${bench_dir}/baseline_template.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/main_window.rc;${CMAKE_SOURCE_DIR}/res/resource.h")
  add_executable(baseline_sender WIN32 ${bench_dir}/baseline_sender.cpp)
  add_executable(zorvik_bench
    ${bench_dir}/zorvik_bench.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/driver.cpp)
  target_compile_definitions(zorvik_bench PRIVATE NOMINMAX _WIN32_WINNT=0x0601)
  target_link_options(zorvik_bench PRIVATE -static)
  target_compile_options(zorvik_bench PRIVATE -Wall -Wextra)
  foreach(baseline baseline_dialog baseline_dialog_plain baseline_dialog_template baseline_sender)
    target_compile_options(${baseline} PRIVATE -Wall -Wextra -Os)
    target_link_options(${baseline} PRIVATE -Os -s -static -mwindows)
  endforeach()

  # The start-up breakdown: Zorvik and the dialog with the manifest built with ZORVIK_TRACE,
  # which keeps each step's time (app/trace_win.h); built like the exes they stand for.
  # Left out of the default build (bench/run.sh names them): a second whole-program link.
  add_executable(Zorvik_trace WIN32 EXCLUDE_FROM_ALL ${WIN_SOURCES} ${CORE_SOURCES}
    ${CMAKE_SOURCE_DIR}/res/zorvik.rc)
  foreach(property INCLUDE_DIRECTORIES COMPILE_DEFINITIONS COMPILE_OPTIONS LINK_LIBRARIES
          LINK_OPTIONS CXX_STANDARD INTERPROCEDURAL_OPTIMIZATION)
    get_target_property(value Zorvik ${property})
    list(FILTER value EXCLUDE REGEX "-Map=")  # Zorvik's link map stays Zorvik's
    set_target_properties(Zorvik_trace PROPERTIES ${property} "${value}")
  endforeach()
  add_executable(baseline_dialog_trace WIN32 EXCLUDE_FROM_ALL ${bench_dir}/baseline_dialog.cpp
    ${bench_dir}/baseline_dialog.rc ${bench_dir}/baseline_manifest.rc
    ${CMAKE_SOURCE_DIR}/app/trace_win.cpp)
  add_executable(baseline_dialog_template_trace WIN32 EXCLUDE_FROM_ALL
    ${bench_dir}/baseline_dialog.cpp ${bench_dir}/baseline_template.rc
    ${CMAKE_SOURCE_DIR}/app/trace_win.cpp)
  foreach(traced baseline_dialog_trace baseline_dialog_template_trace)
    target_compile_options(${traced} PRIVATE -Wall -Wextra -Os)
    target_link_options(${traced} PRIVATE -Os -s -static -mwindows)
  endforeach()
  foreach(traced Zorvik_trace baseline_dialog_trace baseline_dialog_template_trace)
    target_compile_definitions(${traced} PRIVATE ZORVIK_TRACE)
  endforeach()
  foreach(baseline baseline_dialog baseline_dialog_plain baseline_dialog_trace
          baseline_dialog_template baseline_dialog_template_trace)
    target_include_directories(${baseline} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/res)
  endforeach()
  set_target_properties(baseline_dialog baseline_dialog_plain baseline_dialog_template
    baseline_sender zorvik_bench Zorvik_trace baseline_dialog_trace baseline_dialog_template_trace
    PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
