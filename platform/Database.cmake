# The Linux side of the tool database seam reads Access files with mdbtools.
# Sources are named from this file's folder so any list may include it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MDB REQUIRED IMPORTED_TARGET GLOBAL libmdb)
corvana_layer(corvana_platform_mdb
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/linux/MdbToolsDatabase.cpp
)
target_link_libraries(corvana_platform_mdb PRIVATE PkgConfig::MDB)
