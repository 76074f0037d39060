# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
if(QW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()


# qw_folder_library(NAME GLOB... LINKS ...): a library from the files that match,
# or an interface library while the folder has no sources yet.
function(qw_folder_library name)
  cmake_parse_arguments(QF "" "" "GLOBS;EXCLUDE;LINKS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${QF_GLOBS})
  foreach(ex ${QF_EXCLUDE})
    list(FILTER srcs EXCLUDE REGEX "${ex}")
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${QF_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${QF_LINKS})
  endif()
endfunction()

# Coverage for the fuzz targets: every library is instrumented; only the
# fuzz executables link libFuzzer itself (fuzz/CMakeLists.txt).
if(QW_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# qw_sanitizer_defaults(TARGET): gives an executable of a sanitized build the
# sanitizers' run-time defaults.
function(qw_sanitizer_defaults target)
  if(QW_SANITIZE)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/sanitizer_defaults.cpp)
  endif()
endfunction()
