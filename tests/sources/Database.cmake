corvana_test(corvana_mdb_tests
  SOURCES
    MdbReaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../platform/MdbToolsDatabaseTest.cpp
  DEPENDS corvana_mdb_reader
)
