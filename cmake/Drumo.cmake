# Helpers shared by every subsystem folder, so that a folder only lists its own files.
#
#   drumo_engine_part(NAME SOURCES ... [DEPS ...])   a static library of the engine (no Qt);
#                                                   every part is linked into drumo_engine.
#   drumo_ui_part(NAME SOURCES ... [DEPS ...])       a static library of windows (Qt); every
#                                                   part is linked into drumo_ui.
#   drumo_gtest(NAME LABEL label SOURCES ... [DEPS ...])  a GoogleTest executable registered
#                                                   with CTest, each test case on its own.
#   drumo_qtest(NAME SOURCES ... [DEPS ...])         a Qt Test executable (label gui), run offscreen.

set_property(GLOBAL PROPERTY DRUMO_ENGINE_PARTS "")
set_property(GLOBAL PROPERTY DRUMO_UI_PARTS "")

function(drumo_engine_part name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${P_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${P_DEPS})
  set_property(GLOBAL APPEND PROPERTY DRUMO_ENGINE_PARTS ${name})
endfunction()

function(drumo_ui_part name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${P_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${P_DEPS} Qt6::Widgets)
  set_property(GLOBAL APPEND PROPERTY DRUMO_UI_PARTS ${name})
endfunction()

function(drumo_gtest name)
  cmake_parse_arguments(P "" "LABEL" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${P_LABEL}" TIMEOUT 300)
endfunction()

function(drumo_qtest name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_DEPS} Qt6::Test Qt6::Widgets)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 600
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DRUMO_NO_OPEN=1")
endfunction()
