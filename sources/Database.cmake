corvana_layer(corvana_mdb_reader
  SOURCES
    MdbReader.cpp
  DEPENDS corvana_sources corvana_platform_mdb
)
