find_package(X11 REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# Motif ships no CMake or pkg-config file on Debian: find it by hand.
find_path(MOTIF_INCLUDE_DIR Xm/Xm.h REQUIRED)
find_library(MOTIF_LIBRARY Xm REQUIRED)

add_library(qw_x11 INTERFACE)
target_include_directories(qw_x11 INTERFACE ${X11_INCLUDE_DIR})
target_link_libraries(qw_x11 INTERFACE X11::X11)

add_library(qw_xt INTERFACE)
target_link_libraries(qw_xt INTERFACE X11::Xt X11::X11)

add_library(qw_motif INTERFACE)
target_include_directories(qw_motif INTERFACE ${MOTIF_INCLUDE_DIR})
target_link_libraries(qw_motif INTERFACE ${MOTIF_LIBRARY} X11::Xpm X11::Xext qw_xt)
