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
