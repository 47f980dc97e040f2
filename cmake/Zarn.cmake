# Project-wide compile options and the helpers that declare libraries, programs and tests.

add_compile_options(-Wall -Wextra -Werror)

if(ZARN_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(ZARN_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT ZARN_SANITIZE STREQUAL "")
    message(FATAL_ERROR "ZARN_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(ZARN_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ZARN_FUZZ needs clang")
    endif()
    # Instrument every library for coverage so the fuzzers can steer through them.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# zarn_library(NAME DEPS ...): one static library from every .cpp in the current folder.
function(zarn_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        # A folder whose classes are all header-only (or not written yet).
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# zarn_test(NAME LABEL DEPS ...): one GoogleTest program from every .cpp in the current folder.
function(zarn_test name label)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} zarn_testsupport GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name} PROPERTIES LABELS ${label} DISCOVERY_TIMEOUT 60)
endfunction()

# zarn_fuzzer(NAME SOURCE DEPS ...): a libFuzzer program, built only with ZARN_FUZZ.
function(zarn_fuzzer name source)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    if(NOT ZARN_FUZZ)
        return()
    endif()
    add_executable(${name} ${source})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# zarn_ui_library(NAME DEPS ...): the windows of one program, a static library from every .cpp
# of a ui/ folder, with Qt's meta-object compiler run over its headers.
function(zarn_ui_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${sources} ${headers})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Qt6::Widgets)
    # Qt's keywords (slots, signals, emit) would clash with the core's names: Q_SIGNALS,
    # Q_SLOTS and Q_EMIT instead.
    target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
endfunction()

# zarn_gui_test(NAME DEPS ...): a GoogleTest program of windows, label gui. Its main (in the
# test support library) starts a QApplication on the offscreen platform unless QT_QPA_PLATFORM
# names another, so the tests need no display.
function(zarn_gui_test name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_executable(${name} ${sources})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} zarn_guitestsupport GTest::gmock)
    gtest_discover_tests(${name} PROPERTIES LABELS gui ENVIRONMENT QT_QPA_PLATFORM=offscreen
                         DISCOVERY_TIMEOUT 60)
endfunction()
