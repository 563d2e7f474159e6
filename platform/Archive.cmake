# The archive seam on libzip; a Windows side would be chosen here. Debian's
# libzip CMake package names tools it does not install, so pkg-config finds it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CORVANA_LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
corvana_layer(corvana_platform_archive
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/linux/ArchiveEntryName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/LibzipArchive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/ZipNameScan.cpp
)
target_link_libraries(corvana_platform_archive PRIVATE PkgConfig::CORVANA_LIBZIP)
