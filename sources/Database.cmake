# The tool database reader classifies its tools, so it sits above convert.
corvana_layer(corvana_mdb_reader
  SOURCES
    MdbReader.cpp
  DEPENDS corvana_convert corvana_platform_mdb
)
