# Shared compile settings and the one-target-per-folder helpers.

add_library(pimble_options INTERFACE)
target_compile_options(pimble_options INTERFACE -Wall -Wextra -Wpedantic)
if(PIMBLE_WERROR)
  target_compile_options(pimble_options INTERFACE -Werror)
endif()
if(PIMBLE_SANITIZE)
  target_compile_options(pimble_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(pimble_options INTERFACE -fsanitize=address,undefined)
endif()

# pimble_folder_library(NAME FOLDER LIBS...): a static library of every source
# below FOLDER; nothing is created while the folder has no source yet.
function(pimble_folder_library name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${folder}/*.cpp" "${folder}/*.h" "${folder}/*.qrc")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(has_cpp FALSE)
  foreach(s IN LISTS sources)
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(NOT has_cpp)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC pimble_options ${ARGN})
  # Only the Qt folders need moc; the plain C++ core stays free of it.
  string(FIND "${ARGN}" "Qt6::" uses_qt)
  if(uses_qt EQUAL -1)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF)
  endif()
endfunction()

# Every test draws in the same fonts whatever the machine has installed.
set(PIMBLE_TEST_FONTS ${PROJECT_SOURCE_DIR}/tests/support/fonts.conf)

# pimble_folder_tests(FOLDER LABEL LIBS...): one test executable per tests/
# folder; every GoogleTest case is its own CTest test, and a skipped case is
# reported as skipped rather than passed (failed under CI: pimble_ci_skips).
function(pimble_folder_tests folder label)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${folder}/*.cpp" "${folder}/*.h")
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  if(NOT sources)
    return()
  endif()
  set(libs)
  foreach(lib IN LISTS ARGN)
    if(TARGET ${lib} OR lib MATCHES "::")
      list(APPEND libs ${lib})
    endif()
  endforeach()
  set(exe ${label}_tests)
  add_executable(${exe} ${sources})
  string(FIND "${libs}" "Qt6::" uses_qt)
  string(FIND "${libs}" "pimble_qt_test_main" uses_qt_main)
  if(uses_qt EQUAL -1 AND uses_qt_main EQUAL -1)
    set_target_properties(${exe} PROPERTIES AUTOMOC OFF AUTORCC OFF)
  endif()
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${exe} PRIVATE pimble_options pimble_ci_skips ${libs})
  target_compile_definitions(${exe} PRIVATE PIMBLE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                            PIMBLE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Tests on the shared X server move the pointer, type keys and activate
  # windows: they must not run side by side (the bubbles' keyboard test
  # among them: a window another test activates takes its focus).
  set(lock)
  if(label MATCHES "^(system|companion|bubbles|settings|app)$")
    set(lock RESOURCE_LOCK desktop)
  endif()
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label}
               SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
               ENVIRONMENT "FONTCONFIG_FILE=${PIMBLE_TEST_FONTS}"
               TIMEOUT 120
               ${lock})
endfunction()
